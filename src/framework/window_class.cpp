#include "framework/window_class.h"

#include <cwchar>
#include <vector>

#include "framework/extension_module.h"
#include "framework/lock.h"
#include "framework/window.h"

namespace kx {

namespace {

struct RegisteredClasses {
  Lock lock;
  std::vector<std::wstring> names;
};

// Never destroyed: the module's unload unregisters the classes, and process
// exit needs nothing done.
RegisteredClasses& Classes() {
  static RegisteredClasses* classes = new RegisteredClasses;
  return *classes;
}

}  // namespace

std::wstring RegisterWindowClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  const HINSTANCE module = ThisModule();
  wchar_t name[96];
  std::swprintf(name, sizeof(name) / sizeof(name[0]), L"KxWnd:%p:%x:%p:%p:%p",
                static_cast<void*>(module), classStyle, static_cast<void*>(cursor),
                static_cast<void*>(background), static_cast<void*>(icon));

  RegisteredClasses& classes = Classes();
  AutoLock hold(classes.lock);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(module, name, &existing)) return name;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.lpfnWndProc = &CWnd::StandardWindowProc;
  wc.cbWndExtra = sizeof(CWnd*);
  wc.hInstance = module;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (!::RegisterClassExW(&wc)) return {};
  classes.names.emplace_back(name);
  return name;
}

void UnregisterWindowClasses() {
  RegisteredClasses& classes = Classes();
  AutoLock hold(classes.lock);
  for (const std::wstring& name : classes.names) ::UnregisterClassW(name.c_str(), ThisModule());
  classes.names.clear();
}

}  // namespace kx
