// The launcher: starts Eureka.exe, waits for its automation object and
// supervises its process until it ends.
//
// Failures come back as exceptions of the host's own compiler: _com_error
// when a call on Eureka fails (with Eureka's text in its IErrorInfo), and,
// as the face raises them (kxvm/face.h), running out of memory and an
// invalid argument; std::runtime_error for anything else.
#pragma once

#include "kxvm/c_interface.h"

#include <atomic>
#include <cstdint>

#include "EurekaAutomation.h"
#include "KXSeDebugMode.h"

// What the last launch came to.
enum class KXLaunchOutcome : std::int32_t {
  None = KXVM_OUTCOME_NONE,                              // not launched yet
  NotLocated = KXVM_OUTCOME_NOT_LOCATED,                 // message 1023 ("Error 203")
  ExecutableMissing = KXVM_OUTCOME_EXECUTABLE_MISSING,   // message 1030 ("Error 214")
  ProcessNotCreated = KXVM_OUTCOME_PROCESS_NOT_CREATED,  // message 1024 ("Error 204")
  EndedBeforePublishing = KXVM_OUTCOME_ENDED_BEFORE_PUBLISHING,
  Supervised = KXVM_OUTCOME_SUPERVISED,  // ran and ended; see LastExitCode
  AutomationFailed = KXVM_OUTCOME_AUTOMATION_FAILED,
  AlreadyRunning = KXVM_OUTCOME_ALREADY_RUNNING,  // this launcher was launching already
  NoDataFolder = KXVM_OUTCOME_NO_DATA_FOLDER,      // message 1023 ("Error 203"), reported as the host asked
  Started = KXVM_OUTCOME_STARTED,                  // StartEureka: Eureka runs, its version read
  Quit = KXVM_OUTCOME_QUIT,                        // a WM_QUIT gave a responsive start up
};

class MWVMLauncher {
 public:
  MWVMLauncher() { kxvm::detail::Check(kxvm_launcher_create(&m_handle)); }
  // A copy holds the same automation link and its own duplicates of the
  // process handles.
  MWVMLauncher(const MWVMLauncher& other)
      : m_outcome(other.m_outcome.load()), m_exitCode(other.m_exitCode.load()) {
    kxvm::detail::Check(kxvm_launcher_clone(other.m_handle, &m_handle));
  }
  // Releases the link and closes the process handles still held; Eureka
  // itself goes on running.
  ~MWVMLauncher() { kxvm_launcher_destroy(m_handle); }
  MWVMLauncher& operator=(const MWVMLauncher& other) {
    if (this != &other) {
      kxvm_launcher* copy = nullptr;
      kxvm::detail::Check(kxvm_launcher_clone(other.m_handle, &copy));
      kxvm_launcher_destroy(m_handle);
      m_handle = copy;
      m_outcome = other.m_outcome.load();
      m_exitCode = other.m_exitCode.load();
    }
    return *this;
  }

  // Splash, locate, start, wait for the automation object, supervise to the
  // end. 0 when Eureka.exe is not located or missing (or there is no data
  // folder, reported as the host asked), otherwise 1.
  int LaunchEureka() { return Begin(kxvm_launcher_launch); }
  // Options of the launches to come: KXVM_LAUNCH_RESPONSIVE (ready as soon
  // as Eureka is, the host's window kept painting), KXVM_LAUNCH_END_WITH_HOST
  // (Eureka ends with the host process); kxvm.h says what each does.
  void SetLaunchOptions(std::uint32_t options) {
    kxvm::detail::Check(kxvm_launcher_set_options(m_handle, options));
  }
  // LaunchEureka up to and including the version read: Eureka then runs on,
  // with its link kept for this thread (CloseAllDocAndExitVM asks it to close
  // and exit) until WaitEureka sees its end. Results as LaunchEureka;
  // LastOutcome() is Started when Eureka runs.
  int StartEureka() { return Begin(kxvm_launcher_start); }
  // Waits up to timeoutMs (0 polls, INFINITE) for Eureka's end. True when it
  // has ended (LastExitCode(), LastOutcome() Supervised) or none is held.
  bool WaitEureka(unsigned long timeoutMs) {
    std::int32_t ended = 0;
    std::uint32_t exitCode = 0;
    if (kxvm::detail::Check(kxvm_launcher_wait(m_handle, timeoutMs, &ended, &exitCode)) != KXVM_OK)
      return true;
    if (ended) {
      m_outcome = KXLaunchOutcome::Supervised;
      m_exitCode = exitCode;
    }
    return ended != 0;
  }
  // A duplicate of Eureka's process handle, the host's to close; null when
  // the launcher holds none.
  HANDLE DuplicateProcessHandle() {
    void* process = nullptr;
    kxvm::detail::Check(kxvm_launcher_process_handle(m_handle, &process));
    return static_cast<HANDLE>(process);
  }

  // Asks Eureka to close everything and exit, or ends its process. Always 1.
  int CloseAllDocAndExitVM() {
    kxvm::detail::Check(kxvm_launcher_close_all_and_exit(m_handle));
    return 1;
  }
  // Sets the diagnostic log's mode, fresh-file flag and line tag.
  void SetDebugMode(KXSeDebugMode mode, int freshLog, const kxvm::Text& tag) {
    kxvm::detail::Check(
        kxvm_launcher_set_debug_mode(m_handle, mode, freshLog, kxvm::TextData(tag)));
  }
  // Replaces the held automation link (may be null); _com_error when the
  // object cannot be taken into the library's apartment.
  void SetEurekaApp(IEurekaApplicationDisp* app) {
    kxvm::detail::Check(kxvm_launcher_set_automation(m_handle, app));
  }

  // What the last LaunchEureka came to, and Eureka's exit code when it
  // ended (Supervised, EndedBeforePublishing). A launch refused because one
  // runs already on another thread counts as the last one.
  KXLaunchOutcome LastOutcome() const { return m_outcome; }
  unsigned long LastExitCode() const { return m_exitCode; }

  // The launcher of the C interface, for hosts that mix both.
  kxvm_launcher* GetHandle() const noexcept { return m_handle; }

 private:
  // A launch or a start: its outcome kept, also when it raises.
  int Begin(std::int32_t(KXVM_CALL* call)(kxvm_launcher*, std::int32_t*, std::int32_t*,
                                          std::uint32_t*)) {
    std::int32_t result = 0;
    std::int32_t outcome = KXVM_OUTCOME_NONE;
    std::uint32_t exitCode = 0;
    const std::int32_t status = call(m_handle, &result, &outcome, &exitCode);
    m_outcome = static_cast<KXLaunchOutcome>(outcome);
    m_exitCode = exitCode;
    kxvm::detail::Check(status);
    return result;
  }

  kxvm_launcher* m_handle = nullptr;
  // Written by whichever thread's launch returns last.
  std::atomic<KXLaunchOutcome> m_outcome{KXLaunchOutcome::None};
  std::atomic<unsigned long> m_exitCode{0};
};
