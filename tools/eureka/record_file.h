// The stand-in's account of what happened to it, for tests to read: UTF-8,
// one "key=value" item a line, lines ended by CR LF, appended as they happen.
#pragma once

#include <string>

namespace eureka {

class RecordFile {
 public:
  // An empty path records nothing.
  explicit RecordFile(std::wstring path) : path_(std::move(path)) {}

  // Appends one line. The file is opened per line so that a crash loses
  // nothing already recorded.
  void Write(const std::wstring& key, const std::wstring& value) const;

 private:
  std::wstring path_;
};

}  // namespace eureka
