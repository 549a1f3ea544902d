// What the library does when it is loaded into and unloaded from a process.
#pragma once

#include <windows.h>

namespace kx {

// Joins the module's resources and class records to the process. False when
// the module cannot join (the load then fails).
bool LibraryAttach(HMODULE module);
void LibraryDetach();

}  // namespace kx
