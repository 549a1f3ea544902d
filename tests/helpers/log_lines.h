// Reading the diagnostic log the way support staff would.
#pragma once

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "files.h"

namespace kxtest {

struct LogLine {
  bool wellFormed = false;
  std::string tag;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  std::string message;
};

// Splits " TAG : Y, M, D, h:m:s:ms   : MESSAGE" into its pieces; wellFormed
// is false when the line does not have that shape, or a number is zero-filled.
inline LogLine ParseLogLine(const std::string& line) {
  static const std::regex shape(
      R"(^ (.*?) : (0|[1-9]\d*), (0|[1-9]\d*), (0|[1-9]\d*), (0|[1-9]\d*):(0|[1-9]\d*):(0|[1-9]\d*):(0|[1-9]\d*)   : (.*)$)");
  LogLine out;
  std::smatch m;
  if (!std::regex_match(line, m, shape)) return out;
  out.wellFormed = true;
  out.tag = m[1];
  int* const numbers[] = {&out.year,   &out.month,  &out.day,        &out.hour,
                          &out.minute, &out.second, &out.millisecond};
  for (int i = 0; i < 7; ++i) *numbers[i] = std::stoi(m[i + 2]);
  out.message = m[9];
  return out;
}

// The messages of the log file's lines, in order (UTF-8 of the ANSI text).
inline std::vector<std::string> LogMessages(const std::wstring& logFile) {
  std::vector<std::string> messages;
  for (const std::string& line : ReadLines(logFile)) {
    const LogLine parsed = ParseLogLine(line);
    messages.push_back(parsed.wellFormed ? parsed.message : "<malformed> " + line);
  }
  return messages;
}

// The last n lines, or all when there are fewer.
inline std::vector<std::string> Tail(const std::vector<std::string>& lines, size_t n) {
  return std::vector<std::string>(lines.end() - std::min(n, lines.size()), lines.end());
}

}  // namespace kxtest
