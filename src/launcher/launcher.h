// The launcher: starts Eureka.exe, waits for its automation object and
// supervises its process until it ends.
//
// Threads: CloseAllDocAndExitVM, SetEurekaApp and copying may come from any
// thread at any time, also while another thread launches; a second launch
// on the same object while one runs returns 0 at once. Only the thread that
// obtained or set the automation link calls Eureka through it (the link
// itself lives in the library's apartment, automation_link.h); another
// thread's close ends the process. Destroying or assigning to a launcher
// while it launches is not allowed.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "EurekaAutomation.h"
#include "KXSeDebugMode.h"
#include "framework/lock.h"
#include "kxvm.h"
#include "launcher/automation_link.h"

namespace kx {

class MWVMLauncher {
 public:
  // What one launch came to: KXVM_OUTCOME_* and, when Eureka ended, its
  // exit code.
  struct Outcome {
    int kind = KXVM_OUTCOME_NONE;
    DWORD exitCode = 0;
  };

  MWVMLauncher();
  // A copy holds its own duplicates of the process handles.
  MWVMLauncher(const MWVMLauncher& other);
  // Releases the link and closes the process handles still held.
  ~MWVMLauncher();
  MWVMLauncher& operator=(const MWVMLauncher& other);

  // Splash, locate, start, wait for the automation object, supervise to the
  // end. 0 when Eureka.exe is not located or missing, or when this launcher
  // is launching already; otherwise 1. outcome is filled on every path,
  // the exception of a failed version read included.
  int LaunchEureka(Outcome* outcome = nullptr);
  // The launch up to and including the version read; Eureka runs on, with
  // its handles and its link held (KXVM_OUTCOME_STARTED).
  int StartEureka(Outcome* outcome = nullptr);
  // Up to timeoutMs for the held Eureka's end; when it has ended, its handles
  // are closed and the link released, as supervision does. None when no
  // process is held.
  struct WaitResult {
    bool ended = false;
    DWORD exitCode = 0;
  };
  std::optional<WaitResult> WaitEureka(DWORD timeoutMs);
  // A duplicate of the held process handle, the caller's; null when none.
  HANDLE DuplicateProcessHandle() const;
  // KXVM_LAUNCH_* bits for the launches to come.
  void SetOptions(unsigned int options);
  // Asks Eureka to close everything and exit, or ends its process: also when
  // the link cannot reach Eureka (gone, given up, no answer within the
  // deadline), with a log line. Always 1; any other failure of the call
  // raises, as does an unreachable Eureka when no process handle is held.
  int CloseAllDocAndExitVM();
  // Sets the diagnostic log's mode, fresh-file flag and line tag.
  void SetDebugMode(KXSeDebugMode mode, int freshLog, std::wstring tag);
  // Replaces the held automation link (may be null); raises _com_error when
  // app cannot be taken into the library's apartment.
  void SetEurekaApp(IEurekaApplicationDisp* app);

 private:
  // One launch at a time on this launcher: the start, then, when asked, the
  // supervision of what it started.
  int Begin(Outcome* outcome, bool supervise);
  // Everything LaunchEureka does up to the supervision, once it may run.
  int Start(Outcome& outcome);
  IDispatch* GetEurekaObjByPID(int processId);
  int ManageVMProcess(Outcome& outcome);
  void ReleaseEurekaApp();
  // Closes and clears both process handles; m_lock must be held.
  void CloseProcessHandles();
  int HandleError(unsigned int messageId, int exitVM);
  int HandleError(const std::wstring& message, int exitVM, unsigned int messageId);

  PROCESS_INFORMATION m_processInfo;
  std::shared_ptr<AutomationLink> m_pEurekaApp;  // shared with copies
  int m_nApiVersion;
  unsigned int m_options = 0;  // KXVM_LAUNCH_*
  bool m_bLaunching = false;
  // Guards the fields above against calls from other threads. Never held
  // across a call into Eureka or a wait, so that CloseAllDocAndExitVM can
  // always end the process.
  mutable Lock m_lock;
};

}  // namespace kx
