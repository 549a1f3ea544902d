// Files and folders for tests, on the prefix's C: drive.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kxtest {

// A fresh, empty folder removed with its contents at the end of the scope.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& hint = L"kxtest");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  // The folder, ending in a backslash.
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
void CopyFileTo(const std::wstring& from, const std::wstring& to);
void CreateFolders(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// A file's lines, LF or CR LF (the line ends are removed).
std::vector<std::string> ReadLines(const std::wstring& path);

// The "key=value" lines of a file, each key's values in order.
using Report = std::map<std::string, std::vector<std::string>>;
Report ReadReport(const std::wstring& path);

// The folder of this program and of the library, ending in a backslash.
std::wstring ProgramFolder();
inline constexpr wchar_t kLibrary[] = L"KXVirtualMachMgr.dll";

std::string Narrow(const std::wstring& text);

}  // namespace kxtest
