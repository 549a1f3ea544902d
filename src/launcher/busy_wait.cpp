#include "launcher/busy_wait.h"

#include <cwchar>

namespace kx {

DWORD CallDeadlineMs() {
  static const DWORD deadline = [] {
    wchar_t text[16];
    const DWORD length = ::GetEnvironmentVariableW(L"KXVM_TEST_CALL_DEADLINE_MS", text, 16);
    const unsigned long ms = length > 0 && length < 16 ? std::wcstoul(text, nullptr, 10) : 0;
    return ms > 0 && ms < kCallDeadlineMs ? static_cast<DWORD>(ms) : kCallDeadlineMs;
  }();
  return deadline;
}

}  // namespace kx
