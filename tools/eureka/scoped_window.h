// Owners of a window and of a registered window class.
#pragma once

#include <windows.h>

#include <utility>

namespace eureka {

// Move-only; destroys the window unless it is gone already.
class ScopedWindow {
 public:
  ScopedWindow() noexcept = default;
  explicit ScopedWindow(HWND window) noexcept : window_(window) {}
  ScopedWindow(ScopedWindow&& other) noexcept : window_(std::exchange(other.window_, nullptr)) {}
  ScopedWindow& operator=(ScopedWindow&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.window_, nullptr));
    return *this;
  }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  ~ScopedWindow() { Reset(); }

  HWND Get() const noexcept { return window_; }
  void Reset(HWND window = nullptr) noexcept {
    // Cleared first: destroying sends WM_DESTROY, whose handler may look here.
    HWND old = std::exchange(window_, window);
    if (old && ::IsWindow(old)) ::DestroyWindow(old);
  }
  // For a window that was destroyed by someone else.
  void Forget() noexcept { window_ = nullptr; }

 private:
  HWND window_ = nullptr;
};

// A window class registered for one module, unregistered with its owner.
class ScopedWindowClass {
 public:
  explicit ScopedWindowClass(const WNDCLASSEXW& windowClass)
      : atom_(::RegisterClassExW(&windowClass)), instance_(windowClass.hInstance) {}
  ~ScopedWindowClass() {
    if (atom_) ::UnregisterClassW(MAKEINTATOM(atom_), instance_);
  }
  ScopedWindowClass(const ScopedWindowClass&) = delete;
  ScopedWindowClass& operator=(const ScopedWindowClass&) = delete;

  ATOM Atom() const { return atom_; }

 private:
  ATOM atom_;
  HINSTANCE instance_;
};

}  // namespace eureka
