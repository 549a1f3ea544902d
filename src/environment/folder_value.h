// A folder named by a registry value: what the environment searches and
// what the support report shows, read one way for both.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

enum class FolderStatus {
  kFound,
  kKeyMissing,    // the key cannot be opened
  kAccessDenied,  // the key exists but may not be read
  kValueMissing,  // no such value, or it cannot be read
  kTooLong,       // more than 255 characters
  kEmpty,
  kNotAbsolute,  // neither C:\... nor \\server\share\... (or \\?\...), with either slash
};

struct FolderValue {
  FolderStatus status = FolderStatus::kKeyMissing;
  std::wstring text;  // as stored, up to its first NUL (found, empty, not absolute)
  DWORD type = REG_NONE;

  bool Found() const { return status == FolderStatus::kFound; }
  // The key could be opened, whatever the value held.
  bool KeyOpened() const {
    return status != FolderStatus::kKeyMissing && status != FolderStatus::kAccessDenied;
  }
  // The found folder, ending in a backslash.
  std::wstring Folder() const;
};

// The value, read whatever its type into room for 255 characters.
FolderValue ReadFolderValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName);

// A drive letter, a colon and a separator, or a UNC path, with either slash
// as Windows has it: a folder that does not depend on the host's current
// directory.
bool IsAbsoluteFolder(const std::wstring& folder);

// The folder of the loaded module of that file name, ending in a backslash;
// the host executable's when no module of that name is loaded.
std::wstring ModuleFolder(const wchar_t* moduleName);

// FindFirstFileW finds something of that name.
bool FileFound(const std::wstring& name);

// Appends a backslash unless the folder ends in one (the empty folder too).
std::wstring Normalized(std::wstring folder);

}  // namespace kx
