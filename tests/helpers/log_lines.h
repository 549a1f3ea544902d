// Reading the diagnostic log the way support staff would.
#pragma once

#include <string>
#include <vector>

namespace kxtest {

struct LogLine {
  bool wellFormed = false;
  std::string tag;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  std::string message;
};

// Splits " TAG : Y, M, D, h:m:s:ms   : MESSAGE" into its pieces; wellFormed
// is false when the line does not have that shape, or a number is zero-filled.
LogLine ParseLogLine(const std::string& line);

// The messages of the log file's lines, in order (UTF-8 of the ANSI text).
std::vector<std::string> LogMessages(const std::wstring& logFile);

// The last n lines, or all when there are fewer.
std::vector<std::string> Tail(const std::vector<std::string>& lines, size_t n);

}  // namespace kxtest
