#include "environment/debug_log.h"

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "environment/environment.h"
#include "environment/library_lock.h"
#include "framework/scoped_hkey.h"

namespace kx {

namespace {

struct LogState {
  KXSeDebugMode mode = KXSeDebugRegistry;
  std::atomic<int> enabled{0};  // read without the lock when logging is off
  int freshLog = 1;
  std::wstring tag;
  FILE* file = nullptr;
  DebugLogFile* holder = nullptr;  // never freed; the runtime closes the file at exit
};

LogState& State() {
  static LogState state;
  return state;
}

void AppendNumber(std::wstring& out, unsigned value) { out += std::to_wstring(value); }

// Narrow text through the process's ANSI code page; characters it cannot
// represent become '?' (not a look-alike: support staff must see that one
// was lost), so a line is never cut short. A UTF-8 code page represents all.
std::string ToNarrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const DWORD flags = ::GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n =
      ::WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_ACP, flags, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring Visible(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (const wchar_t c : text) {
    if (c == L'\r') {
      out += L"<CR>";
    } else if (c == L'\n') {
      out += L"<LF>";
    } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
      wchar_t code[12];
      std::swprintf(code, 12, L"<U+%04X>", static_cast<unsigned>(c));
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring FormatDebugLogLine(const std::wstring& tag, const SYSTEMTIME& t,
                                const std::wstring& message) {
  std::wstring line;
  line.reserve(tag.size() + message.size() + 40);
  line += L' ';
  line += tag;
  line += L" : ";
  AppendNumber(line, t.wYear);
  line += L", ";
  AppendNumber(line, t.wMonth);
  line += L", ";
  AppendNumber(line, t.wDay);
  line += L", ";
  AppendNumber(line, t.wHour);
  line += L':';
  AppendNumber(line, t.wMinute);
  line += L':';
  AppendNumber(line, t.wSecond);
  line += L':';
  AppendNumber(line, t.wMilliseconds);
  line += L"   : ";
  line += message;
  return line;
}

DebugLogFile::DebugLogFile(const std::wstring& folder) {
  LogState& s = State();
  const std::wstring name = folder + kLogFileName;
  if (s.freshLog == 0) s.file = ::_wfopen(name.c_str(), L"a");
  if (!s.file) s.file = ::_wfopen(name.c_str(), L"w");
}

bool DebugLogOn() { return State().enabled.load(std::memory_order_relaxed) != 0; }

int WriteDebugLog(std::wstring text) {
  LogState& s = State();
  if (s.enabled.load(std::memory_order_relaxed) == 0) return 1;
  kx::AutoLock hold(kx::LibraryLock());
  if (s.enabled == 0) return 1;
  if (!s.holder) {
    // The environment's folder, or, before it starts, the one it would find:
    // a line never starts it (which could show a message and end the
    // process). While it is still looking (its failures are logged) the
    // folder reads empty: that line is lost, and the file opens with the
    // first line once the folder is known. Without a folder nothing is written.
    std::optional<std::wstring> folder = KXEnvApp::DataPathInUse();
    if (!folder) folder = KXEnvApp::FindDataPath();
    if (!folder || folder->empty()) return 0;
    s.holder = new DebugLogFile(*folder);
  }
  if (!s.file) return 0;

  SYSTEMTIME now;
  ::GetSystemTime(&now);
  std::string line = ToNarrow(kx::FormatDebugLogLine(s.tag, now, text));
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), s.file);
  std::fflush(s.file);
  return 1;
}

void SetDebugLogMode(KXSeDebugMode mode, int freshLog, std::wstring tag) {
  kx::AutoLock hold(kx::LibraryLock());
  LogState& s = State();
  s.mode = mode;
  s.freshLog = freshLog;
  s.tag = std::move(tag);
  SyncDebugFlag();
}

void SyncDebugFlag() {
  kx::AutoLock hold(kx::LibraryLock());
  LogState& s = State();
  kx::ScopedHKey key;
  if (kx::OpenKey(key, HKEY_CURRENT_USER, kDebugKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
  switch (s.mode) {
    case KXSeDebugRegistry: {
      const StoredDebugSwitch stored = ReadStoredDebugSwitch(key.Get());
      if (stored.read) s.enabled = static_cast<int>(stored.value);
      return;
    }
    case KXSeDebugOn:
    case KXSeDebugOff: {
      s.enabled = s.mode == KXSeDebugOn ? 1 : 0;
      const DWORD flag = static_cast<DWORD>(s.enabled);
      ::RegSetValueExW(key.Get(), kDebugValueName, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&flag), sizeof(flag));
      return;
    }
    default:
      return;
  }
}

StoredDebugSwitch ReadStoredDebugSwitch(HKEY key) {
  StoredDebugSwitch stored;
  DWORD size = sizeof(stored.value);
  const LSTATUS status = ::RegQueryValueExW(key, kDebugValueName, nullptr, &stored.type,
                                            reinterpret_cast<BYTE*>(&stored.value), &size);
  stored.read = status == ERROR_SUCCESS;
  stored.tooLong = status == ERROR_MORE_DATA;
  return stored;
}

}  // namespace kx
