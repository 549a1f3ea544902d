#include "launcher/eureka_automation.h"

#include <cwchar>
#include <string>

#include "EurekaAutomation.h"
#include "framework/com_ptr.h"
#include "framework/scoped_bstr.h"

namespace kx {

EurekaLookup::EurekaLookup(int processId) {
  wchar_t name[32];
  std::swprintf(name, 32, kEurekaRotItemFormat, processId);
  if (FAILED(::GetRunningObjectTable(0, table_.Receive()))) return;
  ScopedBstr itemName{std::wstring(name)};
  ::CreateItemMoniker(nullptr, itemName.Get(), moniker_.Receive());
}

IDispatch* EurekaLookup::Find() const {
  if (!table_ || !moniker_) return nullptr;
  ComPtr<IUnknown> object;
  table_->GetObject(moniker_.Get(), object.Receive());
  if (!object) return nullptr;
  IDispatch* dispatch = nullptr;
  if (object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)) == S_OK)
    return dispatch;
  // Anything but exactly S_OK counts as not published; a reference handed out
  // anyway is not ours to keep.
  if (dispatch) dispatch->Release();
  return nullptr;
}

IDispatch* FindEurekaObject(int processId) { return EurekaLookup(processId).Find(); }

}  // namespace kx
