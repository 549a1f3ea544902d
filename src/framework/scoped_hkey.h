// Owner of an open registry key.
#pragma once

#include <windows.h>

#include <string>

#include "framework/scoped_handle.h"

namespace kx {

// Predefined roots (HKEY_CLASSES_ROOT .. HKEY_CURRENT_USER_LOCAL_SETTINGS,
// sign-extended) are never closed.
struct HKeyTraits {
  using Handle = HKEY;
  static HKEY Null() { return nullptr; }
  static bool IsValid(HKEY key) {
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    return key && (value & ~ULONG_PTR{0xFF}) != reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
  }
  static void Close(HKEY key) { ::RegCloseKey(key); }
};

using ScopedHKey = ScopedGenericHandle<HKeyTraits>;

// Opens root\path into key; on failure key stays empty and the status says why.
inline LSTATUS OpenKey(ScopedHKey& key, HKEY root, const std::wstring& path, REGSAM access) {
  return ::RegOpenKeyExW(root, path.c_str(), 0, access, key.Receive());
}

}  // namespace kx
