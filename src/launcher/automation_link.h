// Eureka's automation interface as launchers hold it: once, shared by a
// launcher and its copies.
//
// The link is a proxy in the multithreaded apartment, which the library
// keeps in being while links live there: it belongs to no apartment of a
// host or of a launch, so leaving one never strands it. Every call on Eureka runs on a
// thread of the library's own in that apartment, which the calling thread
// waits for while its own apartment goes on serving (the host's message
// filter, if any, is asked about what arrives meanwhile). A busy Eureka is
// asked again for up to 10 s; a call not answered within the deadline
// (60 s, busy_wait.h) fails with RPC_E_CALL_CANCELED, its thread left to end
// when Eureka answers or ends. After a failure that says Eureka cannot be
// reached, the link is abandoned: nothing goes through it again, Release
// included, and its apartment is kept for the process's life.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <memory>

#include "EurekaAutomation.h"

namespace kx {

// A failure after which Eureka cannot be reached through the link: gone,
// disconnected, on the wrong thread, or no answer within the deadline.
bool IsUnreachable(HRESULT hr);

class AutomationLink {
 public:
  // From app, an interface of the calling thread's apartment, which the
  // caller keeps; the calling thread is the one that calls through the link.
  // Raises _com_error.
  explicit AutomationLink(IDispatch* app);
  ~AutomationLink();
  AutomationLink(const AutomationLink&) = delete;
  AutomationLink& operator=(const AutomationLink&) = delete;

  // The thread that obtained or set the link.
  bool OnItsThread() const { return ::GetCurrentThreadId() == thread_; }

  // ApiVersion (DISPID 4, property get), converted to a 32-bit integer.
  // Raises _com_error.
  int ReadApiVersion();
  // CloseAllDocumentsAndExit (DISPID 46): no arguments, no result asked for.
  // Raises _com_error.
  void CloseAllDocumentsAndExit();

 private:
  struct Call;
  std::shared_ptr<Call> Invoke(const wchar_t* name, DISPID member, WORD flags);

  // Holds the multithreaded apartment in being, unless abandoned.
  struct MtaUsage {
    bool held = false;
    MtaUsage();
    ~MtaUsage();
    MtaUsage(const MtaUsage&) = delete;
    MtaUsage& operator=(const MtaUsage&) = delete;
  };

  MtaUsage mta_;
  IDispatch* app_ = nullptr;  // a proxy in the multithreaded apartment
  const DWORD thread_;
  std::atomic<bool> abandoned_{false};
};

}  // namespace kx
