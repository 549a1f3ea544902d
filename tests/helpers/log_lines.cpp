#include "log_lines.h"

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
  out.year = std::stoi(m[2]);
  out.month = std::stoi(m[3]);
  out.day = std::stoi(m[4]);
  out.hour = std::stoi(m[5]);
  out.minute = std::stoi(m[6]);
  out.second = std::stoi(m[7]);
  out.millisecond = std::stoi(m[8]);
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

}  // namespace kxtest
