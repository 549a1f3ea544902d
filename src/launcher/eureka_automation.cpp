#include "launcher/eureka_automation.h"

#include <cwchar>
#include <string>

#include "EurekaAutomation.h"
#include "framework/com_ptr.h"
#include "framework/scoped_bstr.h"

namespace kx {

IDispatch* FindEurekaObject(int processId) {
  wchar_t name[32];
  std::swprintf(name, 32, kEurekaRotItemFormat, processId);

  ComPtr<IUnknown> object;
  {
    ComPtr<IRunningObjectTable> table;
    if (FAILED(::GetRunningObjectTable(0, table.Receive())) || !table) return nullptr;
    ComPtr<IMoniker> moniker;
    {
      ScopedBstr itemName{std::wstring(name)};
      ::CreateItemMoniker(nullptr, itemName.Get(), moniker.Receive());
    }
    if (moniker) table->GetObject(moniker.Get(), object.Receive());
  }
  if (!object) return nullptr;
  IDispatch* dispatch = nullptr;
  if (object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)) == S_OK)
    return dispatch;
  // Anything but exactly S_OK counts as not published; a reference handed out
  // anyway is not ours to keep.
  if (dispatch) dispatch->Release();
  return nullptr;
}

}  // namespace kx
