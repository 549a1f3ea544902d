// The device context of one WM_PAINT: BeginPaint on construction, EndPaint on
// every path out.
#pragma once

#include <windows.h>

#include "framework/window.h"

namespace kx {

class CPaintDC {
 public:
  explicit CPaintDC(CWnd* wnd) noexcept : m_hWnd(wnd->GetSafeHwnd()) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
  }
  ~CPaintDC() {
    if (m_hDC) ::EndPaint(m_hWnd, &m_ps);
  }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  HDC GetSafeHdc() const noexcept { return m_hDC; }
  operator HDC() const noexcept { return m_hDC; }

  PAINTSTRUCT m_ps{};

 private:
  HWND m_hWnd;
  HDC m_hDC = nullptr;
};

}  // namespace kx
