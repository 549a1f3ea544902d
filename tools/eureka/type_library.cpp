#include "type_library.h"

#include <ole2.h>
#include <windows.h>
// The interface and library ids are defined here, declared everywhere else.
#include <initguid.h>

#include "eureka_h.h"

// oleaut32 exports it since Vista; MinGW-w64's oleauto.h does not declare it.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* fullPath,
                                                 OLECHAR* helpFolder);

namespace eureka {

TypeLibraryRegistration RegisterTypeLibrary(const std::wstring& programPath) {
  TypeLibraryRegistration registration;
  kx::ComPtr<ITypeLib> library;
  registration.result = ::LoadTypeLibEx(programPath.c_str(), REGKIND_NONE, library.Receive());
  if (FAILED(registration.result)) return registration;
  library->GetTypeInfoOfGuid(DIID_IEurekaApplicationDisp, registration.dispatchInfo.Receive());

  // The APIs take non-const strings.
  std::wstring path = programPath;
  registration.result = ::RegisterTypeLibForUser(library.Get(), path.data(), nullptr);
  if (SUCCEEDED(registration.result)) {
    registration.scope = L"user";
    return registration;
  }
  registration.result = ::RegisterTypeLib(library.Get(), path.data(), nullptr);
  if (SUCCEEDED(registration.result)) registration.scope = L"machine";
  return registration;
}

}  // namespace eureka
