// A launch with a CString tag; Eureka's failure as _com_error.
#include <afxwin.h>
#include <comdef.h>

#include "KXEnvApp.h"
#include "MWVMLauncher.h"
#include "check.h"

void LaunchSnippet() {
  MWVMLauncher launcher;
  CString tag = _T("MfcHost");
  launcher.SetDebugMode(KXSeDebugOn, FALSE, tag);
  CString message;
  try {
    launcher.LaunchEureka();
  } catch (_com_error& e) {
    message = (LPCTSTR)e.Description();
  }
  CHECK(message == _T("The interface version is not available") &&
        launcher.LastOutcome() == KXLaunchOutcome::AutomationFailed);
}
