#include "busy_filter.h"

#include <windows.h>

#include <string>

#include "eureka_h.h"

namespace eureka {

HRESULT BusyFilter::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)
             ? static_cast<IMessageFilter*>(this)
             : nullptr;
  return *out ? S_OK : E_NOINTERFACE;
}

DWORD BusyFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) {
  // Invoke is the seventh method of IDispatch.
  const bool invoke =
      call && call->wMethod == 6 &&
      (IsEqualIID(call->iid, IID_IDispatch) || IsEqualIID(call->iid, DIID_IEurekaApplicationDisp));
  if (!invoke || ::GetTickCount64() >= busyUntil_) return SERVERCALL_ISHANDLED;
  record_.Write(L"busy", L"rejected");
  return SERVERCALL_REJECTED;
}

}  // namespace eureka
