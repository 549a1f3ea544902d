// Answers this process's message boxes as a user would: reads each box's
// text and caption, then presses OK.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kxtest {

class MessageBoxWatcher {
 public:
  // seen(text, caption) runs before OK is pressed: the box's owner may end the process right after.
  using Seen = std::function<void(const std::wstring& text, const std::wstring& caption)>;
  // anyProcess: the boxes of every process, such as a started host's.
  explicit MessageBoxWatcher(Seen seen = {}, bool anyProcess = false)
      : seen_(std::move(seen)), anyProcess_(anyProcess), thread_([this] { Run(); }) {}
  ~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
  }

  // Texts of the boxes answered so far, in order.
  std::vector<std::wstring> Texts() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return texts_;
  }

 private:
  static constexpr int kTextId = 0xFFFF;  // the static text control of a message box

  static std::wstring WindowText(HWND hwnd) {
    wchar_t text[4096] = {};
    return std::wstring(text, ::GetWindowTextW(hwnd, text, 4096));
  }

  // A box of this process (or of any), visible and with a text.
  bool Wanted(HWND box) const {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(box, &owner);
    return (anyProcess_ || owner == ::GetCurrentProcessId()) && ::IsWindowVisible(box) &&
           ::GetDlgItem(box, kTextId);
  }

  void Run() {
    for (HWND box = nullptr; !stop_; box = nullptr, ::Sleep(20)) {
      while ((box = ::FindWindowExW(nullptr, box, L"#32770", nullptr)) && !Wanted(box)) {
      }
      if (!box) continue;
      const std::wstring text = WindowText(::GetDlgItem(box, kTextId));
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

  Seen seen_;
  bool anyProcess_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::wstring> texts_;
  std::thread thread_;
};

}  // namespace kxtest
