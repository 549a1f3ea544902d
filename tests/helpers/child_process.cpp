#include "child_process.h"

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

std::vector<wchar_t> EnvironmentBlock(const std::vector<std::wstring>& extra) {
  std::vector<wchar_t> block;
  wchar_t* env = ::GetEnvironmentStringsW();
  for (const wchar_t* p = env; *p; p += wcslen(p) + 1) block.insert(block.end(), p, p + wcslen(p) + 1);
  ::FreeEnvironmentStringsW(env);
  for (const auto& entry : extra) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

ChildResult RunChildScenario(const std::string& name, DWORD timeoutMs,
                             const std::vector<std::wstring>& extraEnv) {
  const std::wstring self = SelfPath();
  std::wstring commandLine = L"\"" + self + L"\" --kx-child=" +
                             std::wstring(name.begin(), name.end());
  std::vector<wchar_t> env = EnvironmentBlock(extraEnv);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  ChildResult result;
  if (!::CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &si, &pi))
    return result;
  result.finished = ::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
  if (!result.finished) {
    ::TerminateProcess(pi.hProcess, 99);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
  }
  ::GetExitCodeProcess(pi.hProcess, &result.exitCode);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return result;
}

}  // namespace kxtest
