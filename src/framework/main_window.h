// The calling thread's main window, as an application framework would know it.
#pragma once

#include <windows.h>

namespace kx {

// The first visible, unowned top-level window of the calling thread; null
// when the thread has none (a console host, a test).
HWND ThreadMainWindow();

}  // namespace kx
