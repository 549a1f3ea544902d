#include "launcher/MWVMLauncher.h"

#include <cwchar>
#include <utility>

#include "environment/KXEnvApp.h"
#include "environment/debug_log.h"
#include "environment/language.h"
#include "framework/main_window.h"
#include "framework/message_box.h"
#include "framework/resource_chain.h"
#include "framework/scoped_com_initializer.h"
#include "framework/scoped_handle.h"
#include "launcher/eureka_automation.h"
#include "resources/resource.h"
#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

namespace kx {

namespace {

constexpr DWORD kPollPeriodMs = 1000;

// Drops the automation link when the launch leaves early through an
// exception from the application, so that no proxy outlives the apartment.
class LinkReleaser {
 public:
  explicit LinkReleaser(kx::ComPtr<IEurekaApplicationDisp>& link) : link_(link) {}
  LinkReleaser(const LinkReleaser&) = delete;
  LinkReleaser& operator=(const LinkReleaser&) = delete;
  ~LinkReleaser() { link_.Reset(); }

 private:
  kx::ComPtr<IEurekaApplicationDisp>& link_;
};

// Shows the splash for its fixed 2.5 s; GDI+ runs only meanwhile.
void ShowLaunchSplash(MWSplashWnd& splash) {
  splash.SetSplashEnabled(TRUE);
  CWnd mainWindow(kx::ThreadMainWindow());
  CWnd* parent = mainWindow.GetSafeHwnd() ? &mainWindow : nullptr;
  {
    const std::wstring loading = kx::LoadResString(IDS_KX_LOADING);
    splash.SetText(loading.c_str());
  }
  splash.SetTextColor(0x00753B12);
  CPoint textPosition(100, 225);
  splash.SetTextPosition(textPosition);
  splash.SetTextFont(L"Arial", 100, 1);
  splash.SetTimerPeriod(TRUE, 10);
  const GdiplusScope gdiplus;
  splash.ShowSplash(parent, 2500, TRUE);
  splash.SetTimerPeriod(FALSE, -1);
  splash.SetSplashEnabled(FALSE);
}

void CloseAndClear(HANDLE& handle) { kx::ScopedHandle closing(std::exchange(handle, nullptr)); }

std::wstring Format(const wchar_t* format, int a, int b = 0) {
  wchar_t text[160];
  std::swprintf(text, 160, format, a, b);
  return text;
}

}  // namespace

MWVMLauncher::MWVMLauncher() : m_processInfo{}, m_nApiVersion(0) {}

MWVMLauncher::MWVMLauncher(const MWVMLauncher& other)
    : m_processInfo(other.m_processInfo),
      m_pEurekaApp(other.m_pEurekaApp),
      m_nApiVersion(other.m_nApiVersion),
      m_nOutcome(other.m_nOutcome),
      m_dwExitCode(other.m_dwExitCode) {}

MWVMLauncher::~MWVMLauncher() { ReleaseEurekaApp(); }

MWVMLauncher& MWVMLauncher::operator=(const MWVMLauncher& other) {
  m_processInfo = other.m_processInfo;
  m_pEurekaApp = other.m_pEurekaApp;
  m_nApiVersion = other.m_nApiVersion;
  m_nOutcome = other.m_nOutcome;
  m_dwExitCode = other.m_dwExitCode;
  return *this;
}

int MWVMLauncher::LaunchEureka() {
  MWSplashWnd splash;  // lives until the launch returns, on every path
  ShowLaunchSplash(splash);

  KXEnvApp* env = KXEnvApp::Instance();
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : Trying to locate Eureka");
  if (!env->LocateEureka()) {
    m_nOutcome = KXVM_OUTCOME_NOT_LOCATED;
    HandleError(IDS_KX_ERR_NOT_LOCATED, 0);
    return 0;
  }

  const std::wstring exe = env->GetEurekaExeFilePath();
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : checking for Eureka.exe at location");
  WriteDebugLog(exe);
  {
    WIN32_FIND_DATAW found;
    kx::ScopedFindHandle search(::FindFirstFileW(exe.c_str(), &found));
    if (!search.IsValid()) {
      m_nOutcome = KXVM_OUTCOME_EXECUTABLE_MISSING;
      HandleError(IDS_KX_ERR_EXE_MISSING, 0);
      return 0;
    }
  }

  const std::wstring language = ResolveLanguageCode();
  const kx::ScopedComInitializer apartment;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  m_processInfo = PROCESS_INFORMATION{};
  std::wstring commandLine = exe + L" -lang" + language;
  // The checked file is named as the program, so that a blank in its unquoted
  // path cannot start another one (C:\Program.exe for C:\Program Files\...).
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &m_processInfo)) {
    m_nOutcome = KXVM_OUTCOME_PROCESS_NOT_CREATED;
    HandleError(IDS_KX_ERR_CREATE_PROCESS, 0);
    return 1;
  }
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : Created Eureka process");

  kx::ComPtr<IDispatch> app;
  bool exited = false;
  while (!app) {
    ::Sleep(kPollPeriodMs);
    app.Attach(GetEurekaObjByPID(static_cast<int>(m_processInfo.dwProcessId)));
    DWORD exitCode = 0;  // stays 0, an exit, when the code cannot be read
    ::GetExitCodeProcess(m_processInfo.hProcess, &exitCode);
    if (exitCode != STILL_ACTIVE) {
      WriteDebugLog(L"MWVMLauncher::LaunchEureka : Eureka process exited abruptly");
      m_dwExitCode = exitCode;
      exited = true;
      break;
    }
  }

  splash.CloseSplash();
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : Splash screen terminated");

  if (app) {
    m_nOutcome = KXVM_OUTCOME_AUTOMATION_FAILED;  // until the version is read
    const LinkReleaser releaseLink(m_pEurekaApp);
    if (SUCCEEDED(app->QueryInterface(IID_IEurekaApplicationDisp, m_pEurekaApp.ReceiveVoid())) &&
        m_pEurekaApp) {
      m_nApiVersion = kx::ReadApiVersion(m_pEurekaApp.Get());
      WriteDebugLog(Format(L"MWVMLauncher::LaunchEureka : ApiVersion = %d ", m_nApiVersion));
    }
    app.Reset();
    ReleaseEurekaApp();
    m_nOutcome = KXVM_OUTCOME_SUPERVISED;
    ManageVMProcess();
  } else if (exited) {
    m_nOutcome = KXVM_OUTCOME_ENDED_BEFORE_PUBLISHING;
    // Ended before publishing: nothing left to supervise, so the handles go.
    CloseAndClear(m_processInfo.hThread);
    CloseAndClear(m_processInfo.hProcess);
  }
  return 1;
}

int MWVMLauncher::CloseAllDocAndExitVM() {
  WriteDebugLog(L"MWVMLauncher::CloseAllDocAndExitVM");
  if (m_pEurekaApp) {
    kx::CallCloseAllDocumentsAndExit(m_pEurekaApp.Get());
    ReleaseEurekaApp();
  } else if (m_processInfo.hProcess) {
    ::TerminateProcess(m_processInfo.hProcess, 0);
  }
  return 1;
}

void MWVMLauncher::SetDebugMode(KXSeDebugMode mode, int freshLog, std::wstring tag) {
  SetDebugLogMode(mode, freshLog, std::move(tag));
}

void MWVMLauncher::SetEurekaApp(IEurekaApplicationDisp* app) { m_pEurekaApp = app; }

IDispatch* MWVMLauncher::GetEurekaObjByPID(int processId) {
  return kx::FindEurekaObject(processId);
}

int MWVMLauncher::ManageVMProcess() {
  CloseAndClear(m_processInfo.hThread);
  if (m_processInfo.hProcess) {
    // The handle stays in place while waiting: CloseAllDocAndExitVM from
    // another thread ends the process through it.
    ::WaitForSingleObject(m_processInfo.hProcess, INFINITE);
    if (!::GetExitCodeProcess(m_processInfo.hProcess, &m_dwExitCode)) m_dwExitCode = 0;
    CloseAndClear(m_processInfo.hProcess);
  }
  return 1;
}

void MWVMLauncher::ReleaseEurekaApp() { m_pEurekaApp.Reset(); }

int MWVMLauncher::HandleError(unsigned int messageId, int exitVM) {
  std::wstring text;
  if (messageId != 0) {
    WriteDebugLog(Format(L"MWVMLauncher::HandleError : Error resource ID : %d   And Exit VM = %d",
                         static_cast<int>(messageId), exitVM));
    text = kx::LoadResString(messageId);
  }
  return HandleError(text, exitVM, messageId);
}

int MWVMLauncher::HandleError(const std::wstring& message, int exitVM, unsigned int /*messageId*/) {
  if (!message.empty()) {
    WriteDebugLog(message);
    if (kx::AppMessageBox(message, MB_OK, 0) == 0) kx::AppMessageBox(message, MB_OK, 0);
  }
  if (exitVM != 0) CloseAllDocAndExitVM();
  return 1;
}

}  // namespace kx
