// Pairs CoInitialize with CoUninitialize on every path, exceptions included.
#pragma once

#include <objbase.h>

namespace kx {

class ScopedComInitializer {
 public:
  // The result is not examined: an apartment already entered is fine too,
  // and each successful or S_FALSE entry is balanced; a failed one is not.
  ScopedComInitializer() noexcept : hr_(::CoInitialize(nullptr)) {}
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;
  ~ScopedComInitializer() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }

 private:
  HRESULT hr_;
};

}  // namespace kx
