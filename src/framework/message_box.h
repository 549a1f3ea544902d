// The application message box: the host's name as caption, owned by the
// thread's main window.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// Shows a modal box and returns the button pressed, or 0 when it could not
// be shown. helpId is accepted for the framework's signature; no help file.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK, UINT helpId = 0);

// The host executable's file name without folder and extension.
std::wstring HostApplicationName();

}  // namespace kx
