// Owner of an open registry key.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace kx {

// Move-only; closes the key on every path. Predefined roots are never closed.
class ScopedHKey {
 public:
  ScopedHKey() noexcept = default;
  explicit ScopedHKey(HKEY key) noexcept : key_(key) {}
  ScopedHKey(ScopedHKey&& other) noexcept : key_(other.Take()) {}
  ScopedHKey& operator=(ScopedHKey&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ScopedHKey(const ScopedHKey&) = delete;
  ScopedHKey& operator=(const ScopedHKey&) = delete;
  ~ScopedHKey() { Reset(); }

  // Opens root\path; on failure the owner stays empty and the status is returned.
  LSTATUS Open(HKEY root, const std::wstring& path, REGSAM access) noexcept {
    Reset();
    return ::RegOpenKeyExW(root, path.c_str(), 0, access, &key_);
  }

  bool IsValid() const noexcept { return key_ != nullptr; }
  HKEY Get() const noexcept { return key_; }
  [[nodiscard]] HKEY Take() noexcept { return std::exchange(key_, nullptr); }
  void Reset(HKEY key = nullptr) noexcept {
    HKEY old = std::exchange(key_, key);
    if (old && !IsPredefined(old)) {
      const DWORD error = ::GetLastError();
      ::RegCloseKey(old);
      ::SetLastError(error);
    }
  }
  HKEY* Receive() noexcept {
    Reset();
    return &key_;
  }

 private:
  static bool IsPredefined(HKEY key) {
    // HKEY_CLASSES_ROOT .. HKEY_CURRENT_USER_LOCAL_SETTINGS, sign-extended.
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    return (value & ~ULONG_PTR{0xFF}) == reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT);
  }
  HKEY key_ = nullptr;
};

}  // namespace kx
