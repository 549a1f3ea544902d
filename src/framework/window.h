// The window base: a C++ object bound to one window, whose messages are
// dispatched through the class's message map (message_map.h).
#pragma once

#include <windows.h>

#include "framework/geometry.h"
#include "framework/message_map.h"

namespace kx {

class CWnd {
 public:
  CWnd() noexcept = default;
  // Refers to a window that something else created and will destroy, such as
  // the host's main window; this object never destroys it.
  explicit CWnd(HWND existing) noexcept : m_hWnd(existing) {}
  // Destroys the window if this object created it and it still exists.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const noexcept { return m_hWnd; }

  // Creates the window; the class must come from kx::RegisterWindowClass.
  // The object receives the window's messages from the first one on (so
  // OnCreate runs inside this call) until WM_NCDESTROY.
  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU menu, LPVOID param = nullptr);
  BOOL DestroyWindow();

  BOOL ShowWindow(int command);
  BOOL UpdateWindow();
  BOOL SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags);
  BOOL RedrawWindow(const RECT* update = nullptr, HRGN region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void GetClientRect(CRect* rect) const;
  // Centres the window over alternateOwner, else over its owner or parent
  // when that is visible and not minimised, else in the work area of its
  // monitor; the result is kept inside that work area.
  void CenterWindow(CWnd* alternateOwner = nullptr);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc);

  // The window procedure of every window class the layer registers.
  static LRESULT CALLBACK StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // Passes the message being handled to the default window procedure.
  LRESULT Default();
  // Looks the message up in the message maps; DefWindowProc when none has it.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  static const kx::MessageMap* GetThisMessageMap();
  virtual const kx::MessageMap* GetMessageMap() const;

 public:
  HWND m_hWnd = nullptr;

 private:
  MSG m_currentMessage{};
  bool m_ownsWindow = false;
};

}  // namespace kx
