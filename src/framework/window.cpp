#include "framework/window.h"

#include <utility>

#include "framework/extension_module.h"
#include "framework/window_class.h"

namespace kx {

namespace {

// The object whose window CreateEx is making on this thread: its first
// messages arrive before CreateWindowExW returns a handle.
thread_local CWnd* t_windowBeingCreated = nullptr;

// Each class the layer registers keeps the owning object in this slot.
constexpr int kObjectSlot = 0;

CWnd* BoundObject(HWND hwnd) {
  return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, kObjectSlot));
}

}  // namespace

CWnd::~CWnd() {
  if (m_ownsWindow && m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, LPVOID param) {
  if (m_hWnd) return FALSE;
  CWnd* const outer = std::exchange(t_windowBeingCreated, this);
  HWND hwnd = ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height, parent,
                                menu, kx::ThisModule(), param);
  t_windowBeingCreated = outer;
  if (!hwnd) return FALSE;
  if (BoundObject(hwnd) != this) {  // not one of the layer's classes
    ::DestroyWindow(hwnd);
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

BOOL CWnd::UpdateWindow() { return ::UpdateWindow(m_hWnd); }

BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  return ::SetWindowPos(m_hWnd, insertAfter, x, y, width, height, flags);
}

BOOL CWnd::RedrawWindow(const RECT* update, HRGN region, UINT flags) {
  return ::RedrawWindow(m_hWnd, update, region, flags);
}

void CWnd::GetClientRect(CRect* rect) const {
  RECT r{};
  ::GetClientRect(m_hWnd, &r);
  *rect = CRect(r.left, r.top, r.right, r.bottom);
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
  if (!m_hWnd) return;
  const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
  HWND over = alternateOwner       ? alternateOwner->GetSafeHwnd()
              : (style & WS_CHILD) ? ::GetParent(m_hWnd)
                                   : ::GetWindow(m_hWnd, GW_OWNER);
  if (over && (!::IsWindowVisible(over) || ::IsIconic(over))) over = nullptr;

  RECT bounds{};
  RECT area{};
  if (style & WS_CHILD) {
    ::GetClientRect(::GetParent(m_hWnd), &area);
    bounds = area;
  } else {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(over ? over : m_hWnd, MONITOR_DEFAULTTOPRIMARY),
                      &monitor);
    area = monitor.rcWork;
    bounds = area;
    if (over) ::GetWindowRect(over, &bounds);
  }

  RECT self{};
  ::GetWindowRect(m_hWnd, &self);
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;
  int x = (bounds.left + bounds.right - width) / 2;
  int y = (bounds.top + bounds.bottom - height) / 2;
  if (x + width > area.right) x = area.right - width;
  if (x < area.left) x = area.left;
  if (y + height > area.bottom) y = area.bottom - height;
  if (y < area.top) y = area.top;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) {
  return ::SetTimer(m_hWnd, id, elapse, proc);
}

LRESULT CWnd::Default() {
  return DefWindowProc(m_currentMessage.message, m_currentMessage.wParam, m_currentMessage.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  for (const kx::MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr)
    for (const kx::MessageMapEntry* entry = map->entries; entry->handler; ++entry)
      if (entry->message == message) return entry->handler(*this, wParam, lParam);
  return DefWindowProc(message, wParam, lParam);
}

const kx::MessageMap* CWnd::GetThisMessageMap() {
  static const kx::MessageMapEntry entries[] = {{0, nullptr}};
  static const kx::MessageMap map = {nullptr, entries};
  return &map;
}

const kx::MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

LRESULT CALLBACK CWnd::StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = BoundObject(hwnd);
  if (!wnd) {
    wnd = std::exchange(t_windowBeingCreated, nullptr);
    if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    ::SetWindowLongPtrW(hwnd, kObjectSlot, reinterpret_cast<LONG_PTR>(wnd));
    wnd->m_hWnd = hwnd;
    wnd->m_ownsWindow = true;
  }

  const MSG outer = std::exchange(wnd->m_currentMessage, MSG{hwnd, message, wParam, lParam, 0, {}});
  LRESULT result;
  try {
    result = wnd->WindowProc(message, wParam, lParam);
  } catch (...) {
    // Exceptions must not unwind through the system's frames: a creation
    // fails, anything else gets the default handling.
    result = message == WM_NCCREATE ? FALSE
             : message == WM_CREATE ? -1
                                    : ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  wnd->m_currentMessage = outer;

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, kObjectSlot, 0);
    wnd->m_hWnd = nullptr;
    wnd->m_ownsWindow = false;
  }
  return result;
}

}  // namespace kx
