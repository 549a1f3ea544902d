// Launches end to end, each in a child process (LaunchEureka blocks, and the
// environment lives once per process), with the real stand-in Eureka.exe.
#include <comdef.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "EurekaAutomation.h"
#include "MWVMLauncher.h"
#include "child_process.h"
#include "files.h"
#include "log_lines.h"
#include "message_box_watcher.h"
#include "process_usage.h"
#include "registry.h"

using namespace kxtest;
using Lines = std::vector<std::string>;

namespace {

constexpr wchar_t kLogName[] = L"KXVirtualMachine.log";
const std::string kL = "MWVMLauncher::LaunchEureka : ";

// A host's own message filter, which a launch must leave in place and ask.
struct HostFilter : IMessageFilter {
  std::atomic<int> asked{0};
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    return *out = this, S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return ~0u; }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return ++asked, PENDINGMSG_WAITDEFPROCESS;
  }
};

// Eureka's interface as a host finds it itself, one reference for the caller.
template <class T, const IID* iid>
using Ptr = _com_ptr_t<_com_IIID<T, iid>>;
IEurekaApplicationDisp* FindEureka(const std::string& pid) {
  Ptr<IRunningObjectTable, &IID_IRunningObjectTable> table;
  Ptr<IMoniker, &IID_IMoniker> moniker;
  Ptr<IUnknown, &IID_IUnknown> object;
  void* app = nullptr;
  ::GetRunningObjectTable(0, &table);
  ::CreateItemMoniker(nullptr, (L"Eureka_PID_" + std::wstring(pid.begin(), pid.end())).c_str(),
                      &moniker);
  if (table && moniker && SUCCEEDED(table->GetObject(moniker, &object)))
    object->QueryInterface(IID_IEurekaApplicationDisp, &app);
  return static_cast<IEurekaApplicationDisp*>(app);
}

// The system clock in ms, as the stand-in records its own moments.
ULONGLONG ClockMs() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return ((ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime) / 10000;
}

// Puts the call's moment and the launch's result, or its COM error, code and text, and whether
// the launch left its apartment on the way out (a fresh entry); false on the error.
template <class F>
bool PutLaunch(ChildReport& report, F launch) {
  report.Put(L"call_at", ClockMs());
  try {
    report.Put(L"result", launch());
    return true;
  } catch (const _com_error& e) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(e.Error()));
    const HRESULT again = ::CoInitialize(nullptr);
    report.Put(L"com_error", code).Put(L"apartment_left", again == S_OK);
    report.Put(L"description", e.Description().length() ? std::wstring(e.Description()) : L"");
    if (SUCCEEDED(again)) ::CoUninitialize();
    return false;
  }
}

// Child: one logged launch; reports what came of it and what another thread
// did meanwhile, as KXT_* options ask.
KX_CHILD_SCENARIO(launch) {
  std::optional<MessageBoxWatcher> boxes;  // KXT_NO_WATCHER: the parent answers
  if (GetEnv(L"KXT_NO_WATCHER") != L"1") boxes.emplace();
  MWVMLauncher launcher;
  launcher.SetDebugMode(KXSeDebugOn, 1, L"LaunchTest");
  ChildReport report, helperReport;
  std::unique_ptr<MWVMLauncher> copy;
  HANDLE eureka = nullptr;
  std::atomic<bool> launched{false};
  // Sleeps the option's time and says whether the option was given.
  auto after = [](const wchar_t* option) {
    const std::wstring ms = GetEnv(option);
    if (!ms.empty()) ::Sleep(_wtoi(ms.c_str()));
    return !ms.empty();
  };
  std::thread helper([&] {
    // Once Eureka has started and recorded its pid ...
    const std::wstring record = GetEnv(L"EUREKA_STANDIN_RECORD");
    std::vector<std::string> pid;
    while (!launched && (pid = ReadReport(record)["pid"]).empty()) ::Sleep(10);
    if (pid.empty()) return;
    eureka = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION,
                           FALSE, std::stoul(pid[0]));
    if (after(L"KXT_SECOND_LAUNCH_AFTER_MS")) {  // ... the launcher is launched again ...
      std::int32_t result = -1, outcome = -1;
      const DWORD start = ::GetTickCount();
      kxvm_launcher_launch(launcher.GetHandle(), &result, &outcome, nullptr);
      helperReport.Put(L"second", result, outcome, ::GetTickCount() - start < 500);
    }
    if (after(L"KXT_COPY_CLOSE_AFTER_MS")) {  // ... a copy made here ends it ...
      copy = std::make_unique<MWVMLauncher>(launcher);
      copy->CloseAllDocAndExitVM();
    }
    if (after(L"KXT_COPY_AFTER_MS")) copy = std::make_unique<MWVMLauncher>(launcher);
    if (after(L"KXT_LINKED_CLOSE_AFTER_MS")) {  // ... a copy linked here, in a host's
      ::CoInitialize(nullptr);                  // apartment with its filter, ends it ...
      HostFilter filter;
      ::CoRegisterMessageFilter(&filter, nullptr);
      IEurekaApplicationDisp* app = FindEureka(pid[0]);
      copy = std::make_unique<MWVMLauncher>(launcher);
      copy->SetEurekaApp(app);
      ::PostThreadMessageW(::GetCurrentThreadId(), WM_USER, 0, 0);  // pending during the call
      copy->CloseAllDocAndExitVM();
      helperReport.Put(L"host_filter_asked", filter.asked > 0);
      ::WaitForSingleObject(eureka, 5000);
      if (app) app->Release();
      ::CoRegisterMessageFilter(nullptr, nullptr);
      ::CoUninitialize();
    }
    if (after(L"KXT_READ_LOG_AFTER_MS")) {  // ... the log is read meanwhile ...
      const std::wstring result = GetEnv(L"KXT_RESULT");
      const Lines log = LogMessages(result.substr(0, result.rfind(L'\\') + 1) + kLogName);
      helperReport.Put(L"log_during",
                       log.empty() ? L"" : std::wstring(log.back().begin(), log.back().end()));
    }
    if (after(L"KXT_CLOSE_AFTER_MS")) launcher.CloseAllDocAndExitVM();  // ... or it ends it.
  });
  HostFilter hostFilter;
  const bool hostFilterSet = GetEnv(L"KXT_HOST_FILTER") == L"1";
  if (hostFilterSet) {
    ::CoInitialize(nullptr);
    ::CoRegisterMessageFilter(&hostFilter, nullptr);
  }
  const bool failed = !PutLaunch(report, [&] { return launcher.LaunchEureka(); });
  launched = true;
  helper.join();
  // The handles are kept for this; a copy made meanwhile holds them too.
  if (failed) (copy ? *copy : launcher).CloseAllDocAndExitVM();
  report.Put(L"outcome", static_cast<int>(launcher.LastOutcome()), launcher.LastExitCode());
  report.text += helperReport.text;
  if (hostFilterSet) {
    IMessageFilter* current = nullptr;
    ::CoRegisterMessageFilter(nullptr, &current);
    report.Put(L"host_filter_back", current == &hostFilter);
    ::CoUninitialize();
  }
  if (copy && GetEnv(L"KXT_COPY_KEPT") == L"1") {
    // A process started now may get the values of the handles the launch closed.
    StartedProcess other(ProgramFolder() + L"Eureka.exe", L"-langeng",
                         {L"EUREKA_STANDIN_WINDOW=0", L"EUREKA_STANDIN_RECORD=",
                          L"EUREKA_STANDIN_PUBLISH_DELAY_MS=never"});
    copy->CloseAllDocAndExitVM();
    report.Put(L"other_running", other.ExitCode(500) == STILL_ACTIVE);
    other.Terminate();
  }
  DWORD code = 0;
  if (eureka && ::WaitForSingleObject(eureka, 5000) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(eureka, &code))
    report.Put(L"eureka_exit", code);
  if (eureka) ::CloseHandle(eureka);
  for (const std::wstring& text : boxes ? boxes->Texts() : std::vector<std::wstring>{})
    report.Put(L"box", text);
  copy.reset();  // a fault here loses the report
  report.Write();
  return 0;
}

// --- a responsive start, and a host that supervises by itself

std::atomic<ULONGLONG> g_probeHandled{0};
LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) g_probeHandled = ::GetTickCount64();
  return ::DefWindowProcW(hwnd, message, w, l);
}

// Child: a host window on this thread, a responsive launch (KXT_MODE=start:
// a start and the host's own supervision), and a thread that probes the
// window and looks at the splash meanwhile: a probe is answered when its
// posted message is handled and a sent WM_NULL returns, each within 200 ms.
KX_CHILD_SCENARIO(responsive) {
  const WNDCLASSW windowClass{.lpfnWndProc = HostWindowProc, .lpszClassName = L"KXTHost"};
  ::RegisterClassW(&windowClass);
  const HWND owner = ::CreateWindowExW(0, L"KXTHost", L"CAD", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                       0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  ChildReport report;
  std::wstring boxes;
  // A box comes once the splash is gone (and its owner, usable again, is the box's).
  const MessageBoxWatcher watcher([&](const std::wstring& text, const std::wstring&) {
    const bool splash = ::FindWindowW(nullptr, L"Kalvex Virtual Machine") != nullptr;
    boxes += std::to_wstring(splash) + L" " + text.substr(0, 9) + L";";
  });
  MWVMLauncher launcher;
  launcher.SetDebugMode(KXSeDebugOn, 1, L"LaunchTest");
  launcher.SetLaunchOptions(
      KXVM_LAUNCH_RESPONSIVE |
      (GetEnv(L"KXT_END_WITH_HOST") == L"1" ? KXVM_LAUNCH_END_WITH_HOST : 0u));
  const DWORD thread = ::GetCurrentThreadId();
  std::atomic<bool> starting{true};
  int sent = 0, disabled = 0, topmost = 0, dotsMoved = 0;
  std::wstring firstLook, late;
  std::thread prober([&] {
    while (starting) {
      if (const HWND splash = ::FindWindowW(nullptr, L"Kalvex Virtual Machine")) {
        disabled |= !::IsWindowEnabled(owner);
        topmost |= (::GetWindowLongW(splash, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        std::wstring look;  // the text's row and the dots after it
        const HDC dc = ::GetDC(splash);
        for (int x = 100; x < 700; x += 3) look += std::to_wstring(::GetPixel(dc, x, 236));
        ::ReleaseDC(splash, dc);
        if (firstLook.empty()) firstLook = look;
        dotsMoved |= look != firstLook;
      }
      if (GetEnv(L"KXT_QUIT") == L"1" && sent == 5) ::PostThreadMessageW(thread, WM_QUIT, 7, 0);
      const ULONGLONG posted = ::GetTickCount64();
      ::PostMessageW(owner, WM_APP, 0, 0);
      DWORD_PTR r = 0;
      const bool returned = ::SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_NORMAL, 200, &r) != 0;
      ::Sleep(100);
      if (!starting) break;  // only probes the start had to answer
      ++sent;
      const ULONGLONG handled = g_probeHandled;
      if (!returned || handled < posted || handled - posted > 200)  // unanswered
        late += std::to_wstring(handled - posted) + L" ";
    }
  });
  PutLaunch(report, [&] {
    return GetEnv(L"KXT_MODE") == L"start" ? launcher.StartEureka() : launcher.LaunchEureka();
  });
  report.Put(L"ready_at", ClockMs());
  starting = false;
  prober.join();
  MSG quit;
  report.Put(L"quit_again", ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  report.Put(L"outcome", static_cast<int>(launcher.LastOutcome()));
  report.Put(L"probes", sent).Put(L"late", late).Put(L"boxes", boxes);
  report.Put(L"owner", disabled, ::IsWindowEnabled(owner)).Put(L"splash", topmost, dotsMoved);
  if (launcher.LastOutcome() == KXLaunchOutcome::Started) {
    if (GetEnv(L"KXT_HANG") == L"1") ::Sleep(INFINITE);  // till the parent kills this host
    const HANDLE process = launcher.DuplicateProcessHandle();
    report.Put(L"poll", launcher.WaitEureka(0));
    // The host waits; another thread's close ends Eureka meanwhile.
    std::thread closer([&] { ::Sleep(300), launcher.CloseAllDocAndExitVM(); });
    const bool ended = launcher.WaitEureka(INFINITE);
    report.Put(L"ended", ended, launcher.LastExitCode(),
               ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0);
    closer.join();
    ::CloseHandle(process);
    report.Put(L"after", launcher.WaitEureka(0), launcher.DuplicateProcessHandle() == nullptr);
  }
  report.Write();
  return 0;
}

// --- twenty launches, two at a time, that end badly keep no handle and no memory

// One launch of the kind: 0 exits before publishing, 1 crashes, 2 ends while
// polled, 3 fails its version read. 0 when it went as the kind says.
int LaunchOfKind(int kind) {
  MWVMLauncher launcher;
  launcher.SetDebugMode(KXSeDebugOn, 0, L"series");
  try {
    return launcher.LaunchEureka() == 1 && kind != 3 ? 0 : 1;
  } catch (const _com_error& e) {
    return kind == 3 && e.Error() == DISP_E_EXCEPTION ? 0 : 1;
  }
}

// Child: ten rounds of two launches on two threads; reports usage.
KX_CHILD_SCENARIO(launch_series) {
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");
  Usage first, last;
  std::atomic<int> failures{0};
  // Wine's COM runtime grows over the first calls out: a first round is not counted.
  for (int round = -1; round < 10; ++round) {
    const int kind = round < 0 ? 1 : (round + 3) % 4;  // 3, 0, 1, 2, 3, ...
    const std::pair<const wchar_t*, const wchar_t*> options[] = {
        {L"PUBLISH_DELAY_MS", kind == 0 || kind == 2 ? L"never" : L"0"},
        {L"EXIT_AFTER_MS", kind == 0   ? L"200"
                           : kind == 2 ? L"1500"
                                       : nullptr},
        {L"CRASH_AFTER_MS", kind == 1 ? L"1500" : nullptr},
        {L"API_VERSION", kind == 3 ? L"exception" : nullptr},
        {L"LIFETIME_MS", kind == 3 ? L"1500" : nullptr}};
    for (const auto& [name, value] : options)
      ::SetEnvironmentVariableW((L"EUREKA_STANDIN_" + std::wstring(name)).c_str(), value);
    std::thread pair[2];
    for (std::thread& host : pair) host = std::thread([&] { failures += LaunchOfKind(kind); });
    for (std::thread& host : pair) host.join();
    // Memory after rounds that reach no object (Wine holds ~3 MB after one that does); handles
    // after the first failures (Wine keeps one or two) and at the end, where a leak still is.
    if (round < 0) continue;
    const Usage now = MeasureUsage();
    if (round == 3) first.handles = now.handles;
    if (round == 9) last.handles = now.handles;
    if (kind == 2 && first.privateBytes == 0) first.privateBytes = now.privateBytes;
    if (kind == 2) last.privateBytes = std::max(last.privateBytes, now.privateBytes);
  }
  ChildReport()
      .Put(L"usage", failures.load(), first.handles, last.handles, first.privateBytes,
           last.privateBytes)
      .Write();
  return 0;
}

// The product installed: data folder, debug key, Eureka named by the vendor key.
class Launch : public testing::Test {
 protected:
  void SetUp() override {
    SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data_.Path());
    CreateKey(HKEY_CURRENT_USER, kDebugKey);
    CopyFileTo(ProgramFolder() + L"Eureka.exe", sim_.Path() + L"Eureka.exe");
    SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", sim_.Path());
    SetString(HKEY_CURRENT_USER, kProductKey, L"Language", L"German");
  }

  std::wstring ExePath() const { return sim_.Path() + L"Eureka.exe"; }
  std::wstring RecordPath() const { return data_.Path() + L"eureka-record.txt"; }
  std::wstring LogFile() const { return data_.Path() + kLogName; }
  Report Record() const { return ReadReport(RecordPath()); }

  // Runs one launch in a child; stand-in options are EUREKA_STANDIN_* values.
  Report Run(std::vector<std::wstring> options = {}, DWORD timeoutMs = 60000,
             const std::wstring& program = {}, const char* scenario = "launch") {
    ::DeleteFileW(RecordPath().c_str());
    const std::wstring result = data_.Path() + L"launch-result.txt";
    ::DeleteFileW(result.c_str());
    std::vector<std::wstring> env = {L"KXT_RESULT=" + result,
                                     L"EUREKA_STANDIN_RECORD=" + RecordPath(),
                                     L"EUREKA_STANDIN_LIFETIME_MS=1500"};
    for (auto& o : options) {
      const std::wstring entry = o.starts_with(L"KX") ? o : L"EUREKA_STANDIN_" + o;
      // An option replaces a default; an empty one only removes it.
      std::erase_if(env, [&](const std::wstring& e) {
        return e.substr(0, e.find(L'=')) == entry.substr(0, entry.find(L'='));
      });
      if (entry.back() != L'=') env.push_back(entry);
    }
    lastRun_ = RunChildScenario(scenario, timeoutMs, env, program.empty() ? SelfPath() : program);
    return ReadReport(result);
  }

  Lines Messages() const { return LogMessages(LogFile()); }
  // The log of a launch that went well, and of a close after it when closed.
  Lines LaunchLog(bool closed = false) const {
    const std::string cu = "HKEY_CURRENT_USER\\" + Narrow(kProductKey);
    const Lines locate = {
        "CKXSolidsApp::LocateEureka", "CKXSolidsApp::GetKXEurekaPath", "Successful Open " + cu,
        "GetKXEurekaPath : failed to access registry value " + cu + "\\EurekaExePath",
        "LocateEureka : " + Narrow(sim_.Path())};
    Lines log = locate;
    log.push_back(kL + "Trying to locate Eureka");
    log.insert(log.end(), locate.begin(), locate.end());
    log.insert(log.end(), {kL + "checking for Eureka.exe at location", Narrow(ExePath()),
                           kL + "Created Eureka process", kL + "Splash screen terminated",
                           kL + "ApiVersion = 42 "});
    if (closed) log.push_back("MWVMLauncher::CloseAllDocAndExitVM");
    return log;
  }
  // A moment reported; thrown (a failure) when missing.
  static long long At(const Lines& moment) { return std::stoll(moment.at(0)); }

  ScopedRegistryTrees trees_ = ProductTrees();
  TempFolder data_{L"launch data"}, sim_{L"Sim A"};
  ChildResult lastRun_;
};

}  // namespace

TEST_F(Launch, SuccessfulLaunchLogsEveryStepAndStartsEurekaInTheUsersLanguage) {
  EXPECT_EQ(Pick(Run(), {"result", "box", "outcome"}), (Lines{"result=1", "outcome=5 0"}));
  ASSERT_TRUE(lastRun_.finished);
  // Unquoted despite the blank, the code right after -lang; the host's folder; ended by itself
  // (supervised).
  wchar_t cwd[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, cwd);
  EXPECT_EQ(
      Pick(Record(), {"commandline", "cwd", "exit"}),
      (Lines{"commandline=" + Narrow(ExePath()) + " -langdeu", "cwd=" + Narrow(cwd), "exit=0"}));

  EXPECT_EQ(Messages(), LaunchLog());
}

TEST_F(Launch, SplashThenFirstLookupAfterOneSecondAndTheVersionIsReadThroughEurekasInterface) {
  // The splash's full 2.5 s between the call and Eureka's start; published at
  // once, found only after the first full second.
  auto result = Run({L"API_VERSION=i2:7"});
  EXPECT_EQ(result["result"], Lines{"1"});
  const auto lines = ReadLines(LogFile());
  auto timeOf = [&lines](const std::string& message) {
    for (const auto& line : lines)
      if (const LogLine l = ParseLogLine(line); l.message == message)
        return ((l.hour * 60 + l.minute) * 60 + l.second) * 1000 + l.millisecond;
    return -1;
  };
  const long long splash = At(Record()["started_at"]) - At(result["call_at"]);
  EXPECT_TRUE(splash >= 2500 && splash < 3500) << splash;
  const int created = timeOf(kL + "Created Eureka process");
  const int found = timeOf(kL + "Splash screen terminated");
  ASSERT_TRUE(created >= 0 && found >= 0);
  const int gap = (found - created + 86400000) % 86400000;
  EXPECT_TRUE(gap >= 1000 && gap < 1900) << gap;
  EXPECT_EQ(Tail(Messages(), 1), Lines{kL + "ApiVersion = 7 "});

  // Without Eureka's interface: no version read (not through IDispatch), supervised.
  EXPECT_EQ(Pick(Run({L"INTERFACE_QI=nointerface"}), {"outcome"}), Lines{"outcome=5 0"});
  EXPECT_TRUE(Record()["ApiVersion"].empty());
  EXPECT_EQ(Tail(Messages(), 1), Lines{kL + "Splash screen terminated"});
}

TEST_F(Launch, VersionThatCannotBeReadReachesTheHostAsComError) {
  EXPECT_EQ(Pick(Run({L"API_VERSION=bstr:abc"}), {"com_error", "apartment_left", "result"}),
            (Lines{"com_error=0x80020005", "apartment_left=1"}));  // DISP_E_TYPEMISMATCH

  // Eureka's text travels, its fill-in address is not called, the handles stay.
  auto result = Run({L"API_VERSION=exception", L"EXCEPTION_FILL_IN=0x4141414141", L"LIFETIME_MS="});
  EXPECT_EQ(Pick(result, {"com_error", "description", "apartment_left", "outcome", "eureka_exit"}),
            (Lines{"com_error=0x80020009", "description=The interface version is not available",
                   "apartment_left=1", "outcome=6 0", "eureka_exit=0"}));
  EXPECT_TRUE(Record()["exit"].empty());  // ended from outside, not by itself
  EXPECT_EQ(Tail(Messages(), 2),
            (Lines{kL + "Splash screen terminated", "MWVMLauncher::CloseAllDocAndExitVM"}));
}

TEST_F(Launch, ABusyEurekaIsAskedAgainForUpToTenSecondsASilentOneGivenUpAtTheDeadline) {
  // Busy for 2 s, answering "retry later" itself: read once it answers, the
  // busy line written once for the call; the host's message filter is back.
  auto result =
      Run({L"BUSY_MS=2000", L"BUSY_ANSWER=retrylater", L"LIFETIME_MS=4000", L"KXT_HOST_FILTER=1"});
  EXPECT_EQ(result["outcome"], Lines{"5 0"});
  EXPECT_EQ(result["host_filter_back"], Lines{"1"});
  const Lines busy = Record()["busy"];
  EXPECT_TRUE(busy.size() > 1 && busy[0] == "retry later") << busy.size();
  const std::string busyLine =
      "ApiVersion : Eureka is busy, asking again every 250 ms for up to 10 s";
  const Lines all = Messages();
  EXPECT_EQ(std::count(all.begin(), all.end(), busyLine), 1);
  Lines tail = Tail(all, 3);
  if (tail.size() == 3) tail[1].resize(std::min<size_t>(tail[1].size(), 35));  // then its time
  EXPECT_EQ(tail,
            (Lines{busyLine, "ApiVersion : Eureka answered after ", kL + "ApiVersion = 42 "}));

  // Busy for longer: after 10 s the rejection reaches the host. A copy made
  // meanwhile on another thread holds the link, which still reaches Eureka
  // from the launching thread once the launch has left its apartment.
  result = Run({L"BUSY_MS=12000", L"LIFETIME_MS=", L"KXT_COPY_AFTER_MS=2000"});
  EXPECT_EQ(result["com_error"], Lines{"0x80010001"});  // RPC_E_CALL_REJECTED
  EXPECT_EQ(result["apartment_left"], Lines{"1"});
  EXPECT_EQ(Record()["exit"], Lines{"0"});  // asked to close, it ended by itself
  const auto givenUp = [](const std::string& l) {
    return l.starts_with("ApiVersion : Eureka still busy after ") && l.ends_with(" ms, giving up");
  };
  EXPECT_EQ(std::ranges::count_if(Messages(), givenUp), 1);

  // ApiVersion never answered: cancelled at the deadline, the link given up;
  // a copy made meanwhile on another thread then ends Eureka by its process.
  const std::wstring deadline = L"KXVM_TEST_CALL_DEADLINE_MS=2500";
  result = Run({L"SILENT_IN=ApiVersion", L"LIFETIME_MS=", deadline, L"KXT_COPY_AFTER_MS=2000"});
  EXPECT_EQ(Pick(result, {"com_error", "outcome", "eureka_exit"}),  // RPC_E_CALL_CANCELED
            (Lines{"com_error=0x80010002", "outcome=6 0", "eureka_exit=0"}));
  const std::string close = "MWVMLauncher::CloseAllDocAndExitVM";
  const std::string unreachable = " : Eureka cannot be reached through its automation link (0x8";
  EXPECT_EQ(Tail(Messages(), 3),
            (Lines{"ApiVersion : Eureka gave no answer within 2500 ms, call cancelled", close,
                   close + unreachable + "00401FD), ending its process"}));

  // Silent in CloseAllDocumentsAndExit, through a link a host thread set: the
  // host's own filter is asked meanwhile, the deadline cancels, the process ends.
  result = Run({L"SILENT_IN=CloseAllDocumentsAndExit", L"LIFETIME_MS=", deadline,
                L"KXT_LINKED_CLOSE_AFTER_MS=2000"});
  EXPECT_EQ(Pick(result, {"outcome", "host_filter_asked"}),
            (Lines{"outcome=5 0", "host_filter_asked=1"}));
  EXPECT_EQ(Record()["CloseAllDocumentsAndExit"].size(), 1u);
  EXPECT_TRUE(Record()["exit"].empty());
  EXPECT_EQ(Tail(Messages(), 3),
            (Lines{close,
                   "CloseAllDocumentsAndExit : Eureka gave no answer within 2500 ms, call "
                   "cancelled",
                   close + unreachable + "0010002), ending its process"}));
}

TEST_F(Launch, PollingFindsOnlyItsOwnPidQueriesOneFoundAsItEndsAndTakesExitCode259ForRunning) {
  // Another Eureka has published under its own pid before the launch; a launcher's copy ends
  // ours (exit code 0: TerminateProcess(..., 0)).
  const std::wstring published = data_.Path() + L"other.txt";
  StartedProcess other(ProgramFolder() + L"Eureka.exe", L"-langeng",
                       {L"EUREKA_STANDIN_WINDOW=0", L"EUREKA_STANDIN_RECORD=" + published});
  for (int i = 0; i < 1000 && ReadReport(published)["published"].empty(); ++i) ::Sleep(10);
  ASSERT_FALSE(ReadReport(published)["published"].empty());
  auto result = Run({L"PUBLISH_DELAY_MS=never", L"LIFETIME_MS=", L"KXT_COPY_CLOSE_AFTER_MS=2600"});
  other.Terminate();
  EXPECT_EQ(Pick(result, {"result", "eureka_exit"}), (Lines{"result=1", "eureka_exit=0"}));
  EXPECT_EQ(Tail(Messages(), 4),
            (Lines{kL + "Created Eureka process", "MWVMLauncher::CloseAllDocAndExitVM",
                   kL + "Eureka process exited abruptly", kL + "Splash screen terminated"}));

  // Another copy publishes under the launched one's pid, which ends at once: still queried and
  // supervised.
  EXPECT_EQ(Run({L"PUBLISH_DELAY_MS=never", L"HAND_OVER=1"})["result"], Lines{"1"});
  EXPECT_EQ(Tail(Messages(), 3), (Lines{kL + "Eureka process exited abruptly",
                                        kL + "Splash screen terminated", kL + "ApiVersion = 42 "}));

  // Exits at once with STILL_ACTIVE as its code: the launch keeps polling.
  Run({L"PUBLISH_DELAY_MS=never", L"EXIT_AFTER_MS=100", L"EXIT_CODE=259"}, 4500);
  EXPECT_FALSE(lastRun_.finished);
  EXPECT_EQ(Record()["exit"], Lines{"259"});
  EXPECT_EQ(Tail(Messages(), 1), Lines{kL + "Created Eureka process"});
}

TEST_F(Launch, OtherThreadsCanEndButNotRelaunchOrDisturbALaunch) {
  // From another thread: a second launch is refused at once, the log already
  // holds every line, and the close ends Eureka by its process (no link held).
  auto result = Run({L"LIFETIME_MS=", L"KXT_SECOND_LAUNCH_AFTER_MS=500",
                     L"KXT_READ_LOG_AFTER_MS=4500", L"KXT_CLOSE_AFTER_MS=1000"});
  EXPECT_EQ(
      Pick(result, {"second", "log_during", "result", "outcome", "box"}),
      (Lines{"second=0 7 1", "log_during=" + kL + "ApiVersion = 42 ", "result=1", "outcome=5 0"}));
  EXPECT_EQ(Pick(Record(), {"CloseAllDocumentsAndExit", "exit"}), Lines{});
  EXPECT_EQ(std::ranges::count(Messages(), kL + "A launch is already running on this launcher"), 1);

  // A copy made meanwhile does so too, through duplicates of its own.
  result = Run({L"LIFETIME_MS=", L"KXT_COPY_CLOSE_AFTER_MS=5000", L"KXT_COPY_KEPT=1"});
  EXPECT_EQ(Pick(result, {"outcome", "other_running"}), (Lines{"outcome=5 0", "other_running=1"}));
  EXPECT_TRUE(Record()["CloseAllDocumentsAndExit"].empty());
}

// VMLauncher.exe, four at once: the status says what came of it, with a reason.
TEST_F(Launch, VMLauncherExitStatusSaysWhatHappened) {
  const struct {
    std::vector<std::wstring> options;
    DWORD status;
    std::string reason;
  } runs[] = {
      {{L"LIFETIME_MS=1500"}, 0, ""},
      {{L"LIFETIME_MS=1500", L"EXIT_CODE=5"},
       4,
       "the Kalvex Virtual Machine ended with exit code 5"},
      {{L"API_VERSION=exception", L"LIFETIME_MS=1500"},
       3,
       "Kalvex Virtual Machine automation call failed: 0x80020009 The interface version is not "
       "available"},
      {{L"PUBLISH_DELAY_MS=never", L"EXIT_AFTER_MS=200", L"EXIT_CODE=4"},
       1,
       "not started: Eureka ended with exit code 4 before publishing its automation object"}};
  std::vector<std::unique_ptr<StartedProcess>> hosts;
  for (size_t i = 0; i < std::size(runs); ++i) {
    std::vector<std::wstring> env;
    for (const auto& option : runs[i].options) env.push_back(L"EUREKA_STANDIN_" + option);
    hosts.push_back(std::make_unique<StartedProcess>(ProgramFolder() + L"VMLauncher.exe", L"", env,
                                                     data_.Path() + L"out" + std::to_wstring(i)));
  }
  for (size_t i = 0; i < std::size(runs); ++i) {
    EXPECT_EQ(hosts[i]->ExitCode(60000), runs[i].status) << i;
    // Ready (the first two) is said before the end.
    std::string out = ReadFileBytes(data_.Path() + L"out" + std::to_wstring(i));
    const std::string ready = "VMLauncher: the Kalvex Virtual Machine was ready after ";
    const bool said = out.rfind(ready, 0) == 0;
    if (said) out.erase(0, out.find('\n') + 1);
    EXPECT_EQ(said, i < 2) << i;
    EXPECT_EQ(out, runs[i].reason.empty() ? "" : "VMLauncher: " + runs[i].reason + "\n");
  }
}

// Each way not to start, for a host and VMLauncher.exe side by side: message,
// two log lines, result, status and reason.
TEST_F(Launch, EachFailureToStartHasItsMessageResultAndExitStatus) {
  const MessageBoxWatcher boxes({}, true);  // both processes' boxes
  TempFolder bare(L"bare install");
  const struct {
    std::string result, resource, reason;
    std::wstring text;
  } cases[] = {
      {"0", "1030", "Eureka.exe is missing where it was located (Error 214)",
       L"Error 214 :\n\nUnable to start Kalvex Virtual Machine - program not found at installed "
       L"location.\nTry reinstalling Kalvex Virtual Machine or contact your reseller.\n"},
      {"1", "1024", "the Eureka process could not be created (Error 204)",
       L"Error 204 :\n\nUnable to start Kalvex Virtual Machine process.\n"},
      {"0", "1023", "Eureka.exe was not located (Error 203)",
       L"Error 203 :\n\nUnable to start Kalvex Virtual Machine. Program not found at installed "
       L"location.\n"}};
  std::vector<std::wstring> texts;
  for (const auto& c : cases) {
    std::wstring host = SelfPath(), tool = ProgramFolder() + L"VMLauncher.exe";
    if (c.resource == "1030") ::DeleteFileW(ExePath().c_str());  // where the vendor key points
    if (c.resource == "1024") WriteFileBytes(ExePath(), "not a program");  // still result 1
    if (c.resource == "1023") {  // no vendor key and nothing beside the library
      DeleteTree(HKEY_LOCAL_MACHINE, kVendorKey);
      CopyFileTo(host, bare.Path() + L"host.exe");
      CopyFileTo(tool, bare.Path() + L"VMLauncher.exe");
      CopyFileTo(ProgramFolder() + kLibrary, bare.Path() + kLibrary);
      host = bare.Path() + L"host.exe", tool = bare.Path() + L"VMLauncher.exe";
    }
    // A file per run: Wine's desktop process, started by the first window, may inherit it.
    const std::wstring out = data_.Path() + L"out" + std::to_wstring(&c - cases);
    StartedProcess toolRun(tool, L"--debug off", {}, out);  // logs nothing
    EXPECT_EQ(Run({L"KXT_NO_WATCHER=1"}, 60000, host)["result"], Lines{c.result});
    EXPECT_EQ(toolRun.ExitCode(60000), 1u);
    EXPECT_EQ(ReadFileBytes(out), "VMLauncher: not started: " + c.reason + "\n");
    // Logged once each; the message's line feeds become CR LF.
    std::string message = "   : ";
    for (const wchar_t ch : c.text) message += ch == L'\n' ? "\r\n" : std::string(1, char(ch));
    const std::string log = ReadFileBytes(LogFile());
    for (const std::string& line : {"   : MWVMLauncher::HandleError : Error resource ID : " +
                                        c.resource + "   And Exit VM = 0\r\n LaunchTest : 2",
                                    message})
      EXPECT_TRUE(log.find(line) != std::string::npos && log.find(line) == log.rfind(line)) << line;
    texts.insert(texts.end(), 2, c.text);
  }
  EXPECT_EQ(boxes.Texts(), texts);
}

TEST_F(Launch, NoLogFaultStopsTheLaunchAndPathsBeyondAsciiOrWithBlanksWork) {
  // No log in a data folder that is not there (and is not made): it goes on.
  const std::wstring missing = data_.Path() + L"missing\\";
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", missing);
  EXPECT_EQ(Run()["result"], Lines{"1"});
  EXPECT_FALSE(FileExists(missing));

  // Folders beyond ASCII, logged with '?' where the code page has none.
  TempFolder data(L"Donn\u00e9es \u00c4 \u6570\u636e"), elsewhere(L"Simulaci\u00f3n \u6570\u636e");
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data.Path());
  SetString(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath", elsewhere.Path());
  EXPECT_EQ(Run()["result"], Lines{"1"});
  const auto lines = ReadLines(data.Path() + kLogName);
  ASSERT_GE(lines.size(), 4u);
  for (const std::string& line : lines) EXPECT_TRUE(ParseLogLine(line).wellFormed) << line;
  EXPECT_EQ(ParseLogLine(lines[3]).message.substr(0, 56),
            "LocateEureka : failed to findFileData C:\\kxtest\\Simulaci");
  EXPECT_EQ(ParseLogLine(lines.back()).message, kL + "ApiVersion = 42 ");

  // Unquoted, C:\Program Files\... could start a planted C:\Program.exe.
  const std::wstring folder =
      L"C:\\Program Files\\Kalvex Sim " + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  CreateFolders(folder);
  CopyFileTo(ProgramFolder() + L"Eureka.exe", folder + L"Eureka.exe");
  CopyFileTo(ProgramFolder() + L"Eureka.exe", L"C:\\Program.exe");
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", folder);
  auto result = Run();
  ::DeleteFileW(L"C:\\Program.exe");
  RemoveTree(folder);
  EXPECT_EQ(result["result"], Lines{"1"});
  EXPECT_EQ(Record()["module"], Lines{Narrow(folder) + "Eureka.exe"});
  EXPECT_EQ(Record()["commandline"], Lines{Narrow(folder) + "Eureka.exe -langdeu"});
}

// On request, ready as soon as Eureka is: started at once, found within a poll of its publishing,
// the host's window answering all the while and the splash's dots moving, the same log; then
// supervised by the host itself. Every other way out ends well, and Eureka ends with its host.
TEST_F(Launch, ResponsiveStartIsReadyWithEurekaAndTheHostKeepsPaintingAndEndsWellEveryOtherWay) {
  auto run = [this](std::vector<std::wstring> options, DWORD timeoutMs = 60000) {
    return Run(std::move(options), timeoutMs, {}, "responsive");
  };
  auto result = run({L"KXT_MODE=start", L"PUBLISH_DELAY_MS=2000", L"LIFETIME_MS="});
  // No probe late; the owner disabled during the start, enabled after; the splash not topmost,
  // its dots moving.
  EXPECT_EQ(
      Pick(result, {"result", "outcome", "late", "owner", "splash", "poll", "ended", "after"}),
      (Lines{"result=1", "outcome=9", "late=", "owner=1 1", "splash=0 1", "poll=0", "ended=1 0 1",
             "after=1 1"}));
  EXPECT_GE(At(result["probes"]), 10);
  EXPECT_LT(At(Record()["started_at"]) - At(result["call_at"]), 1000);
  const long long ready = At(result["ready_at"]) - At(Record()["published_at"]);
  EXPECT_TRUE(ready >= 0 && ready <= 300) << ready;
  EXPECT_EQ(Messages(), LaunchLog(true));

  // An early end, a message box (its owner usable meanwhile), a failed version read, the host
  // quitting.
  ::DeleteFileW(ExePath().c_str());  // while no Eureka runs from there
  result = run({});
  EXPECT_EQ(result["boxes"], Lines{"0 Error 214;"});
  EXPECT_EQ(result["owner"].at(0).back(), '1');
  CopyFileTo(ProgramFolder() + L"Eureka.exe", ExePath());
  result = run({L"PUBLISH_DELAY_MS=never", L"EXIT_AFTER_MS=300"});
  EXPECT_EQ(Pick(result, {"outcome", "owner"}), (Lines{"outcome=4", "owner=1 1"}));
  EXPECT_LT(At(result["ready_at"]) - At(result["call_at"]), 1500);
  EXPECT_EQ(Pick(run({L"API_VERSION=exception"}), {"com_error", "owner"}),
            (Lines{"com_error=0x80020009", "owner=1 1"}));
  EXPECT_EQ(Pick(run({L"KXT_QUIT=1", L"PUBLISH_DELAY_MS=never", L"EXIT_AFTER_MS=3000"}),
                 {"result", "outcome", "quit_again", "owner"}),
            (Lines{"result=0", "outcome=10", "quit_again=1", "owner=1 1"}));

  // On request, Eureka ends with its host, also with one that is killed.
  run({L"KXT_MODE=start", L"KXT_HANG=1", L"KXT_END_WITH_HOST=1", L"LIFETIME_MS="}, 5000);
  EXPECT_FALSE(lastRun_.finished);
  const Lines pid = Record()["pid"];
  ASSERT_FALSE(pid.empty());
  const HANDLE eureka = ::OpenProcess(SYNCHRONIZE, FALSE, std::stoul(pid[0]));
  EXPECT_TRUE(!eureka || ::WaitForSingleObject(eureka, 5000) == WAIT_OBJECT_0);
  if (eureka) ::CloseHandle(eureka);
}

// Its own CTest entry (tests/CMakeLists.txt), side by side with the rest.
TEST_F(Launch, TwentyBadEndingsLeakNoHandleAndNoMemory) {
  const std::wstring result = data_.Path() + L"series.txt";
  ASSERT_TRUE(RunChildScenario("launch_series", 300000, {L"KXT_RESULT=" + result}).finished);
  int failures = -1;
  unsigned long handles[2] = {}, memory[2] = {};
  ASSERT_EQ(std::sscanf(ReadFileBytes(result).c_str(), "usage=%d %lu %lu %lu %lu", &failures,
                        &handles[0], &handles[1], &memory[0], &memory[1]),
            5);
  EXPECT_EQ(failures, 0);
  EXPECT_GT(handles[0], 0u);
  EXPECT_LE(handles[1], handles[0] + 2) << "most handles after a later launch";
  EXPECT_LE(memory[1], memory[0] + 256 * 1024) << "most private bytes after a later launch";
}
