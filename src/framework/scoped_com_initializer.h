// Pairs CoInitialize(Ex) with CoUninitialize on every path, exceptions included.
#pragma once

#include <objbase.h>

namespace kx {

class ScopedComInitializer {
 public:
  // Any result will do (an apartment already entered is fine too); it only
  // decides the balance: S_OK and S_FALSE are uninitialised once, a failure
  // (another apartment type) is not.
  ScopedComInitializer() noexcept : hr_(::CoInitialize(nullptr)) {}
  // COINIT_MULTITHREADED or COINIT_APARTMENTTHREADED.
  explicit ScopedComInitializer(DWORD model) noexcept : hr_(::CoInitializeEx(nullptr, model)) {}
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;
  ~ScopedComInitializer() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }

 private:
  HRESULT hr_;
};

}  // namespace kx
