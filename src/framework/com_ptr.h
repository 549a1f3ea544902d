// Owning COM interface pointer.
#pragma once

#include <unknwn.h>

#include <utility>

namespace kx {

// Holds one reference. Assigning adds a reference to the new pointer before
// the old one is released, so assigning the held pointer changes nothing.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(T* p) noexcept : p_(p) {  // NOLINT: adopts with AddRef, like assignment
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(T* p) noexcept {
    if (p != p_) {
      if (p) p->AddRef();
      T* old = std::exchange(p_, p);
      if (old) old->Release();
    }
    return *this;
  }
  ComPtr& operator=(const ComPtr& other) noexcept { return *this = other.p_; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  // Releases the held reference, if any.
  void Reset() noexcept {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }
  // Takes ownership of a reference the caller already holds.
  void Attach(T* p) noexcept {
    Reset();
    p_ = p;
  }
  [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }
  // For out-parameters of factory calls; the held reference is released first.
  T** Receive() noexcept {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace kx
