// The process-wide list of modules searched for resources, like the
// framework's chain of extension modules.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// Adds a module at the end of the search list; removes it again.
void AddResourceModule(HMODULE module);
void RemoveResourceModule(HMODULE module);

// The first module that holds the resource: the host executable first, then
// the joined modules in the order they joined. Null when none holds it.
HMODULE FindResourceModule(LPCWSTR name, LPCWSTR type);

// The string of that id from the first module whose table holds it; empty
// when no module does.
std::wstring LoadResString(UINT id);

}  // namespace kx
