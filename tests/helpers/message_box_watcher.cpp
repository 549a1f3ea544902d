#include "message_box_watcher.h"

#include <chrono>

namespace kxtest {
namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static text control of a message box

HWND FindOwnMessageBox() {
  struct Search {
    DWORD pid;
    HWND found;
  } search{::GetCurrentProcessId(), nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        wchar_t cls[32] = {};
        ::GetClassNameW(hwnd, cls, 32);
        if (pid == s->pid && ::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" &&
            ::GetDlgItem(hwnd, kMessageTextId)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring WindowText(HWND hwnd) {
  const int n = ::GetWindowTextLengthW(hwnd);
  std::wstring text(n + 1, L'\0');
  text.resize(::GetWindowTextW(hwnd, text.data(), n + 1));
  return text;
}

void PressOk(HWND box) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
}

// Waits until the box has gone, so that the next search does not see it.
void WaitGone(HWND box) {
  for (int i = 0; i < 500 && ::IsWindow(box) && ::IsWindowVisible(box); ++i) ::Sleep(10);
}

}  // namespace

std::wstring AnswerNextMessageBox(DWORD timeoutMs, std::wstring* caption,
                                  const std::function<void(const std::wstring&)>& beforeOk) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeoutMs) {
    if (HWND box = FindOwnMessageBox()) {
      std::wstring text = WindowText(::GetDlgItem(box, kMessageTextId));
      if (caption) *caption = WindowText(box);
      if (beforeOk) beforeOk(text);
      PressOk(box);
      WaitGone(box);
      return text;
    }
    ::Sleep(20);
  }
  return {};
}

MessageBoxWatcher::MessageBoxWatcher(DWORD answerDelayMs)
    : delay_(answerDelayMs), thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

void MessageBoxWatcher::Run() {
  while (!stop_) {
    if (HWND box = FindOwnMessageBox()) {
      if (delay_) ::Sleep(delay_);
      {
        // Recorded before OK: the owner may go on and read them at once.
        std::lock_guard<std::mutex> hold(mutex_);
        texts_.push_back(WindowText(::GetDlgItem(box, kMessageTextId)));
        captions_.push_back(WindowText(box));
      }
      PressOk(box);
      WaitGone(box);
    } else {
      ::Sleep(20);
    }
  }
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return texts_;
}

std::vector<std::wstring> MessageBoxWatcher::Captions() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return captions_;
}

bool MessageBoxWatcher::WaitFor(size_t count, DWORD timeoutMs) const {
  const DWORD start = ::GetTickCount();
  while (Texts().size() < count) {
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(20);
  }
  return true;
}

}  // namespace kxtest
