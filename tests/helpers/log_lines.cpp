#include "log_lines.h"

#include <algorithm>
#include <regex>

#include "files.h"

namespace kxtest {

LogLine ParseLogLine(const std::string& line) {
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

std::vector<std::string> LogMessages(const std::wstring& logFile) {
  std::vector<std::string> messages;
  for (const std::string& line : ReadLines(logFile)) {
    const LogLine parsed = ParseLogLine(line);
    messages.push_back(parsed.wellFormed ? parsed.message : "<malformed> " + line);
  }
  return messages;
}

std::vector<std::string> Tail(const std::vector<std::string>& lines, size_t n) {
  return std::vector<std::string>(lines.end() - std::min(n, lines.size()), lines.end());
}

}  // namespace kxtest
