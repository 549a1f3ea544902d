// Finding this process's top-level windows as a user sees them.
#pragma once

#include <windows.h>

#include <string>

namespace kxtest {

// The first top-level window of this process with exactly this title,
// visible or not; null when there is none.
HWND FindOwnWindow(const std::wstring& title);

// Waits until such a window is visible; null on time-out.
HWND WaitForOwnVisibleWindow(const std::wstring& title, DWORD timeoutMs);

// A window's rectangle on screen.
RECT WindowRect(HWND hwnd);

// Tells Wine's X11 driver that no window manager runs on the display (as on
// the tests' Xvfb), so that hiding a window it would hand to one does not
// wait 2 s for an answer. Takes effect only before the process's first
// window: call it from a static initializer. Returns true when set.
bool WithoutWindowManager();

}  // namespace kxtest
