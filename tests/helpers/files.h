// Files and folders for tests, on the prefix's C: drive.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace kxtest {

inline void CreateFolders(const std::wstring& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}
inline void RemoveTree(const std::wstring& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

// A fresh, empty folder removed with its contents at the end of the scope.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& hint = L"kxtest") {
    static int counter = 0;
    path_ = L"C:\\kxtest\\" + hint + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    RemoveTree(path_);
    CreateFolders(path_);
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // The folder, ending in a backslash.
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

inline std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

inline std::string Narrow(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}
inline void CopyFileTo(const std::wstring& from, const std::wstring& to) {
  ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " -> " << Narrow(to);
}

// A file's lines, LF or CR LF (the line ends are removed).
inline std::vector<std::string> ReadLines(const std::wstring& path) {
  std::istringstream in(ReadFileBytes(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line); lines.push_back(line))
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}

// The "key=value" lines of a file, each key's values in order.
using Report = std::map<std::string, std::vector<std::string>>;
inline Report ReadReport(const std::wstring& path) {
  Report report;
  for (const std::string& line : ReadLines(path)) {
    const size_t eq = line.find('=');
    if (!line.empty())
      report[line.substr(0, eq)].push_back(eq == std::string::npos ? "" : line.substr(eq + 1));
  }
  return report;
}

// The keys' values as "key=value", key by key: one check of several of a report's keys.
inline std::vector<std::string> Pick(const Report& report,
                                     std::initializer_list<const char*> keys) {
  std::vector<std::string> picked;
  for (const char* key : keys)
    if (const auto it = report.find(key); it != report.end())
      for (const std::string& value : it->second) picked.push_back(key + ("=" + value));
  return picked;
}

// The folder of this program and of the library, ending in a backslash.
inline std::wstring ProgramFolder() { return SelfPath().substr(0, SelfPath().rfind(L'\\') + 1); }
inline constexpr wchar_t kLibrary[] = L"KXVirtualMachMgr.dll";

// What a child scenario tells its parent, for ReadReport: a "key=values" line each, the values
// blank-separated; written to the file that KXT_RESULT names.
struct ChildReport {
  std::wstring text;
  template <class... T>
  ChildReport& Put(const wchar_t* key, const T&... values) {
    std::wostringstream line;
    wchar_t separator = L'=';
    ((line << separator << values, separator = L' '), ...);
    text += key + line.str() + L'\n';
    return *this;
  }
  void Write() const { WriteFileBytes(GetEnv(L"KXT_RESULT"), Narrow(text)); }
};

}  // namespace kxtest
