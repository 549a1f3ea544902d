// Scenarios of a test program run in a child process: what ends a process or needs a fresh one.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace kxtest {

inline std::map<std::string, int (*)()>& ChildScenarios() {
  static std::map<std::string, int (*)()> scenarios;
  return scenarios;
}

// The test programs' main: the scenario that --kx-child=NAME names, with its result as the
// exit code, or the tests.
inline int TestMain(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--kx-child=", 11) == 0) {
      const auto it = ChildScenarios().find(argv[i] + 11);
      return it == ChildScenarios().end() ? 97 : it->second();
    }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#define KX_CHILD_SCENARIO(name)                                    \
  static int KxChild_##name();                                     \
  [[maybe_unused]] static const bool kxChildReg_##name =           \
      (::kxtest::ChildScenarios()[#name] = &KxChild_##name, true); \
  static int KxChild_##name()

inline std::wstring SelfPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// Empty when unset.
inline std::wstring GetEnv(const wchar_t* name) {
  wchar_t value[32768];
  const DWORD n = ::GetEnvironmentVariableW(name, value, 32768);
  return n > 0 && n < 32768 ? std::wstring(value, n) : std::wstring();
}

// A started program; the handle is closed with the object.
class StartedProcess {
 public:
  // extraEnv holds "NAME=value" entries over the inherited environment;
  // outputFile is where its standard output and error go.
  StartedProcess(const std::wstring& program, const std::wstring& arguments,
                 const std::vector<std::wstring>& extraEnv = {},
                 const std::wstring& outputFile = {}) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments, env;
    // The extra entries, then the inherited ones of other names.
    for (const std::wstring& entry : extraEnv) env += entry + L'\0';
    wchar_t* inherited = ::GetEnvironmentStringsW();
    for (const wchar_t* p = inherited; *p; p += wcslen(p) + 1) {
      const std::wstring entry = p, name = entry.substr(0, entry.find(L'=', 1) + 1);
      if (std::none_of(extraEnv.begin(), extraEnv.end(), [&](const std::wstring& e) {
            return _wcsnicmp(e.c_str(), name.c_str(), name.size()) == 0;
          }))
        env += entry + L'\0';
    }
    ::FreeEnvironmentStringsW(inherited);
    STARTUPINFOW si{.cb = sizeof(STARTUPINFOW)};
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    if (!outputFile.empty()) {
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdOutput = si.hStdError =
          ::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                        CREATE_ALWAYS, 0, nullptr);
    }
    PROCESS_INFORMATION pi{};
    const BOOL started =
        ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, !outputFile.empty(),
                         CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &si, &pi);
    error_ = started ? 0 : ::GetLastError();
    if (si.hStdOutput && si.hStdOutput != INVALID_HANDLE_VALUE) ::CloseHandle(si.hStdOutput);
    if (!started) return;
    ::CloseHandle(pi.hThread);
    handle_ = pi.hProcess;
  }
  ~StartedProcess() {
    if (handle_) ::CloseHandle(handle_);
  }
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  bool Started() const { return handle_ != nullptr; }
  DWORD Error() const { return error_; }  // of its creation
  // Waits for its end; STILL_ACTIVE when it still runs after the time-out.
  DWORD ExitCode(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (handle_ && ::WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0)
      ::GetExitCodeProcess(handle_, &code);
    return code;
  }
  // Ends the program if it still runs.
  void Terminate(UINT code = 1) {
    if (handle_ && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(handle_, code);
      ::WaitForSingleObject(handle_, 5000);
    }
  }

 private:
  HANDLE handle_ = nullptr;
  DWORD error_ = 0;
};

struct ChildResult {
  DWORD exitCode = 0;
  bool finished = false;  // false: still running at the time-out, then ended
};

// Runs this program (or a copy elsewhere) with --kx-child=NAME.
inline ChildResult RunChildScenario(const std::string& name, DWORD timeoutMs = 60000,
                                    const std::vector<std::wstring>& extraEnv = {},
                                    const std::wstring& program = SelfPath()) {
  StartedProcess child(program, L"--kx-child=" + std::wstring(name.begin(), name.end()), extraEnv);
  EXPECT_TRUE(child.Started()) << name << ": not created, error " << child.Error();
  const DWORD code = child.ExitCode(timeoutMs);
  if (code == STILL_ACTIVE) child.Terminate(99);
  return {code, child.Started() && code != STILL_ACTIVE};
}

}  // namespace kxtest
