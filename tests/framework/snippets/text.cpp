// Text in and out as CString, LPCTSTR and literals.
#include <afxwin.h>

#include "KXEnvApp.h"
#include "MWSettingsKey.h"
#include "check.h"

void TextSnippet() {
  LPCTSTR path = KXHOST_KEY;
  CString name = _T("Viewer");
  MWSettingsKey key(name, path);
  key.AddValue(_T("Title"), _T("Plan"));
  key.AddValue(CString(_T("Note")), name + _T(" 2"));
  CString title, note;
  key.GetValue(_T("Title"), title);
  key.GetValue(_T("Note"), note);
  CHECK(title == _T("Plan") && note == _T("Viewer 2") && key.GetName() == name);

  KXEnvApp* env = KXEnvApp::Instance();
  CString exe = env->GetEurekaExeFilePath(), installed = env->GetKXVrtualMachInstallationPath();
  CHECK(env->GetDataPath() == KXHOST_DATA && exe.Right(10) == _T("Eureka.exe") &&
        env->GetKXEurekaPath().IsEmpty() && env->GetKXEurekaPathHKeyMach().IsEmpty() &&
        exe.Left(installed.GetLength()) == installed && ResolveLanguageCode() == _T("deu"));
}
