// Waiting for a simulator that is still busy (loading a machine, say): it
// rejects calls, and the call is tried again until a deadline.
#pragma once

#include <windows.h>
#include <objidl.h>

namespace kx {

// How long a busy simulator is waited for, and how often it is asked again.
inline constexpr DWORD kBusyWaitMs = 10000;
inline constexpr DWORD kBusyRetryMs = 250;
// How long one call on the simulator may take, busy waits included.
inline constexpr DWORD kCallDeadlineMs = 60000;

// kCallDeadlineMs, or less when the test setting KXVM_TEST_CALL_DEADLINE_MS
// (read once) asks for less, so that a test need not wait a minute.
DWORD CallDeadlineMs();

// "Call rejected" and "retry later": the answers of a busy server.
inline bool IsBusy(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

// On a thread in a single-threaded apartment, registers a message filter
// that has COM retry rejected calls until the deadline, and puts the
// thread's previous filter back at the end of the scope. Elsewhere (another
// apartment type, no apartment) it does nothing.
class BusyMessageFilterScope {
 public:
  explicit BusyMessageFilterScope(ULONGLONG deadline) noexcept;
  ~BusyMessageFilterScope();
  BusyMessageFilterScope(const BusyMessageFilterScope&) = delete;
  BusyMessageFilterScope& operator=(const BusyMessageFilterScope&) = delete;

 private:
  class Filter : public IMessageFilter {
   public:
    explicit Filter(ULONGLONG deadline) : deadline_(deadline) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives in its scope
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override;

   private:
    ULONGLONG deadline_;
  };

  Filter filter_;
  IMessageFilter* previous_ = nullptr;
  bool registered_ = false;
};

}  // namespace kx
