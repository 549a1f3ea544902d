// Owner of a GDI object: a font, brush, pen, bitmap or region.
#pragma once

#include <windows.h>

#include <utility>

namespace kx {

// Move-only; deletes the object on every path. It must not be selected into
// a device context at that time (ScopedSelectObject puts the old one back).
template <class T>
class ScopedGdiObject {
 public:
  ScopedGdiObject() noexcept = default;
  explicit ScopedGdiObject(T object) noexcept : object_(object) {}
  ScopedGdiObject(ScopedGdiObject&& other) noexcept : object_(other.Take()) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  ~ScopedGdiObject() { Reset(); }

  bool IsValid() const noexcept { return object_ != nullptr; }
  T Get() const noexcept { return object_; }
  [[nodiscard]] T Take() noexcept { return std::exchange(object_, nullptr); }
  void Reset(T object = nullptr) noexcept {
    if (T old = std::exchange(object_, object)) {
      const DWORD error = ::GetLastError();
      ::DeleteObject(old);
      ::SetLastError(error);
    }
  }

 private:
  T object_ = nullptr;
};

}  // namespace kx
