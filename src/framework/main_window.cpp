#include "framework/main_window.h"

namespace kx {

HWND ThreadMainWindow() {
  HWND found = nullptr;
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM param) -> BOOL {
        if (::IsWindowVisible(hwnd) && !::GetWindow(hwnd, GW_OWNER)) {
          *reinterpret_cast<HWND*>(param) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace kx
