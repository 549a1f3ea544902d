// VMLauncher.exe: the host that starts the Kalvex Virtual Machine (Eureka)
// through KXVirtualMachMgr.dll, the way the CAD add-in does.
#include <windows.h>
#include <comdef.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "MWVMLauncher.h"

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: VMLauncher [--debug registry|on|off] [--append] [--tag TEXT]\n"
    L"\n"
    L"Starts the Kalvex Virtual Machine and waits until it ends.\n"
    L"  --debug MODE  diagnostic log: follow the registry switch, or switch it\n"
    L"                on or off (and store that); the log is KXVirtualMachine.log\n"
    L"                in the product's data folder\n"
    L"  --append      add to the existing log instead of starting it afresh\n"
    L"  --tag TEXT    text that starts every log line (default: VMLauncher)\n"
    L"  --help        this text\n"
    L"\n"
    L"Exit status: 0 launched and ended, 1 not started (see the message shown),\n"
    L"2 usage error, 3 the Kalvex Virtual Machine failed an automation call.\n";

struct Options {
  std::optional<KXSeDebugMode> mode;
  bool append = false;
  std::optional<std::wstring> tag;
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
  return options;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring error;
  const std::optional<Options> options = Parse(argc, argv, &error);
  if (!options) {
    if (!error.empty()) {
      std::fwprintf(stderr, L"VMLauncher: %ls\n\n%ls", error.c_str(), kUsage);
      return 2;
    }
    std::fputws(kUsage, stdout);
    return 0;
  }

  MWVMLauncher launcher;
  // The log is touched only when asked for, as a host that never switches it
  // gets none.
  if (options->mode || options->append || options->tag)
    launcher.SetDebugMode(options->mode.value_or(KXSeDebugRegistry), options->append ? 0 : 1,
                          options->tag.value_or(L"VMLauncher"));
  try {
    return launcher.LaunchEureka() == 1 ? 0 : 1;
  } catch (const _com_error& e) {
    const _bstr_t description = e.Description();
    const wchar_t* text =
        description.length() ? static_cast<const wchar_t*>(description) : e.ErrorMessage();
    std::fwprintf(stderr,
                  L"VMLauncher: Kalvex Virtual Machine automation call failed: 0x%08lX %ls\n",
                  static_cast<unsigned long>(e.Error()), text ? text : L"");
    return 3;
  }
}
