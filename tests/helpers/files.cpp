#include "files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "child_process.h"

namespace kxtest {

TempFolder::TempFolder(const std::wstring& hint) {
  static int counter = 0;
  path_ = L"C:\\kxtest\\" + hint + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"\\";
  RemoveTree(path_);
  CreateFolders(path_);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void CreateFolders(const std::wstring& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

void RemoveTree(const std::wstring& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool FileExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << bytes;
}

void CopyFileTo(const std::wstring& from, const std::wstring& to) {
  ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " -> " << Narrow(to);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::istringstream in(ReadFileBytes(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line); lines.push_back(line))
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}

Report ReadReport(const std::wstring& path) {
  Report report;
  for (const std::string& line : ReadLines(path)) {
    const size_t eq = line.find('=');
    if (!line.empty())
      report[line.substr(0, eq)].push_back(eq == std::string::npos ? "" : line.substr(eq + 1));
  }
  return report;
}

std::wstring ProgramFolder() {
  const std::wstring self = SelfPath();
  return self.substr(0, self.rfind(L'\\') + 1);
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

}  // namespace kxtest
