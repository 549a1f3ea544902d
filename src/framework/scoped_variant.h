// Owner of a VARIANT's contents.
#pragma once

#include <oleauto.h>

namespace kx {

class ScopedVariant {
 public:
  ScopedVariant() noexcept { ::VariantInit(&var_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { ::VariantClear(&var_); }

  VARIANT* Receive() noexcept {
    ::VariantClear(&var_);
    return &var_;
  }
  VARIANT* Get() noexcept { return &var_; }
  const VARIANT* operator->() const noexcept { return &var_; }

 private:
  VARIANT var_;
};

}  // namespace kx
