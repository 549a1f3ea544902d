// The launcher: starts Eureka.exe, waits for its automation object and
// supervises its process until it ends.
#pragma once

#include <windows.h>

#include <string>

#include "EurekaAutomation.h"
#include "KXSeDebugMode.h"
#include "framework/com_ptr.h"
#include "kxvm.h"

namespace kx {

class MWVMLauncher {
 public:
  MWVMLauncher();
  MWVMLauncher(const MWVMLauncher& other);
  ~MWVMLauncher();
  MWVMLauncher& operator=(const MWVMLauncher& other);

  // Splash, locate, start, wait for the automation object, supervise to the
  // end. 0 when Eureka.exe is not located or missing, otherwise 1.
  int LaunchEureka();
  // Asks Eureka to close everything and exit, or ends its process. Always 1.
  int CloseAllDocAndExitVM();
  // Sets the diagnostic log's mode, fresh-file flag and line tag.
  void SetDebugMode(KXSeDebugMode mode, int freshLog, std::wstring tag);
  // Replaces the held automation link (may be null).
  void SetEurekaApp(IEurekaApplicationDisp* app);

  // What the last launch came to (KXVM_OUTCOME_*), and Eureka's exit code
  // when it ended under supervision or before publishing.
  int LastOutcome() const { return m_nOutcome; }
  DWORD LastExitCode() const { return m_dwExitCode; }

 private:
  IDispatch* GetEurekaObjByPID(int processId);
  int ManageVMProcess();
  void ReleaseEurekaApp();
  int HandleError(unsigned int messageId, int exitVM);
  int HandleError(const std::wstring& message, int exitVM, unsigned int messageId);

  PROCESS_INFORMATION m_processInfo;
  kx::ComPtr<IEurekaApplicationDisp> m_pEurekaApp;
  int m_nApiVersion;
  int m_nOutcome = KXVM_OUTCOME_NONE;
  DWORD m_dwExitCode = 0;
};

}  // namespace kx
