#include "launcher/launcher.h"

#include <comdef.h>

#include <cwchar>
#include <optional>
#include <utility>

#include "environment/environment.h"
#include "environment/debug_log.h"
#include "environment/folder_value.h"
#include "environment/language.h"
#include "framework/com_ptr.h"
#include "framework/main_window.h"
#include "framework/message_box.h"
#include "framework/resource_chain.h"
#include "framework/scoped_com_initializer.h"
#include "framework/scoped_handle.h"
#include "launcher/eureka_automation.h"
#include "launcher/host_job.h"
#include "launcher/modal_start.h"
#include "resources/resource.h"
#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

namespace kx {

namespace {

constexpr DWORD kPollPeriodMs = 1000;
// A responsive start looks Eureka up this often, and moves the dots this often.
constexpr DWORD kResponsivePollMs = 50;
constexpr int kResponsiveDotsMs = 400;

// Text, colour, place, font and timer of the launch's splash.
void PrepareSplash(MWSplashWnd& splash, int timerPeriodMs) {
  splash.SetSplashEnabled(TRUE);
  {
    const std::wstring loading = kx::LoadResString(IDS_KX_LOADING);
    splash.SetText(loading.c_str());
  }
  splash.SetTextColor(0x00753B12);
  CPoint textPosition(100, 225);
  splash.SetTextPosition(textPosition);
  splash.SetTextFont(L"Arial", 100, 1);
  splash.SetTimerPeriod(TRUE, timerPeriodMs);
}

// Shows the splash for its fixed 2.5 s; GDI+ runs only meanwhile.
void ShowLaunchSplash(MWSplashWnd& splash) {
  PrepareSplash(splash, 10);
  CWnd mainWindow(kx::ThreadMainWindow());
  CWnd* parent = mainWindow.GetSafeHwnd() ? &mainWindow : nullptr;
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

// Duplicates owned by the caller; a handle that cannot be duplicated is null.
PROCESS_INFORMATION Duplicated(const PROCESS_INFORMATION& info) {
  auto duplicate = [](HANDLE handle) -> HANDLE {
    HANDLE copy = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (handle && ::DuplicateHandle(self, handle, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
      return copy;
    return nullptr;
  };
  PROCESS_INFORMATION copy = info;
  copy.hProcess = duplicate(info.hProcess);
  copy.hThread = duplicate(info.hThread);
  return copy;
}

}  // namespace

MWVMLauncher::MWVMLauncher() : m_processInfo{}, m_nApiVersion(0) {}

MWVMLauncher::MWVMLauncher(const MWVMLauncher& other) : m_processInfo{}, m_nApiVersion(0) {
  AutoLock hold(other.m_lock);
  m_processInfo = Duplicated(other.m_processInfo);
  m_pEurekaApp = other.m_pEurekaApp;
  m_nApiVersion = other.m_nApiVersion;
}

MWVMLauncher::~MWVMLauncher() {
  ReleaseEurekaApp();
  AutoLock hold(m_lock);
  CloseProcessHandles();
}

MWVMLauncher& MWVMLauncher::operator=(const MWVMLauncher& other) {
  if (this == &other) return *this;
  // One lock at a time: two launchers assigned to each other on two threads
  // cannot deadlock.
  PROCESS_INFORMATION info;
  std::shared_ptr<AutomationLink> link;
  int version;
  {
    AutoLock hold(other.m_lock);
    info = Duplicated(other.m_processInfo);
    link = other.m_pEurekaApp;
    version = other.m_nApiVersion;
  }
  AutoLock hold(m_lock);
  CloseProcessHandles();
  m_processInfo = info;
  std::swap(m_pEurekaApp, link);  // the previous one goes with link, after the lock
  m_nApiVersion = version;
  return *this;
}

namespace {

// One launch at a time per launcher: the first sets the flag, a second
// finds it set.
struct LaunchingFlag {
  Lock& lock;
  bool& flag;
  bool held = false;
  LaunchingFlag(Lock& l, bool& f) : lock(l), flag(f) {
    AutoLock hold(lock);
    if (flag) return;
    flag = held = true;
  }
  ~LaunchingFlag() {
    if (!held) return;
    AutoLock hold(lock);
    flag = false;
  }
};

}  // namespace

int MWVMLauncher::LaunchEureka(Outcome* report) { return Begin(report, true); }

int MWVMLauncher::StartEureka(Outcome* report) { return Begin(report, false); }

int MWVMLauncher::Begin(Outcome* report, bool supervise) {
  Outcome local;
  Outcome& outcome = report ? *report : local;
  outcome = Outcome{};
  const LaunchingFlag launching(m_lock, m_bLaunching);
  if (!launching.held) {
    outcome.kind = KXVM_OUTCOME_ALREADY_RUNNING;
    WriteDebugLog(L"MWVMLauncher::LaunchEureka : A launch is already running on this launcher");
    return 0;
  }
  const int result = Start(outcome);
  if (supervise && outcome.kind == KXVM_OUTCOME_STARTED) {
    ReleaseEurekaApp();
    outcome.kind = KXVM_OUTCOME_SUPERVISED;
    ManageVMProcess(outcome);
  }
  return result;
}

int MWVMLauncher::Start(Outcome& outcome) {
  unsigned int options;
  {
    AutoLock hold(m_lock);
    options = m_options;
    // What an earlier launch left open goes now.
    CloseProcessHandles();
  }
  const bool responsive = (options & KXVM_LAUNCH_RESPONSIVE) != 0;

  MWSplashWnd splash;  // lives until the start returns, on every path
  std::optional<ModalStart> modal;
  if (responsive) {
    PrepareSplash(splash, kResponsiveDotsMs);
    modal.emplace(splash, kx::ThreadMainWindow());
  } else {
    ShowLaunchSplash(splash);
  }
  // Before any message box: the splash gone and its owner usable again.
  const auto beforeMessage = [&modal] {
    if (modal) modal->End();
  };
  // The host's messages are answered while the start waits for Eureka, and
  // between its slower steps; a WM_QUIT gives the start up (Eureka, once
  // started, running on with its handles held).
  const auto quitMeanwhile = [&](HANDLE waitFor = ::GetCurrentProcess(), DWORD ms = 0) {
    if (!modal || modal->For(waitFor, ms) != ModalStart::Wait::kQuit) return false;
    modal->End();
    WriteDebugLog(L"MWVMLauncher::LaunchEureka : The host is quitting, the start is given up");
    outcome.kind = KXVM_OUTCOME_QUIT;
    return true;
  };
  if (quitMeanwhile()) return 0;

  KXEnvApp* env = nullptr;
  try {
    env = KXEnvApp::Instance();
  } catch (const NoDataFolder&) {  // message 1023 has been shown, once
    outcome.kind = KXVM_OUTCOME_NO_DATA_FOLDER;
    return 0;
  }
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : Trying to locate Eureka");
  if (!env->LocateEureka()) {
    outcome.kind = KXVM_OUTCOME_NOT_LOCATED;
    beforeMessage();
    HandleError(IDS_KX_ERR_NOT_LOCATED, 0);
    return 0;
  }

  const std::wstring exe = env->GetEurekaExeFilePath();
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : checking for Eureka.exe at location");
  WriteDebugLog(Visible(exe));
  if (!FileFound(exe)) {
    outcome.kind = KXVM_OUTCOME_EXECUTABLE_MISSING;
    beforeMessage();
    HandleError(IDS_KX_ERR_EXE_MISSING, 0);
    return 0;
  }

  const std::wstring language = ResolveLanguageCode();
  if (quitMeanwhile()) return 0;
  const kx::ScopedComInitializer apartment;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  std::wstring commandLine = exe + L" -lang" + language;
  // Tied to the host's life, Eureka joins the job before it runs a single
  // instruction of its own.
  const bool endWithHost = (options & KXVM_LAUNCH_END_WITH_HOST) != 0;
  // The checked file is named as the program, so that a blank in its unquoted
  // path cannot start another one (C:\Program.exe for C:\Program Files\...).
  const BOOL created =
      ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       endWithHost ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &started);
  {
    AutoLock hold(m_lock);
    m_processInfo = created ? started : PROCESS_INFORMATION{};
  }
  if (!created) {
    outcome.kind = KXVM_OUTCOME_PROCESS_NOT_CREATED;
    beforeMessage();
    HandleError(IDS_KX_ERR_CREATE_PROCESS, 0);
    return 1;
  }
  if (endWithHost) {
    if (!AssignToHostJob(started.hProcess))
      WriteDebugLog(L"MWVMLauncher::LaunchEureka : Eureka could not be tied to the host's life");
    ::ResumeThread(started.hThread);
  }
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : Created Eureka process");

  // Only this thread closes the handles while it launches, so it reads them
  // without the lock.
  kx::ComPtr<IDispatch> app;
  bool exited = false;
  std::optional<EurekaLookup> lookup;  // made once for the many looks of a responsive start
  if (responsive) lookup.emplace(static_cast<int>(m_processInfo.dwProcessId));
  for (;;) {
    if (!responsive) ::Sleep(kPollPeriodMs);
    app.Attach(lookup ? lookup->Find()
                      : GetEurekaObjByPID(static_cast<int>(m_processInfo.dwProcessId)));
    DWORD exitCode = 0;  // stays 0, an exit, when the code cannot be read
    ::GetExitCodeProcess(m_processInfo.hProcess, &exitCode);
    if (exitCode != STILL_ACTIVE) {
      WriteDebugLog(L"MWVMLauncher::LaunchEureka : Eureka process exited abruptly");
      outcome.exitCode = exitCode;
      exited = true;
      break;
    }
    if (app) break;
    // Its end is noticed at once.
    if (quitMeanwhile(m_processInfo.hProcess, kResponsivePollMs)) return 0;
  }

  if (modal) modal->End();
  splash.CloseSplash();
  WriteDebugLog(L"MWVMLauncher::LaunchEureka : Splash screen terminated");

  if (app) {
    // A failed version read leaves with the link released and the handles
    // kept, so that the host can still end Eureka.
    outcome.kind = KXVM_OUTCOME_AUTOMATION_FAILED;
    struct LinkReleaser {
      MWVMLauncher& launcher;
      bool keep = false;
      ~LinkReleaser() {
        if (!keep) launcher.ReleaseEurekaApp();
      }
    } releaseLink{*this};
    kx::ComPtr<IEurekaApplicationDisp> found;
    if (SUCCEEDED(app->QueryInterface(IID_IEurekaApplicationDisp, found.ReceiveVoid())) && found) {
      // The link's proxy lives in the multithreaded apartment; this
      // apartment's go while Eureka still answers.
      const auto link = std::make_shared<AutomationLink>(found.Get());
      found.Reset();
      app.Reset();
      auto previous = link;  // a link the host set goes after the lock
      {
        AutoLock hold(m_lock);
        m_pEurekaApp.swap(previous);
      }
      const int version = link->ReadApiVersion();
      {
        AutoLock hold(m_lock);
        m_nApiVersion = version;
      }
      WriteDebugLog(Format(L"MWVMLauncher::LaunchEureka : ApiVersion = %d ", version));
      releaseLink.keep = true;
    }
    app.Reset();
    outcome.kind = KXVM_OUTCOME_STARTED;
  } else if (exited) {
    // Ended before publishing: nothing left to supervise, so the handles go.
    outcome.kind = KXVM_OUTCOME_ENDED_BEFORE_PUBLISHING;
    AutoLock hold(m_lock);
    CloseProcessHandles();
  }
  return 1;
}

std::optional<MWVMLauncher::WaitResult> MWVMLauncher::WaitEureka(DWORD timeoutMs) {
  ScopedHandle process(DuplicateProcessHandle());
  if (!process.IsValid()) return std::nullopt;
  WaitResult result;
  // Not under the lock: a close from another thread ends the process meanwhile.
  if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) return result;
  result.ended = true;
  if (!::GetExitCodeProcess(process.Get(), &result.exitCode)) result.exitCode = 0;
  ReleaseEurekaApp();
  AutoLock hold(m_lock);
  // Unless another start has put a new Eureka's handles there meanwhile.
  if (m_processInfo.dwProcessId == ::GetProcessId(process.Get())) CloseProcessHandles();
  return result;
}

HANDLE MWVMLauncher::DuplicateProcessHandle() const {
  AutoLock hold(m_lock);
  HANDLE copy = nullptr;
  const HANDLE self = ::GetCurrentProcess();
  if (m_processInfo.hProcess)
    ::DuplicateHandle(self, m_processInfo.hProcess, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

void MWVMLauncher::SetOptions(unsigned int options) {
  AutoLock hold(m_lock);
  m_options = options;
}

int MWVMLauncher::CloseAllDocAndExitVM() {
  WriteDebugLog(L"MWVMLauncher::CloseAllDocAndExitVM");
  std::shared_ptr<AutomationLink> link;
  {
    AutoLock hold(m_lock);
    // Only the thread that obtained or set the link speaks through it.
    if (!m_pEurekaApp || !m_pEurekaApp->OnItsThread()) {
      if (m_processInfo.hProcess) ::TerminateProcess(m_processInfo.hProcess, 0);
      return 1;
    }
    link = m_pEurekaApp;
  }
  try {
    link->CloseAllDocumentsAndExit();
  } catch (const _com_error& e) {
    if (!IsUnreachable(e.Error())) throw;  // a failure keeps the link
    // Eureka that cannot be reached through the link is ended by its process.
    AutoLock hold(m_lock);
    if (m_pEurekaApp == link) m_pEurekaApp.reset();
    wchar_t line[160];
    std::swprintf(line, 160,
                  L"MWVMLauncher::CloseAllDocAndExitVM : Eureka cannot be reached through its "
                  L"automation link (0x%08lX), %ls",
                  static_cast<unsigned long>(e.Error()),
                  m_processInfo.hProcess ? L"ending its process" : L"and no process is held");
    WriteDebugLog(line);
    if (!m_processInfo.hProcess) throw;
    ::TerminateProcess(m_processInfo.hProcess, 0);
    return 1;
  }
  AutoLock hold(m_lock);
  if (m_pEurekaApp == link) m_pEurekaApp.reset();
  return 1;
}

void MWVMLauncher::SetDebugMode(KXSeDebugMode mode, int freshLog, std::wstring tag) {
  SetDebugLogMode(mode, freshLog, std::move(tag));
}

void MWVMLauncher::SetEurekaApp(IEurekaApplicationDisp* app) {
  auto link = app ? std::make_shared<AutomationLink>(app) : nullptr;
  AutoLock hold(m_lock);
  std::swap(m_pEurekaApp, link);  // the previous one goes with link, after the lock
}

IDispatch* MWVMLauncher::GetEurekaObjByPID(int processId) {
  return kx::FindEurekaObject(processId);
}

int MWVMLauncher::ManageVMProcess(Outcome& outcome) {
  HANDLE process;
  {
    AutoLock hold(m_lock);
    CloseAndClear(m_processInfo.hThread);
    process = m_processInfo.hProcess;
  }
  if (process) {
    // Not under the lock: CloseAllDocAndExitVM from another thread ends the
    // process through this handle, and the wait returns.
    ::WaitForSingleObject(process, INFINITE);
    if (!::GetExitCodeProcess(process, &outcome.exitCode)) outcome.exitCode = 0;
    AutoLock hold(m_lock);
    CloseAndClear(m_processInfo.hProcess);
  }
  return 1;
}

void MWVMLauncher::ReleaseEurekaApp() {
  std::shared_ptr<AutomationLink> released;  // let go after the lock
  AutoLock hold(m_lock);
  released = std::move(m_pEurekaApp);
}

void MWVMLauncher::CloseProcessHandles() {
  CloseAndClear(m_processInfo.hThread);
  CloseAndClear(m_processInfo.hProcess);
}

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
