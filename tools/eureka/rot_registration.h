// An object's entry in the Running Object Table, revoked by its owner.
#pragma once

#include <objidl.h>

#include <string>

#include "framework/com_ptr.h"

namespace eureka {

class RotRegistration {
 public:
  RotRegistration() = default;
  RotRegistration(const RotRegistration&) = delete;
  RotRegistration& operator=(const RotRegistration&) = delete;
  ~RotRegistration() { Revoke(); }

  // Registers object under the item moniker with no delimiter and itemName,
  // the form clients look up; an earlier entry of this owner is revoked.
  HRESULT Register(IUnknown* object, const std::wstring& itemName);
  void Revoke() noexcept;
  bool IsRegistered() const { return table_ && cookie_ != 0; }

 private:
  kx::ComPtr<IRunningObjectTable> table_;
  DWORD cookie_ = 0;
};

}  // namespace eureka
