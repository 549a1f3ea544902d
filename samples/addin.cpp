// The add-in of addin.c written with the C++ layer (the standard face: a
// host without the Microsoft Foundation Classes; with them, include them
// first and the same code takes CString and the framework's types). The CAD
// host loads the add-in by its full path, calls AddInStart, may ask
// AddInStatus, and calls AddInStop before it unloads it.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <thread>

#include "KXEnvApp.h"
#include "MWVMLauncher.h"

namespace {

// What AddInStatus says, as in addin.c.
enum Status : std::int32_t { kIdle, kStarting, kRunning, kEnded, kNotStarted, kFailed = -1, kTooOld = -2 };

struct AddIn {
  MWVMLauncher launcher;
  HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<std::int32_t> status{kStarting};
  std::thread thread;

  ~AddIn() {
    ::SetEvent(stop);
    if (thread.joinable()) thread.join();
    ::CloseHandle(stop);
  }

  void Launch() {
    try {
      launcher.StartEureka();
      if (launcher.LastOutcome() != KXLaunchOutcome::Started) {
        status = kNotStarted;
        return;
      }
      status = kRunning;
      // Eureka's end or the add-in's, whichever comes first.
      const HANDLE process = launcher.DuplicateProcessHandle();
      const HANDLE waits[] = {process, stop};
      if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        launcher.CloseAllDocAndExitVM();  // from the starting thread: a polite close
      ::CloseHandle(process);
      launcher.WaitEureka(INFINITE);  // its exit code; the handles let go
      status = kEnded;
    } catch (const std::exception&) {
      status = kFailed;
    } catch (const _com_error&) {
      status = kFailed;
    }
  }
};

std::unique_ptr<AddIn> g_addIn;

}  // namespace

extern "C" __declspec(dllexport) std::int32_t __stdcall AddInStart() {
  if (g_addIn) return g_addIn->status;
  const std::uint32_t version = kxvm_api_version();
  if (version >> 16 != KXVM_API_VERSION_MAJOR || (version & 0xFFFF) < KXVM_API_VERSION_MINOR)
    return kTooOld;
  try {
    // Without a data folder the CAD application must not end: report it.
    KXEnvApp::ReportMissingDataFolder();
  } catch (const std::logic_error&) {  // too late: the environment has started already
  }
  // Where everything is, for the add-in's own diagnostics; starts nothing.
  ::OutputDebugStringW(SupportReport(KXVM_REPORT_TEXT).c_str());
  g_addIn = std::make_unique<AddIn>();
  g_addIn->launcher.SetDebugMode(KXSeDebugRegistry, 0, L"AddIn");
  g_addIn->launcher.SetLaunchOptions(KXVM_LAUNCH_RESPONSIVE | KXVM_LAUNCH_END_WITH_HOST);
  g_addIn->thread = std::thread([] { g_addIn->Launch(); });
  return kStarting;
}

extern "C" __declspec(dllexport) std::int32_t __stdcall AddInStatus() {
  return g_addIn ? g_addIn->status.load() : kIdle;
}

extern "C" __declspec(dllexport) std::uint32_t __stdcall AddInExitCode() {
  return g_addIn ? g_addIn->launcher.LastExitCode() : 0;
}

// Before the host unloads the add-in: Eureka asked to close, the thread and
// the launcher gone.
extern "C" __declspec(dllexport) void __stdcall AddInStop() { g_addIn.reset(); }
