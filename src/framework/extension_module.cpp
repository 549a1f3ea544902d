#include "framework/extension_module.h"

#include "framework/class_registry.h"
#include "framework/resource_chain.h"

namespace kx {

bool InitExtensionModule(ExtensionModule& record, HMODULE module) {
  if (!module || record.module) return false;
  record.module = module;
  record.classes = TakePendingClasses();
  PublishClasses(record.classes);
  AddResourceModule(module);
  return true;
}

void TermExtensionModule(ExtensionModule& record) {
  if (!record.module) return;
  RemoveResourceModule(record.module);
  WithdrawClasses(record.classes);
  record.classes.clear();
  record.module = nullptr;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace kx
