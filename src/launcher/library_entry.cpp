#include "launcher/library_entry.h"

#include "framework/extension_module.h"
#include "framework/window_class.h"

namespace kx {

namespace {
ExtensionModule g_module;
}  // namespace

bool LibraryAttach(HMODULE module) { return InitExtensionModule(g_module, module); }

void LibraryDetach() {
  UnregisterWindowClasses();
  TermExtensionModule(g_module);
}

}  // namespace kx
