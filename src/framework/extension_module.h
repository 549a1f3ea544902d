// Joining a library module to the process: its resources into the search
// chain, its class records into the class registry.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/object.h"

namespace kx {

struct ExtensionModule {
  HMODULE module = nullptr;
  std::vector<const CRuntimeClass*> classes;
};

// On attach: takes over the records collected by the module's statics,
// publishes them and adds the module to the resource chain.
bool InitExtensionModule(ExtensionModule& record, HMODULE module);
// On detach: the reverse.
void TermExtensionModule(ExtensionModule& record);

// The module that holds this code: the library, or a program built with its
// objects.
HMODULE ThisModule();

}  // namespace kx
