#include "launcher/busy_wait.h"

#include <cwchar>

namespace kx {

DWORD CallDeadlineMs() {
  static const DWORD deadline = [] {
    wchar_t text[16];
    const DWORD length = ::GetEnvironmentVariableW(L"KXVM_TEST_CALL_DEADLINE_MS", text, 16);
    const unsigned long ms = length > 0 && length < 16 ? std::wcstoul(text, nullptr, 10) : 0;
    return ms > 0 && ms < kCallDeadlineMs ? static_cast<DWORD>(ms) : kCallDeadlineMs;
  }();
  return deadline;
}

BusyMessageFilterScope::BusyMessageFilterScope(ULONGLONG deadline) noexcept : filter_(deadline) {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  if (FAILED(::CoGetApartmentType(&type, &qualifier)) ||
      (type != APTTYPE_STA && type != APTTYPE_MAINSTA))
    return;
  registered_ = SUCCEEDED(::CoRegisterMessageFilter(&filter_, &previous_));
}

BusyMessageFilterScope::~BusyMessageFilterScope() {
  if (!registered_) return;
  IMessageFilter* ours = nullptr;
  ::CoRegisterMessageFilter(previous_, &ours);
  if (previous_) previous_->Release();  // the reference CoRegisterMessageFilter gave us
  if (ours) ours->Release();
}

HRESULT BusyMessageFilterScope::Filter::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)
             ? static_cast<IMessageFilter*>(this)
             : nullptr;
  return *out ? S_OK : E_NOINTERFACE;
}

DWORD BusyMessageFilterScope::Filter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
  return SERVERCALL_ISHANDLED;
}

DWORD BusyMessageFilterScope::Filter::RetryRejectedCall(HTASK, DWORD, DWORD rejectType) {
  const bool busy = rejectType == SERVERCALL_RETRYLATER || rejectType == SERVERCALL_REJECTED;
  return busy && ::GetTickCount64() + kBusyRetryMs < deadline_ ? kBusyRetryMs
                                                               : static_cast<DWORD>(-1);
}

DWORD BusyMessageFilterScope::Filter::MessagePending(HTASK, DWORD, DWORD) {
  return PENDINGMSG_WAITDEFPROCESS;
}

}  // namespace kx
