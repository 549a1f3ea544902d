// Owners of global memory blocks and of their locks.
#pragma once

#include <windows.h>

#include "framework/scoped_handle.h"

namespace kx {

struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static HGLOBAL Null() { return nullptr; }
  static bool IsValid(HGLOBAL block) { return block != nullptr; }
  static void Close(HGLOBAL block) { ::GlobalFree(block); }
};

// Move-only owner of a GlobalAlloc block; frees it on every path.
using ScopedHGlobal = ScopedGenericHandle<GlobalMemoryTraits>;

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
