#include "registry.h"

#include <gtest/gtest.h>

namespace kxtest {

void SetRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
            const void* data, DWORD size) {
  EXPECT_EQ(::RegSetKeyValueW(root, path.c_str(), name.c_str(), type, data, size), ERROR_SUCCESS);
}

void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& value) {
  SetRaw(root, path, name, REG_SZ, value.c_str(),
         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  SetRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}

void CreateKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  EXPECT_EQ(::RegCreateKeyW(root, path.c_str(), &key), ERROR_SUCCESS);
  ::RegCloseKey(key);
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  ::RegDeleteKeyValueW(root, path.c_str(), name.c_str());
}

void DeleteTree(HKEY root, const std::wstring& path) { ::RegDeleteTreeW(root, path.c_str()); }

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  RawValue value;
  value.bytes.resize(65536);  // more than any test stores
  DWORD size = 65536;
  const LONG status =
      ::RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS) return {};
  value.bytes.resize(size);
  return value;
}

ScopedRegistryTrees::ScopedRegistryTrees(std::initializer_list<std::pair<HKEY, std::wstring>> trees)
    : trees_(trees) {
  for (const auto& [root, path] : trees_) DeleteTree(root, path);
}

ScopedRegistryTrees::~ScopedRegistryTrees() {
  for (const auto& [root, path] : trees_) DeleteTree(root, path);
}

ScopedRegistryTrees ProductTrees() {
  return ScopedRegistryTrees{{HKEY_CURRENT_USER, L"Software\\Brondel"},
                             {HKEY_LOCAL_MACHINE, L"Software\\Brondel"},
                             {HKEY_CURRENT_USER, L"Software\\Roboris"},
                             {HKEY_LOCAL_MACHINE, L"Software\\Roboris"},
                             {HKEY_CURRENT_USER, L"Software\\Solidworks"}};
}

}  // namespace kxtest
