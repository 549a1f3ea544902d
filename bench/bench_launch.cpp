// What a launch costs beyond its fixed waits, against a minimal program that
// starts the same stand-in, polls the Running Object Table once a second and
// waits for the process: wall time, exit detection, CPU over a supervision.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "MWVMLauncher.h"
#include "bench_common.h"

namespace {

constexpr double kSplashMs = 2500;
const wchar_t kEureka[] = L"C:\\bench\\Sim A\\Eureka.exe";
const wchar_t kRecord[] = L"C:\\bench\\data\\record.txt";

// Waits for the stand-in's pid in its record file, then for its end; gives
// the moment it ended, as seen by a thread that does nothing else.
class ExitWatcher {
 public:
  ExitWatcher() : thread_([this] { Run(); }) {}
  ~ExitWatcher() { thread_.join(); }
  double ExitMs() const { return exitMs_; }
  // Process CPU at Eureka's end, and 1.5 s after it published (when the
  // launcher has found it and waits), with the time between.
  double CpuAtExit() const { return cpuAtExit_; }
  double CpuWhileWaiting() const { return cpuWaiting_; }
  double WaitingFromMs() const { return waitingFromMs_; }

 private:
  void Run() {
    const double start = bench::NowMs();
    while (bench::NowMs() - start < 60000) {
      if (const DWORD pid = PidFromRecord()) {
        HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!process) return;
        while (!Published() && ::WaitForSingleObject(process, 5) == WAIT_TIMEOUT) {
        }
        if (::WaitForSingleObject(process, 1500) == WAIT_TIMEOUT) {
          waitingFromMs_ = bench::NowMs();
          cpuWaiting_ = bench::ProcessCpuMs();
          ::WaitForSingleObject(process, INFINITE);
        }
        exitMs_ = bench::NowMs();
        cpuAtExit_ = bench::ProcessCpuMs();
        ::CloseHandle(process);
        return;
      }
      ::Sleep(2);
    }
  }
  static bool Published() { return RecordText().find("published=") != std::string::npos; }
  static std::string RecordText() {
    FILE* f = ::_wfopen(kRecord, L"rb");
    if (!f) return {};
    char text[4096] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    return text;
  }
  static DWORD PidFromRecord() {
    FILE* f = ::_wfopen(kRecord, L"rb");
    if (!f) return 0;
    char text[4096] = {};
    std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    const char* at = std::strstr(text, "pid=");
    return at ? static_cast<DWORD>(std::atoi(at + 4)) : 0;
  }

  std::atomic<double> exitMs_{0}, cpuAtExit_{0}, cpuWaiting_{0}, waitingFromMs_{0};
  std::thread thread_;
};

struct Run {
  double wallMs = 0;
  double exitDetectionMs = 0;
  double cpuMs = 0;
  double supervisionCpuMs = 0;  // while waiting for Eureka's end
  double supervisionMs = 0;
};

void Supervision(Run& run, const ExitWatcher& watcher) {
  run.supervisionCpuMs = watcher.CpuAtExit() - watcher.CpuWhileWaiting();
  run.supervisionMs = watcher.ExitMs() - watcher.WaitingFromMs();
}

void Prepare(DWORD lifetimeMs) {
  ::DeleteFileW(kRecord);
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_LIFETIME_MS", std::to_wstring(lifetimeMs).c_str());
}

Run LaunchOnce(DWORD lifetimeMs) {
  Prepare(lifetimeMs);
  Run run;
  ExitWatcher watcher;
  MWVMLauncher launcher;
  launcher.SetDebugMode(KXSeDebugOn, 1, L"bench");
  const double cpu = bench::ProcessCpuMs();
  const double start = bench::NowMs();
  launcher.LaunchEureka();
  const double end = bench::NowMs();
  run.cpuMs = bench::ProcessCpuMs() - cpu;
  run.wallMs = end - start - kSplashMs;
  // The watcher's own wake-up is on the other side of the same event.
  ::Sleep(50);
  run.exitDetectionMs = end - watcher.ExitMs();
  Supervision(run, watcher);
  return run;
}

// The least a launcher can do: start, poll once a second, wait.
Run BaselineOnce(DWORD lifetimeMs) {
  Prepare(lifetimeMs);
  Run run;
  ExitWatcher watcher;
  const double cpu = bench::ProcessCpuMs();
  const double start = bench::NowMs();
  ::CoInitialize(nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = std::wstring(kEureka) + L" -langdeu";
  if (::CreateProcessW(kEureka, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
    wchar_t name[32];
    std::swprintf(name, 32, L"Eureka_PID_%d", static_cast<int>(process.dwProcessId));
    IUnknown* found = nullptr;
    for (DWORD code = STILL_ACTIVE; !found && code == STILL_ACTIVE;) {
      ::Sleep(1000);
      IRunningObjectTable* table = nullptr;
      IMoniker* moniker = nullptr;
      if (SUCCEEDED(::GetRunningObjectTable(0, &table)) &&
          SUCCEEDED(::CreateItemMoniker(nullptr, name, &moniker)))
        table->GetObject(moniker, &found);
      if (moniker) moniker->Release();
      if (table) table->Release();
      ::GetExitCodeProcess(process.hProcess, &code);
    }
    if (found) found->Release();
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CoUninitialize();
  const double end = bench::NowMs();
  run.cpuMs = bench::ProcessCpuMs() - cpu;
  run.wallMs = end - start;
  ::Sleep(50);
  run.exitDetectionMs = end - watcher.ExitMs();
  Supervision(run, watcher);
  return run;
}

// --- the responsive start

// The system clock in ms, which the stand-in's record shares.
double ClockMs() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return static_cast<double>(((ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime) / 10000);
}

double RecordClock(const char* key) {
  FILE* f = ::_wfopen(kRecord, L"rb");
  if (!f) return 0;
  char text[4096] = {};
  std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  const char* at = std::strstr(text, key);
  return at ? std::atof(at + std::strlen(key)) : 0;
}

// A window of the launching thread, probed from another thread every 100 ms:
// a probe is answered when its posted message is handled within 200 ms and
// a sent WM_NULL returns within 200 ms.
std::atomic<double> g_handledMs{0};
LRESULT CALLBACK ProbedWindow(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) g_handledMs = bench::NowMs();
  return ::DefWindowProcW(hwnd, message, w, l);
}

struct Start {
  double readyMs = 0;          // from the call to StartEureka's return
  double afterPublishMs = 0;   // from Eureka's publishing to that return
  double cpuMs = 0;            // of this process during the start
  int sent = 0, answered = 0;  // probes
};

Start StartOnce(bool responsive, const wchar_t* publishDelayMs, bool probe = true) {
  Prepare(60000);
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_PUBLISH_DELAY_MS", publishDelayMs);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ProbedWindow;
  windowClass.lpszClassName = L"KXBenchHost";
  ::RegisterClassW(&windowClass);
  const HWND window = ::CreateWindowExW(0, L"KXBenchHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                        100, nullptr, nullptr, nullptr, nullptr);
  Start run;
  std::atomic<bool> starting{true};
  std::thread prober([&] {
    while (probe && starting) {
      const double posted = bench::NowMs();
      ::PostMessageW(window, WM_APP, 0, 0);
      DWORD_PTR r = 0;
      const bool returned = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 200, &r);
      // A probe that the start's end overtook met a thread that had stopped
      // pumping because the host's own code was running again.
      if (!starting) break;
      ++run.sent;
      const double handled = g_handledMs;
      run.answered += returned && handled >= posted && handled - posted <= 200;
      ::Sleep(100);
    }
  });
  MWVMLauncher launcher;
  launcher.SetDebugMode(KXSeDebugOn, 1, L"bench");
  launcher.SetLaunchOptions(responsive ? KXVM_LAUNCH_RESPONSIVE : 0);
  const double cpu = bench::ProcessCpuMs();
  const double call = bench::NowMs();
  launcher.StartEureka();
  const double ready = bench::NowMs(), readyClock = ClockMs();
  run.cpuMs = bench::ProcessCpuMs() - cpu;
  starting = false;
  prober.join();
  run.readyMs = ready - call;
  run.afterPublishMs = readyClock - RecordClock("published_at=");
  launcher.CloseAllDocAndExitVM();
  launcher.WaitEureka(INFINITE);
  ::DestroyWindow(window);
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_PUBLISH_DELAY_MS", nullptr);
  return run;
}

void ResponsiveRows() {
  for (const wchar_t* delay : {L"0", L"500", L"3000"}) {
    const Start fast = StartOnce(true, delay), classic = StartOnce(false, delay);
    const std::string what =
        "time to ready, publish after " + std::string(delay, delay + std::wcslen(delay)) + " ms";
    bench::Row(what.c_str(), bench::Fixed(fast.readyMs, "ms"), bench::Fixed(classic.readyMs, "ms"),
               bench::Fixed(fast.afterPublishMs, "ms"), "<= 100 ms");
  }
  // 10 s of lookups every 50 ms, and the splash's dots meanwhile: a start
  // that waits 10 s for Eureka less one that does not wait.
  const double fast = StartOnce(true, L"10000", false).cpuMs - StartOnce(true, L"0", false).cpuMs;
  const double classic =
      StartOnce(false, L"10000", false).cpuMs - StartOnce(false, L"0", false).cpuMs;
  bench::Row("CPU of the launching process during 10 s of lookups every 50 ms",
             bench::Fixed(fast, "ms"), bench::Fixed(classic, "ms") + " (classic, every 1 s)",
             bench::Fixed(fast - classic, "ms") + " more", "< 100 ms");
  const Start probed = StartOnce(true, L"3000"), blocked = StartOnce(false, L"3000");
  bench::Row("host probes answered during the start",
             std::to_string(probed.answered) + "/" + std::to_string(probed.sent),
             std::to_string(blocked.answered) + "/" + std::to_string(blocked.sent) + " (classic)",
             "-", "all");
}

}  // namespace

int wmain() {
  bench::InstallProduct(bench::ProgramFolder() + L"Eureka.exe");
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_RECORD", kRecord);

  constexpr int kRounds = 5;
  constexpr DWORD kShortLife = 1500, kLongLife = 20000;
  std::vector<double> launchWall, baseWall, launchExit, baseExit, launchCpu, baseCpu;
  LaunchOnce(kShortLife);  // warm the file cache and the class registrations
  BaselineOnce(kShortLife);
  for (int i = 0; i < kRounds; ++i) {
    const Run b = BaselineOnce(kShortLife);
    const Run l = LaunchOnce(kShortLife);
    baseWall.push_back(b.wallMs);
    launchWall.push_back(l.wallMs);
    baseExit.push_back(b.exitDetectionMs);
    launchExit.push_back(l.exitDetectionMs);
    baseCpu.push_back(b.cpuMs);
    launchCpu.push_back(l.cpuMs);
  }
  const double lw = bench::Median(launchWall), bw = bench::Median(baseWall);
  bench::Row("launch: wall time less the 2500 ms splash (median of 5)", bench::Fixed(lw, "ms"),
             bench::Fixed(bw, "ms"), bench::Fixed(lw / bw, "x", 3), "<= 1.10 x");
  const double le = bench::Median(launchExit), be = bench::Median(baseExit);
  bench::Row("exit detection: Eureka's end to LaunchEureka's return", bench::Fixed(le, "ms", 2),
             bench::Fixed(be, "ms", 2), bench::Fixed(le - be, "ms", 2) + " more", "< 20 ms");

  // CPU while the launcher waits out a 20 s life of Eureka.
  const Run longLaunch = LaunchOnce(kLongLife);
  const Run longBase = BaselineOnce(kLongLife);
  bench::Row("CPU of the launching process while it supervises",
             bench::Fixed(longLaunch.supervisionCpuMs, "ms") + " in " +
                 bench::Fixed(longLaunch.supervisionMs / 1000, "s"),
             bench::Fixed(longBase.supervisionCpuMs, "ms") + " in " +
                 bench::Fixed(longBase.supervisionMs / 1000, "s"),
             bench::Fixed(longLaunch.supervisionCpuMs - longBase.supervisionCpuMs, "ms") + " more",
             "< 50 ms over 20 s");
  ResponsiveRows();
  bench::Row("CPU of a whole short launch (splash, start, poll, supervise)",
             bench::Fixed(bench::Median(launchCpu), "ms"),
             bench::Fixed(bench::Median(baseCpu), "ms"),
             bench::Fixed(bench::Median(launchCpu) - bench::Median(baseCpu), "ms") + " more", "-");
  return 0;
}
