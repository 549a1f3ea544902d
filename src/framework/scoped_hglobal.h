// Owners of global memory blocks and of their locks.
#pragma once

#include <windows.h>

#include <utility>

namespace kx {

// Move-only owner of a GlobalAlloc block; frees it on every path.
class ScopedHGlobal {
 public:
  ScopedHGlobal() noexcept = default;
  explicit ScopedHGlobal(HGLOBAL block) noexcept : block_(block) {}
  ScopedHGlobal(ScopedHGlobal&& other) noexcept : block_(other.Take()) {}
  ScopedHGlobal& operator=(ScopedHGlobal&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ScopedHGlobal(const ScopedHGlobal&) = delete;
  ScopedHGlobal& operator=(const ScopedHGlobal&) = delete;
  ~ScopedHGlobal() { Reset(); }

  bool IsValid() const noexcept { return block_ != nullptr; }
  HGLOBAL Get() const noexcept { return block_; }
  [[nodiscard]] HGLOBAL Take() noexcept { return std::exchange(block_, nullptr); }
  void Reset(HGLOBAL block = nullptr) noexcept {
    if (HGLOBAL old = std::exchange(block_, block)) {
      const DWORD error = ::GetLastError();
      ::GlobalFree(old);
      ::SetLastError(error);
    }
  }

 private:
  HGLOBAL block_ = nullptr;
};

// Locks a block for one scope; Get() is null when the lock failed.
class ScopedGlobalLock {
 public:
  explicit ScopedGlobalLock(HGLOBAL block) noexcept
      : block_(block), data_(block ? ::GlobalLock(block) : nullptr) {}
  ~ScopedGlobalLock() {
    if (data_) ::GlobalUnlock(block_);
  }
  ScopedGlobalLock(const ScopedGlobalLock&) = delete;
  ScopedGlobalLock& operator=(const ScopedGlobalLock&) = delete;

  void* Get() const noexcept { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace kx
