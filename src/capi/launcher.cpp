// The launcher and the log behind the C interface.
#include <windows.h>

#include <optional>

#include "capi/guard.h"
#include "environment/debug_log.h"
#include "launcher/launcher.h"

struct kxvm_launcher {
  kx::MWVMLauncher launcher;
};

using kx::capi::Guard;
using kx::capi::Require;

namespace {

// The outcome is reported on the way out of a failed automation call too.
struct ReportOutcome {
  kx::MWVMLauncher::Outcome outcome;
  int32_t* kind;
  uint32_t* exitCode;
  ~ReportOutcome() {
    if (kind) *kind = outcome.kind;
    if (exitCode) *exitCode = outcome.exitCode;
  }
};

// A launch or a start through the C interface.
int32_t Begin(const char* function, kxvm_launcher* launcher, int32_t* result, int32_t* outcome,
              uint32_t* exit_code, int (kx::MWVMLauncher::*begin)(kx::MWVMLauncher::Outcome*)) {
  return Guard(function, [&] {
    Require(launcher, "the launcher is null");
    ReportOutcome report{{}, outcome, exit_code};
    const int begun = (launcher->launcher.*begin)(&report.outcome);
    if (result) *result = begun;
    return KXVM_OK;
  });
}

}  // namespace

extern "C" {

int32_t KXVM_CALL kxvm_launcher_create(kxvm_launcher** launcher) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher output is null");
    *launcher = new kxvm_launcher;
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_launcher_clone(const kxvm_launcher* source, kxvm_launcher** copy) {
  return Guard(__func__, [&] {
    Require(source, "the launcher is null");
    Require(copy, "the copy output is null");
    *copy = new kxvm_launcher{source->launcher};
    return KXVM_OK;
  });
}

void KXVM_CALL kxvm_launcher_destroy(kxvm_launcher* launcher) {
  kx::capi::GuardQuietly(__func__, [&] {
    delete launcher;
  });
}

int32_t KXVM_CALL kxvm_launcher_launch(kxvm_launcher* launcher, int32_t* result, int32_t* outcome,
                                       uint32_t* exit_code) {
  return Begin(__func__, launcher, result, outcome, exit_code, &kx::MWVMLauncher::LaunchEureka);
}

int32_t KXVM_CALL kxvm_launcher_set_options(kxvm_launcher* launcher, uint32_t options) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher is null");
    if (options & ~(KXVM_LAUNCH_RESPONSIVE | KXVM_LAUNCH_END_WITH_HOST))
      throw kx::capi::InvalidArgument{"an option is unknown"};
    launcher->launcher.SetOptions(options);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_launcher_start(kxvm_launcher* launcher, int32_t* result, int32_t* outcome,
                                      uint32_t* exit_code) {
  return Begin(__func__, launcher, result, outcome, exit_code, &kx::MWVMLauncher::StartEureka);
}

int32_t KXVM_CALL kxvm_launcher_wait(kxvm_launcher* launcher, uint32_t timeout_ms, int32_t* ended,
                                     uint32_t* exit_code) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher is null");
    const std::optional<kx::MWVMLauncher::WaitResult> wait =
        launcher->launcher.WaitEureka(timeout_ms);
    if (!wait) return KXVM_NO_MATCH;
    if (ended) *ended = wait->ended ? 1 : 0;
    if (exit_code && wait->ended) *exit_code = wait->exitCode;
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_launcher_process_handle(kxvm_launcher* launcher, void** process) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher is null");
    Require(process, "the handle output is null");
    *process = launcher->launcher.DuplicateProcessHandle();
    return *process ? KXVM_OK : KXVM_NO_MATCH;
  });
}

int32_t KXVM_CALL kxvm_launcher_close_all_and_exit(kxvm_launcher* launcher) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher is null");
    launcher->launcher.CloseAllDocAndExitVM();
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_launcher_set_automation(kxvm_launcher* launcher,
                                               struct IDispatch* application) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher is null");
    // Eureka's interface is reached through IDispatch::Invoke only.
    launcher->launcher.SetEurekaApp(static_cast<IEurekaApplicationDisp*>(application));
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_launcher_set_debug_mode(kxvm_launcher* launcher, int32_t mode,
                                               int32_t fresh_log, const wchar_t* tag) {
  return Guard(__func__, [&] {
    Require(launcher, "the launcher is null");
    launcher->launcher.SetDebugMode(static_cast<KXSeDebugMode>(mode), fresh_log, tag ? tag : L"");
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_log_set_mode(int32_t mode, int32_t fresh_log, const wchar_t* tag) {
  return Guard(__func__, [&] {
    kx::SetDebugLogMode(static_cast<KXSeDebugMode>(mode), fresh_log, tag ? tag : L"");
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_log_sync_flag(void) {
  return Guard(__func__, [&] {
    kx::SyncDebugFlag();
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_log_write(const wchar_t* text, size_t length, int32_t* written) {
  return Guard(__func__, [&] {
    kx::capi::CheckTextArgument(text, length, "the text is null");
    // With logging off the text is not even copied.
    const int result = kx::DebugLogOn() ? kx::WriteDebugLog(std::wstring(text ? text : L"", length)) : 1;
    if (written) *written = result;
    return KXVM_OK;
  });
}

}  // extern "C"
