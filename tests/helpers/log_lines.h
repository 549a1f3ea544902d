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
  std::smatch m;
  if (!std::regex_match(line, m, shape)) return {};
  const auto n = [&m](int i) { return std::stoi(m[i]); };
  return {true, m[1], n(2), n(3), n(4), n(5), n(6), n(7), n(8), m[9]};
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
