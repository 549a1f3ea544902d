// The diagnostic log: one process-wide file in the data folder, switched on
// and off by the host and by the registry.
#pragma once

#include <windows.h>

#include <string>

#include "KXSeDebugMode.h"

namespace kx {

// Writes one time-stamped line when logging is on. 1 when logging is off or
// the line was written; 0 when logging is on but no log file is open.
int WriteDebugLog(std::wstring text);
// Logging is on (it may be switched off the next moment).
bool DebugLogOn();

// Text from outside (the registry, the simulator) as a log line may carry
// it: control characters made visible as <CR>, <LF> or <U+0007>, never as a
// backslash sequence, which paths are full of; one call stays one line.
std::wstring Visible(const std::wstring& text);

// Stores the mode, the fresh-file flag and the tag, then SyncDebugFlag().
void SetDebugLogMode(KXSeDebugMode mode, int freshLog, std::wstring tag);

// Applies the mode to the registry's flag and to the logging switch.
void SyncDebugFlag();

inline constexpr wchar_t kDebugKeyPath[] = L"SOFTWARE\\Brondel\\Kalvex\\Debug";
inline constexpr wchar_t kDebugValueName[] = L"KXVirtualMachDebug";
inline constexpr wchar_t kLogFileName[] = L"KXVirtualMachine.log";

// The stored switch under an open debug key, read as the registry mode reads
// it: 4 bytes at most, whatever the type, into a number that starts as 0.
struct StoredDebugSwitch {
  bool read = false;
  bool tooLong = false;  // more than 4 bytes: the switch is left as it is
  DWORD type = REG_NONE;
  DWORD value = 0;
};
StoredDebugSwitch ReadStoredDebugSwitch(HKEY debugKey);

// Opens the log file in the data folder; made once per process, by the
// first line logged once the data folder is known.
class DebugLogFile {
 public:
  explicit DebugLogFile(const std::wstring& folder);
};

// The line as written, before the end of line: tag, UTC time and message.
std::wstring FormatDebugLogLine(const std::wstring& tag, const SYSTEMTIME& utc,
                                const std::wstring& message);

}  // namespace kx
