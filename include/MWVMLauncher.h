// The launcher: starts Eureka.exe, waits for its automation object and
// supervises its process until it ends.
#pragma once

#include <windows.h>

#include <string>

#include "EurekaAutomation.h"
#include "KXSeDebugMode.h"
#include "KXVirtualMachMgrApi.h"
#include "framework/com_ptr.h"

class KXVM_API MWVMLauncher {
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

 private:
  IDispatch* GetEurekaObjByPID(int processId);
  int ManageVMProcess();
  void ReleaseEurekaApp();
  int HandleError(unsigned int messageId, int exitVM);
  int HandleError(const std::wstring& message, int exitVM, unsigned int messageId);

  PROCESS_INFORMATION m_processInfo;
  kx::ComPtr<IEurekaApplicationDisp> m_pEurekaApp;
  int m_nApiVersion;
};
