// The log calls, with CString lines and a formatted one.
#include <afxwin.h>

#include "KXEnvApp.h"
#include "check.h"

void LogSnippet() {
  SetDebugLogMode(KXSeDebugOn, TRUE, _T("MfcHost"));
  SyncDebugFlag();
  CString line;
  line.Format(_T("AddIn : %d documents open"), 3);
  CHECK(WriteDebugLog(line) == 1 && WriteDebugLog(_T("AddIn : done")) == 1);
  CFile log(KXHOST_DATA _T("KXVirtualMachine.log"), CFile::modeRead | CFile::shareDenyNone);
  CHECK(log.GetLength() > 2 * 40);
}
