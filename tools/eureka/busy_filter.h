// A busy Eureka: for a while after publishing it rejects the calls on its
// automation interface, as the real one does while it loads a machine. The
// table lookup and the interface query pass, so a client sees the object at
// once and only its Invoke calls come back rejected.
#pragma once

#include <objidl.h>

#include "record_file.h"

namespace eureka {

class BusyFilter final : public IMessageFilter {
 public:
  // Rejects until busyUntil (GetTickCount64 time); records each rejection.
  BusyFilter(ULONGLONG busyUntil, const RecordFile& record)
      : busyUntil_(busyUntil), record_(record) {}
  BusyFilter(const BusyFilter&) = delete;
  BusyFilter& operator=(const BusyFilter&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // owned by the stand-in
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                             LPINTERFACEINFO call) override;
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
    return static_cast<DWORD>(-1);
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  const ULONGLONG busyUntil_;
  const RecordFile& record_;
};

}  // namespace eureka
