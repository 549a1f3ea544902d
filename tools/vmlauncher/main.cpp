// VMLauncher.exe: the host that starts the Kalvex Virtual Machine (Eureka)
// through KXVirtualMachMgr.dll, the way the CAD add-in does, and shows
// support staff where everything is.
#include <windows.h>
#include <comdef.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>

#include "KXEnvApp.h"
#include "MWVMLauncher.h"

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: VMLauncher [--debug registry|on|off] [--append] [--tag TEXT] [--classic]\n"
    L"       VMLauncher --where [--json]\n"
    L"\n"
    L"Starts the Kalvex Virtual Machine, says when it is ready, and waits until it\n"
    L"ends. It is started at once, behind the splash, and found as soon as it is\n"
    L"ready.\n"
    L"  --debug MODE  the diagnostic log KXVirtualMachine.log in the product's data\n"
    L"                folder: registry follows the switch\n"
    L"                HKCU\\SOFTWARE\\Brondel\\Kalvex\\Debug\\KXVirtualMachDebug (the\n"
    L"                default); on and off switch it and store that\n"
    L"  --append      add to the existing log (the default without --debug; with\n"
    L"                --debug the log starts afresh unless --append is given)\n"
    L"  --tag TEXT    text that starts every log line (default: VMLauncher)\n"
    L"  --classic     the classic timing: the splash for 2.5 s, then the start,\n"
    L"                then a look for it every second\n"
    L"  --where       where everything is: every place searched, in order, what it\n"
    L"                holds and which one wins; starts nothing and logs nothing\n"
    L"  --json        with --where: the library's JSON report, in UTF-8\n"
    L"  --help        this text\n"
    L"\n"
    L"Exit status:\n"
    L"  0  Eureka ran and ended with exit code 0 (--where: a launch would start it)\n"
    L"  1  Eureka was not started: not located, executable missing, process not\n"
    L"     created, or it ended before publishing its automation object (--where:\n"
    L"     a launch would not start it)\n"
    L"  2  usage error\n"
    L"  3  an automation call on Eureka failed\n"
    L"  4  Eureka ended with a non-zero exit code\n"
    L"Every non-zero status prints its reason on one line. Without a data folder\n"
    L"the library shows message 1023 and the status is 1.\n";

struct Options {
  std::optional<KXSeDebugMode> mode;
  bool append = false;
  std::wstring tag = L"VMLauncher";
  bool classic = false;
  bool where = false;
  bool json = false;
};

// Parses argv; an empty optional with *error set means a usage error, an
// empty optional without it means --help.
std::optional<Options> Parse(int argc, wchar_t** argv, std::wstring* error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") return std::nullopt;
    if (arg == L"--append") {
      options.append = true;
    } else if (arg == L"--classic") {
      options.classic = true;
    } else if (arg == L"--where") {
      options.where = true;
    } else if (arg == L"--json") {
      options.json = true;
    } else if (arg == L"--debug" || arg == L"--tag") {
      if (i + 1 >= argc) {
        *error = arg + L" needs a value";
        return std::nullopt;
      }
      const std::wstring value = argv[++i];
      if (arg == L"--tag") {
        options.tag = value;
      } else if (value == L"registry") {
        options.mode = KXSeDebugRegistry;
      } else if (value == L"on") {
        options.mode = KXSeDebugOn;
      } else if (value == L"off") {
        options.mode = KXSeDebugOff;
      } else {
        *error = L"--debug takes registry, on or off, not \"" + value + L"\"";
        return std::nullopt;
      }
    } else {
      *error = L"unknown argument \"" + arg + L"\"";
      return std::nullopt;
    }
  }
  if (options.json && !options.where) {
    *error = L"--json goes with --where";
    return std::nullopt;
  }
  if (options.where && (options.mode || options.append || options.classic)) {
    *error = L"--where starts nothing and logs nothing: no --debug, --append or --classic with it";
    return std::nullopt;
  }
  return options;
}

// Text on a console as it is; elsewhere (a file, a pipe) as UTF-8.
void Print(const std::wstring& text, DWORD stream = STD_OUTPUT_HANDLE, bool utf8 = false) {
  const HANDLE out = ::GetStdHandle(stream);
  DWORD mode = 0, written = 0;
  if (!utf8 && ::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(n > 0 ? n : 0, '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), n, nullptr, nullptr);
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Fail(int status, const std::wstring& reason) {
  Print(L"VMLauncher: " + reason + L"\n", STD_ERROR_HANDLE);
  return status;
}

int Where(bool json) {
  const std::wstring report = SupportReport(KXVM_REPORT_JSON);
  const bool wouldStart = report.find(L"\"launch_would_start\":true") != std::wstring::npos;
  if (json)
    Print(report + L"\n", STD_OUTPUT_HANDLE, true);
  else
    Print(SupportReport(KXVM_REPORT_TEXT));
  return wouldStart ? 0 : 1;
}

int Launch(const Options& options) {
  // A missing data folder is a reason like any other, not the end of the process.
  KXEnvApp::ReportMissingDataFolder();
  MWVMLauncher launcher;
  // Without --debug the registry's switch decides and the log grows.
  launcher.SetDebugMode(options.mode.value_or(KXSeDebugRegistry),
                        options.mode && !options.append ? 1 : 0, options.tag);
  if (!options.classic) launcher.SetLaunchOptions(KXVM_LAUNCH_RESPONSIVE);
  const ULONGLONG call = ::GetTickCount64();
  try {
    launcher.StartEureka();
  } catch (const _com_error& e) {
    const _bstr_t description = e.Description();
    const wchar_t* text =
        description.length() ? static_cast<const wchar_t*>(description) : e.ErrorMessage();
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(e.Error()));
    return Fail(3, std::wstring(L"Kalvex Virtual Machine automation call failed: ") + code + L" " +
                       (text ? text : L""));
  }
  if (launcher.LastOutcome() == KXLaunchOutcome::Started) {
    Print(L"VMLauncher: the Kalvex Virtual Machine was ready after " +
          std::to_wstring(::GetTickCount64() - call) + L" ms\n");
    launcher.WaitEureka(INFINITE);
  }
  const std::wstring exitCode = std::to_wstring(launcher.LastExitCode());
  switch (launcher.LastOutcome()) {
    case KXLaunchOutcome::Supervised:
      return launcher.LastExitCode() == 0
                 ? 0
                 : Fail(4, L"the Kalvex Virtual Machine ended with exit code " + exitCode);
    case KXLaunchOutcome::Quit:
      return Fail(1, L"not started: the start was given up on a quit message");
    case KXLaunchOutcome::NoDataFolder:
      return Fail(1, L"not started: no data folder in the registry (Error 203)");
    case KXLaunchOutcome::NotLocated:
      return Fail(1, L"not started: Eureka.exe was not located (Error 203)");
    case KXLaunchOutcome::ExecutableMissing:
      return Fail(1, L"not started: Eureka.exe is missing where it was located (Error 214)");
    case KXLaunchOutcome::ProcessNotCreated:
      return Fail(1, L"not started: the Eureka process could not be created (Error 204)");
    case KXLaunchOutcome::EndedBeforePublishing:
      return Fail(1, L"not started: Eureka ended with exit code " + exitCode +
                         L" before publishing its automation object");
    default:
      return Fail(1, L"not started");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring error;
  const std::optional<Options> options = Parse(argc, argv, &error);
  if (!options) {
    if (error.empty()) {
      Print(kUsage);
      return 0;
    }
    Print(L"VMLauncher: " + error + L"\n\n" + kUsage, STD_ERROR_HANDLE);
    return 2;
  }
  try {
    return options->where ? Where(options->json) : Launch(*options);
  } catch (const std::exception& e) {
    return Fail(1, L"not started: " + std::wstring(e.what(), e.what() + std::strlen(e.what())));
  }
}
