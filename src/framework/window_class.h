// Window classes for the layer's windows, registered on first use.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// The name of a class with these attributes and CWnd's window procedure,
// registered for the module that holds this code (ThisModule); one class per set of
// attributes. Empty when registration fails.
std::wstring RegisterWindowClass(UINT classStyle, HCURSOR cursor = nullptr,
                                 HBRUSH background = nullptr, HICON icon = nullptr);

// Unregisters them, when the module unloads, so that a later load at another
// address does not find classes pointing at freed code.
void UnregisterWindowClasses();

}  // namespace kx
