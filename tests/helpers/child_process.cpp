#include "child_process.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace kxtest {

std::map<std::string, ChildScenario>& ChildScenarios() {
  static std::map<std::string, ChildScenario> scenarios;
  return scenarios;
}

ChildScenarioRegistration::ChildScenarioRegistration(const char* name, ChildScenario scenario) {
  ChildScenarios()[name] = std::move(scenario);
}

std::wstring SelfPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

namespace {

// Extra entries replace inherited ones of the same name.
std::vector<wchar_t> EnvironmentBlock(const std::vector<std::wstring>& extra) {
  auto nameOf = [](const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); };
  std::vector<std::wstring> entries = extra;
  wchar_t* env = ::GetEnvironmentStringsW();
  for (const wchar_t* p = env; *p; p += wcslen(p) + 1)
    if (std::none_of(extra.begin(), extra.end(), [&](const std::wstring& e) {
          return _wcsicmp(nameOf(e).c_str(), nameOf(p).c_str()) == 0;
        }))
      entries.emplace_back(p);
  ::FreeEnvironmentStringsW(env);
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries)
    block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
  block.push_back(L'\0');
  return block;
}

}  // namespace

std::wstring GetEnv(const wchar_t* name) {
  wchar_t value[32768];
  const DWORD n = ::GetEnvironmentVariableW(name, value, 32768);
  return n > 0 && n < 32768 ? std::wstring(value, n) : std::wstring();
}

ChildResult RunChildScenario(const std::string& name, DWORD timeoutMs,
                             const std::vector<std::wstring>& extraEnv,
                             const std::wstring& program) {
  StartedProcess child(program, L"--kx-child=" + std::wstring(name.begin(), name.end()), extraEnv);
  ChildResult result;
  result.exitCode = child.ExitCode(timeoutMs);
  result.finished = child.Started() && result.exitCode != STILL_ACTIVE;
  if (!result.finished) child.Terminate(99);
  return result;
}

StartedProcess::StartedProcess(const std::wstring& program, const std::wstring& arguments,
                               const std::vector<std::wstring>& extraEnv,
                               const std::wstring& outputFile) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  std::vector<wchar_t> env = EnvironmentBlock(extraEnv);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!outputFile.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    output = ::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                           CREATE_ALWAYS, 0, nullptr);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = output;
  }
  PROCESS_INFORMATION pi{};
  const BOOL started =
      ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, !outputFile.empty(),
                       CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &si, &pi);
  if (output != INVALID_HANDLE_VALUE) ::CloseHandle(output);
  if (!started) return;
  ::CloseHandle(pi.hThread);
  handle_ = pi.hProcess;
}

StartedProcess::~StartedProcess() {
  if (handle_) ::CloseHandle(handle_);
}

DWORD StartedProcess::ExitCode(DWORD timeoutMs) {
  DWORD code = STILL_ACTIVE;
  if (handle_ && ::WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(handle_, &code);
  return code;
}

void StartedProcess::Terminate(UINT code) {
  if (handle_ && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(handle_, code);
    ::WaitForSingleObject(handle_, 5000);
  }
}

}  // namespace kxtest
