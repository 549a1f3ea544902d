// Owners of kernel handles.
#pragma once

#include <windows.h>

#include <utility>

namespace kx {

// Move-only owner of a handle closed by Close(handle). Both null and
// INVALID_HANDLE_VALUE count as empty. Closing keeps GetLastError().
template <class Traits>
class ScopedGenericHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedGenericHandle() noexcept = default;
  explicit ScopedGenericHandle(Handle h) noexcept : h_(h) {}
  ScopedGenericHandle(ScopedGenericHandle&& other) noexcept : h_(other.Take()) {}
  ScopedGenericHandle& operator=(ScopedGenericHandle&& other) noexcept {
    if (this != &other) Reset(other.Take());
    return *this;
  }
  ScopedGenericHandle(const ScopedGenericHandle&) = delete;
  ScopedGenericHandle& operator=(const ScopedGenericHandle&) = delete;
  ~ScopedGenericHandle() { Reset(); }

  bool IsValid() const noexcept { return Traits::IsValid(h_); }
  Handle Get() const noexcept { return h_; }
  [[nodiscard]] Handle Take() noexcept { return std::exchange(h_, Traits::Null()); }
  void Reset(Handle h = Traits::Null()) noexcept {
    Handle old = std::exchange(h_, h);
    if (Traits::IsValid(old)) {
      const DWORD error = ::GetLastError();
      Traits::Close(old);
      ::SetLastError(error);
    }
  }
  // For out-parameters; the held handle is closed first.
  Handle* Receive() noexcept {
    Reset();
    return &h_;
  }

 private:
  Handle h_ = Traits::Null();
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static HANDLE Null() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static HANDLE Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};

using ScopedHandle = ScopedGenericHandle<KernelHandleTraits>;
using ScopedFindHandle = ScopedGenericHandle<FindHandleTraits>;

}  // namespace kx
