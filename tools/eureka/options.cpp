#include "options.h"

#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <limits>
#include <vector>

namespace eureka {
namespace {

constexpr wchar_t kPrefix[] = L"EUREKA_STANDIN_";

std::optional<std::wstring> Variable(const wchar_t* name) {
  const std::wstring full = std::wstring(kPrefix) + name;
  const DWORD size = ::GetEnvironmentVariableW(full.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<wchar_t> buffer(size);
  const DWORD length = ::GetEnvironmentVariableW(full.c_str(), buffer.data(), size);
  if (length >= size) return std::nullopt;
  return std::wstring(buffer.data(), length);
}

[[noreturn]] void Reject(const wchar_t* name, const std::wstring& value) {
  throw OptionError{std::wstring(kPrefix) + name + L": cannot use '" + value + L"'"};
}

// Decimal or 0x-prefixed hexadecimal, the whole text, within [min, max].
std::optional<long long> ParseInteger(const std::wstring& text, long long min, long long max) {
  if (text.empty() || std::iswspace(text.front())) return std::nullopt;
  const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  wchar_t* end = nullptr;
  errno = 0;
  const long long value = hex ? static_cast<long long>(std::wcstoull(text.c_str() + 2, &end, 16))
                              : std::wcstoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != L'\0' || (hex && text[2] == L'-') || value < min || value > max)
    return std::nullopt;
  return value;
}

std::optional<DWORD> ReadUnsigned(const wchar_t* name) {
  const auto text = Variable(name);
  if (!text) return std::nullopt;
  const auto value = ParseInteger(*text, 0, std::numeric_limits<DWORD>::max());
  if (!value) Reject(name, *text);
  return static_cast<DWORD>(*value);
}

bool ReadSwitch(const wchar_t* name, const wchar_t* onValue, const wchar_t* offValue,
                bool fallback) {
  const auto text = Variable(name);
  if (!text) return fallback;
  if (*text == onValue) return true;
  if (*text == offValue) return false;
  Reject(name, *text);
}

void ReadApiVersion(Options& options) {
  const wchar_t* name = L"API_VERSION";
  const auto text = Variable(name);
  if (!text) return;
  const size_t colon = text->find(L':');
  const std::wstring kind = text->substr(0, colon);
  const std::wstring argument = colon == std::wstring::npos ? L"" : text->substr(colon + 1);
  const bool hasArgument = colon != std::wstring::npos;
  if (kind == L"i4" || kind == L"i2") {
    const bool i2 = kind == L"i2";
    const auto value = ParseInteger(argument, i2 ? SHRT_MIN : LONG_MIN, i2 ? SHRT_MAX : LONG_MAX);
    if (!value) Reject(name, *text);
    options.apiVersion = i2 ? ApiVersionAnswer::kI2 : ApiVersionAnswer::kI4;
    options.apiVersionNumber = static_cast<LONG>(*value);
  } else if (kind == L"bstr" && hasArgument) {
    options.apiVersion = ApiVersionAnswer::kBstr;
    options.apiVersionText = argument;
  } else if (kind == L"dispatch" && !hasArgument) {
    options.apiVersion = ApiVersionAnswer::kDispatch;
  } else if (kind == L"exception" && !hasArgument) {
    options.apiVersion = ApiVersionAnswer::kException;
  } else if (kind == L"fail" && !hasArgument) {
    options.apiVersion = ApiVersionAnswer::kFail;
  } else {
    Reject(name, *text);
  }
}

}  // namespace

std::wstring RecordPath() { return Variable(L"RECORD").value_or(std::wstring()); }

Options ReadOptions() {
  Options options;
  if (const auto delay = Variable(L"PUBLISH_DELAY_MS"); delay && *delay == L"never")
    options.publishDelayMs.reset();
  else if (const auto ms = ReadUnsigned(L"PUBLISH_DELAY_MS"))
    options.publishDelayMs = *ms;
  if (const auto pid = ReadUnsigned(L"PUBLISH_PID")) {
    if (*pid > static_cast<DWORD>(std::numeric_limits<int>::max()))
      Reject(L"PUBLISH_PID", std::to_wstring(*pid));
    options.publishPid = *pid;
  }
  options.answerDispatch = ReadSwitch(L"DISPATCH_QI", L"ok", L"nointerface", true);
  options.answerEurekaInterface = ReadSwitch(L"INTERFACE_QI", L"ok", L"nointerface", true);
  ReadApiVersion(options);
  if (const auto text = Variable(L"EXCEPTION_FILL_IN")) {
    const auto address = ParseInteger(*text, 0, std::numeric_limits<long long>::max());
    if (!address) Reject(L"EXCEPTION_FILL_IN", *text);
    options.exceptionFillIn = static_cast<ULONG_PTR>(*address);
  }

  if (const auto busy = ReadUnsigned(L"BUSY_MS")) options.busyMs = *busy;
  options.busyRetryLater = ReadSwitch(L"BUSY_ANSWER", L"retrylater", L"rejected", false);
  if (const auto member = Variable(L"SILENT_IN")) {
    if (*member == L"ApiVersion")
      options.silentMember = 4;
    else if (*member == L"CloseAllDocumentsAndExit")
      options.silentMember = 46;
    else
      Reject(L"SILENT_IN", *member);
  }
  options.exitAfterMs = ReadUnsigned(L"EXIT_AFTER_MS");
  options.lifetimeMs = ReadUnsigned(L"LIFETIME_MS");
  if (const auto code = ReadUnsigned(L"EXIT_CODE")) options.exitCode = *code;
  options.crashAfterMs = ReadUnsigned(L"CRASH_AFTER_MS");
  options.crashKind = ReadSwitch(L"CRASH_KIND", L"access-violation", L"terminate", false)
                          ? CrashKind::kAccessViolation
                          : CrashKind::kTerminate;
  if (const auto code = ReadUnsigned(L"CRASH_CODE")) options.crashCode = *code;
  if (const auto delay = ReadUnsigned(L"CLOSE_DELAY_MS")) options.closeDelayMs = *delay;

  options.recordPath = RecordPath();
  options.showWindow = ReadSwitch(L"WINDOW", L"1", L"0", true);
  options.handOver = ReadSwitch(L"HAND_OVER", L"1", L"0", false);
  return options;
}

std::wstring LanguageFromCommandLine(const std::wstring& commandLine) {
  // The program's file name comes first and may hold blanks, so take the
  // last switch.
  const size_t at = commandLine.rfind(L" -lang");
  if (at == std::wstring::npos) return {};
  const size_t start = at + 6;
  size_t end = start;
  while (end < commandLine.size() && !std::iswspace(commandLine[end])) ++end;
  return commandLine.substr(start, end - start);
}

}  // namespace eureka
