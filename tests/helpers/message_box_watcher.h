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
  // seen(text, caption) runs before OK is pressed: the box's owner may end
  // the process right after.
  using Seen = std::function<void(const std::wstring& text, const std::wstring& caption)>;
  // anyProcess: the boxes of every process, such as a started host's.
  explicit MessageBoxWatcher(Seen seen = {}, bool anyProcess = false);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // Texts of the boxes answered so far, in order.
  std::vector<std::wstring> Texts() const;

 private:
  void Run();

  Seen seen_;
  bool anyProcess_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::wstring> texts_;
  std::thread thread_;
};

}  // namespace kxtest
