// Direct registry access for tests: set up values, read back raw bytes, and
// remove what a test made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kxtest {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
};

void SetRaw(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
            const void* data, DWORD size);
void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& value);
void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void CreateKey(HKEY root, const std::wstring& path);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name);
void DeleteTree(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
std::optional<RawValue> ReadRaw(HKEY root, const std::wstring& path, const std::wstring& name);

// Deletes the given key trees when the test ends, also before it starts.
class ScopedRegistryTrees {
 public:
  ScopedRegistryTrees(std::initializer_list<std::pair<HKEY, std::wstring>> trees);
  ~ScopedRegistryTrees();
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
inline const std::wstring kSolidworksKey = L"Software\\Solidworks\\General";

// Every tree above under both roots, for a clean start and end.
ScopedRegistryTrees ProductTrees();

}  // namespace kxtest
