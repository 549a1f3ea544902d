#include "environment/folder_value.h"

#include "framework/scoped_handle.h"
#include "framework/scoped_hkey.h"

namespace kx {

std::wstring FolderValue::Folder() const { return Normalized(text); }

FolderValue ReadFolderValue(HKEY root, const wchar_t* keyPath, const wchar_t* valueName) {
  FolderValue value;
  ScopedHKey key;
  const LSTATUS opened = OpenKey(key, root, keyPath, KEY_READ);
  if (opened != ERROR_SUCCESS) {
    value.status =
        opened == ERROR_ACCESS_DENIED ? FolderStatus::kAccessDenied : FolderStatus::kKeyMissing;
    return value;
  }
  wchar_t buffer[255];
  DWORD size = sizeof(buffer);
  const LSTATUS read = ::RegQueryValueExW(key.Get(), valueName, nullptr, &value.type,
                                          reinterpret_cast<BYTE*>(buffer), &size);
  if (read != ERROR_SUCCESS) {
    value.status = read == ERROR_MORE_DATA ? FolderStatus::kTooLong : FolderStatus::kValueMissing;
    return value;
  }
  value.text.assign(buffer, size / sizeof(wchar_t));
  if (const auto nul = value.text.find(L'\0'); nul != std::wstring::npos) value.text.resize(nul);
  value.status = value.text.empty()              ? FolderStatus::kEmpty
                 : !IsAbsoluteFolder(value.text) ? FolderStatus::kNotAbsolute
                                                 : FolderStatus::kFound;
  return value;
}

bool IsAbsoluteFolder(const std::wstring& folder) {
  // Windows takes either slash as a separator.
  const auto separator = [&](std::size_t i) {
    return i < folder.size() && (folder[i] == L'\\' || folder[i] == L'/');
  };
  const bool drive =
      folder.size() >= 3 &&
      ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z')) &&
      folder[1] == L':' && separator(2);
  const bool unc = separator(0) && separator(1) && folder.size() >= 3 && !separator(2);
  return drive || unc;
}

bool FileFound(const std::wstring& name) {
  WIN32_FIND_DATAW data;
  ScopedFindHandle search(::FindFirstFileW(name.c_str(), &data));
  return search.IsValid();
}

std::wstring ModuleFolder(const wchar_t* moduleName) {
  wchar_t fileName[260] = {};
  const DWORD length = ::GetModuleFileNameW(::GetModuleHandleW(moduleName), fileName, 260);
  const std::wstring path(fileName, length < 260 ? length : 260);
  const auto slash = path.rfind(L'\\');
  return Normalized(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

std::wstring Normalized(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

}  // namespace kx
