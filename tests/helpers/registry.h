// Direct registry access for tests: set up values, read back raw bytes, and
// remove what a test made.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kxtest {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
};

inline void SetRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                   const void* data, DWORD size) {
  EXPECT_EQ(::RegSetKeyValueW(root, path.c_str(), name.c_str(), type, data, size), ERROR_SUCCESS);
}
inline void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
                      const std::wstring& value) {
  SetRaw(root, path, name, REG_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t)));
}
inline void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  SetRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}
inline void CreateKey(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  EXPECT_EQ(::RegCreateKeyW(root, path.c_str(), &key), ERROR_SUCCESS);
  ::RegCloseKey(key);
}
inline void DeleteTree(HKEY root, const std::wstring& path) {
  ::RegDeleteTreeW(root, path.c_str());
}

// The value as stored; nothing when the key or the value is missing.
inline std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path,
                                       const std::wstring& name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  RawValue value{REG_NONE, std::vector<std::uint8_t>(65536)};  // more than any test stores
  DWORD size = 65536;
  const LONG status =
      ::RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS) return {};
  value.bytes.resize(size);
  return value;
}
inline bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS &&
         ::RegCloseKey(key) == ERROR_SUCCESS;
}

// Deletes the given key trees when the test ends, also before it starts.
class ScopedRegistryTrees {
 public:
  ScopedRegistryTrees(std::initializer_list<std::pair<HKEY, std::wstring>> trees) : trees_(trees) {
    for (const auto& [root, path] : trees_) DeleteTree(root, path);
  }
  ~ScopedRegistryTrees() {
    for (const auto& [root, path] : trees_) DeleteTree(root, path);
  }
  ScopedRegistryTrees(const ScopedRegistryTrees&) = delete;
  ScopedRegistryTrees& operator=(const ScopedRegistryTrees&) = delete;

 private:
  std::vector<std::pair<HKEY, std::wstring>> trees_;
};

// The product's registry places, as the library reads them.
inline const std::wstring kProductKey = L"Software\\Brondel\\Kalvex\\Kalvex 2023x64";
inline const std::wstring kProductSEKey = L"Software\\Brondel\\KalvexSE\\KalvexSE 2023x64";
inline const std::wstring kVendorKey = L"Software\\Roboris\\KalvexVirtualMachine";
inline const std::wstring kDebugKey = L"SOFTWARE\\Brondel\\Kalvex\\Debug";

// Every tree above under both roots, for a clean start and end.
inline ScopedRegistryTrees ProductTrees() {
  return ScopedRegistryTrees{{HKEY_CURRENT_USER, L"Software\\Brondel"},
                             {HKEY_LOCAL_MACHINE, L"Software\\Brondel"},
                             {HKEY_CURRENT_USER, L"Software\\Roboris"},
                             {HKEY_LOCAL_MACHINE, L"Software\\Roboris"},
                             {HKEY_CURRENT_USER, L"Software\\Solidworks"}};
}

}  // namespace kxtest
