// The type library built into Eureka.exe as resource TYPELIB 1.
#pragma once

#include <oaidl.h>

#include <string>

#include "framework/com_ptr.h"

namespace eureka {

struct TypeLibraryRegistration {
  HRESULT result = E_FAIL;
  std::wstring scope;                  // "user" or "machine" when registered
  kx::ComPtr<ITypeInfo> dispatchInfo;  // IEurekaApplicationDisp, when loaded
};

// Loads the library from this program's file and registers it, per user
// first and machine-wide when that fails, as an installer would.
TypeLibraryRegistration RegisterTypeLibrary(const std::wstring& programPath);

}  // namespace eureka
