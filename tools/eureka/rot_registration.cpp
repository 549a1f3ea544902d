#include "rot_registration.h"

#include <objbase.h>

namespace eureka {

HRESULT RotRegistration::Register(IUnknown* object, const std::wstring& itemName) {
  Revoke();
  kx::ComPtr<IRunningObjectTable> table;
  HRESULT hr = ::GetRunningObjectTable(0, table.Receive());
  if (FAILED(hr)) return hr;
  kx::ComPtr<IMoniker> moniker;
  hr = ::CreateItemMoniker(nullptr, itemName.c_str(), moniker.Receive());
  if (FAILED(hr)) return hr;
  // The table keeps the object alive; clients of other accounts are not
  // expected (ROTFLAGS_ALLOWANYCLIENT needs an AppID with RunAs on Windows).
  DWORD cookie = 0;
  hr = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, object, moniker.Get(), &cookie);
  if (FAILED(hr)) return hr;
  table_ = std::move(table);
  cookie_ = cookie;
  return hr;
}

void RotRegistration::Revoke() noexcept {
  if (table_ && cookie_ != 0) table_->Revoke(cookie_);
  cookie_ = 0;
  table_.Reset();
}

}  // namespace eureka
