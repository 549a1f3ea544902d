// What the stand-in does, as chosen by its EUREKA_STANDIN_* environment
// variables (see README.md). Defaults make it a well-behaved Eureka.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace eureka {

// How ApiVersion is answered.
enum class ApiVersionAnswer {
  kI4,         // VT_I4 with the number
  kI2,         // VT_I2 with the number
  kBstr,       // VT_BSTR with the text
  kDispatch,   // VT_DISPATCH: the application object itself
  kException,  // DISP_E_EXCEPTION with EXCEPINFO filled
  kFail,       // E_FAIL
};

enum class CrashKind { kTerminate, kAccessViolation };

struct Options {
  std::optional<DWORD> publishDelayMs = 0;  // empty: never publish
  std::optional<DWORD> publishPid;          // empty: the own process id
  bool answerDispatch = true;               // QueryInterface(IDispatch) gives S_OK
  bool answerEurekaInterface = true;        // QueryInterface(IEurekaApplicationDisp) succeeds

  ApiVersionAnswer apiVersion = ApiVersionAnswer::kI4;
  LONG apiVersionNumber = 42;
  std::wstring apiVersionText;
  ULONG_PTR exceptionFillIn = 0;  // EXCEPINFO.pfnDeferredFillIn of the exception answer
  DWORD busyMs = 0;               // from publishing: Invoke calls are rejected meanwhile
  bool busyRetryLater = false;    // busy Invoke returns RPC_E_SERVERCALL_RETRYLATER itself
  LONG silentMember = 0;          // DISPID whose Invoke is never answered

  std::optional<DWORD> exitAfterMs;   // from the start
  std::optional<DWORD> lifetimeMs;    // from publishing
  DWORD exitCode = 0;                 // of both self-exits above
  std::optional<DWORD> crashAfterMs;  // from publishing
  CrashKind crashKind = CrashKind::kTerminate;
  DWORD crashCode = 3;
  DWORD closeDelayMs = 0;  // from CloseAllDocumentsAndExit returning to the exit

  std::wstring recordPath;  // empty: records nothing
  bool showWindow = true;
  bool handOver = false;  // a copy publishes under this process's id, then this one ends
};

// A variable with a value the stand-in does not understand.
struct OptionError {
  std::wstring message;
};

// EUREKA_STANDIN_RECORD, read on its own so that errors in the other
// variables can be recorded.
std::wstring RecordPath();

// Reads the options from the environment; throws OptionError.
Options ReadOptions();

// The code after "-lang" on a command line; empty when there is none.
std::wstring LanguageFromCommandLine(const std::wstring& commandLine);

}  // namespace eureka
