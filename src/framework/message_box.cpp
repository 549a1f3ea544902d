#include "framework/message_box.h"

#include "framework/main_window.h"

namespace kx {

std::wstring HostApplicationName() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, n < MAX_PATH ? n : 0);
  if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos)
    name.erase(0, slash + 1);
  if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name;
}

int AppMessageBox(const std::wstring& text, UINT type, UINT /*helpId*/) {
  const std::wstring caption = HostApplicationName();
  return ::MessageBoxW(ThreadMainWindow(), text.c_str(), caption.c_str(), type);
}

}  // namespace kx
