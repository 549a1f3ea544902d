#include "screen_window.h"

#include <vector>

namespace kxtest {
namespace {

HWND FindOwn(const std::wstring& title, bool visibleOnly) {
  struct Search {
    DWORD pid;
    const std::wstring* title;
    bool visibleOnly;
    HWND found;
  } search{::GetCurrentProcessId(), &title, visibleOnly, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s->pid || (s->visibleOnly && !::IsWindowVisible(hwnd))) return TRUE;
        // Reads the title without sending WM_GETTEXT, which would wait for a
        // thread that does not dispatch messages (a splash's sleeping owner).
        std::vector<wchar_t> text(s->title->size() + 2, L'\0');
        const int n = ::InternalGetWindowText(hwnd, text.data(), static_cast<int>(text.size()));
        if (std::wstring(text.data(), n) != *s->title) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

HWND FindOwnWindow(const std::wstring& title) { return FindOwn(title, false); }

HWND WaitForOwnVisibleWindow(const std::wstring& title, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND hwnd = FindOwn(title, true)) return hwnd;
    if (::GetTickCount() - start >= timeoutMs) return nullptr;
    ::Sleep(5);
  }
}

bool WithoutWindowManager() {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  static const wchar_t kNo[] = L"N";
  const bool set = ::RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNo),
                                    sizeof(kNo)) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return set;
}

RECT WindowRect(HWND hwnd) {
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  return rect;
}

}  // namespace kxtest
