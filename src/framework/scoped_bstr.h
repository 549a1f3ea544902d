// Owner of a BSTR.
#pragma once

#include <oleauto.h>

#include <string>
#include <utility>

namespace kx {

class ScopedBstr {
 public:
  ScopedBstr() noexcept = default;
  explicit ScopedBstr(const std::wstring& text)
      : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr() { Reset(); }

  BSTR Get() const noexcept { return bstr_; }
  void Reset(BSTR bstr = nullptr) noexcept { ::SysFreeString(std::exchange(bstr_, bstr)); }
  [[nodiscard]] BSTR Release() noexcept { return std::exchange(bstr_, nullptr); }
  BSTR* Receive() noexcept {
    Reset();
    return &bstr_;
  }

 private:
  BSTR bstr_ = nullptr;
};

}  // namespace kx
