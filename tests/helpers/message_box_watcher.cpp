#include "message_box_watcher.h"

namespace kxtest {
namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static text control of a message box

// A box of this process, or of any process when pid is 0.
HWND FindMessageBox(DWORD pid) {
  for (HWND box = nullptr; (box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr;) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(box, &owner);
    if ((!pid || owner == pid) && ::IsWindowVisible(box) && ::GetDlgItem(box, kMessageTextId))
      return box;
  }
  return nullptr;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[4096] = {};
  return std::wstring(text, ::GetWindowTextW(hwnd, text, 4096));
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(Seen seen, bool anyProcess)
    : seen_(std::move(seen)), anyProcess_(anyProcess), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

void MessageBoxWatcher::Run() {
  while (!stop_) {
    HWND box = FindMessageBox(anyProcess_ ? 0 : ::GetCurrentProcessId());
    if (!box) {
      ::Sleep(20);
      continue;
    }
    const std::wstring text = WindowText(::GetDlgItem(box, kMessageTextId));
    {
      std::lock_guard<std::mutex> hold(mutex_);
      texts_.push_back(text);
    }
    if (seen_) seen_(text, WindowText(box));
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
    for (int i = 0; i < 500 && ::IsWindow(box) && ::IsWindowVisible(box); ++i) ::Sleep(10);
  }
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return texts_;
}

}  // namespace kxtest
