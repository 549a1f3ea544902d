// Answers this process's message boxes as a user would: reads each box's
// text and presses OK.
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
  // answerDelayMs: how long each box stays up before OK is pressed.
  explicit MessageBoxWatcher(DWORD answerDelayMs = 0);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  // Texts of the boxes answered so far, in order.
  std::vector<std::wstring> Texts() const;
  // Captions of the boxes answered so far, in order.
  std::vector<std::wstring> Captions() const;
  // Waits until at least count boxes were answered; false on time-out.
  bool WaitFor(size_t count, DWORD timeoutMs) const;

 private:
  void Run();

  DWORD delay_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::wstring> texts_;
  std::vector<std::wstring> captions_;
  std::thread thread_;
};

// The text and caption of the first message box of this process that is up,
// answered with OK; empty when none appears within the time-out.
// beforeOk runs with the text before OK is pressed (the box's owner may end
// the process right after).
std::wstring AnswerNextMessageBox(DWORD timeoutMs, std::wstring* caption = nullptr,
                                  const std::function<void(const std::wstring&)>& beforeOk = {});

}  // namespace kxtest
