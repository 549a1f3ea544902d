// Scenarios of a test program run in a child process: what ends a process or
// needs a fresh one.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kxtest {

using ChildScenario = std::function<int()>;

// The test main runs it for --kx-child=NAME and exits with its result.
struct ChildScenarioRegistration {
  ChildScenarioRegistration(const char* name, ChildScenario scenario);
};
std::map<std::string, ChildScenario>& ChildScenarios();

#define KX_CHILD_SCENARIO(name)                                                               \
  static int KxChild_##name();                                                                \
  static const ::kxtest::ChildScenarioRegistration kxChildReg_##name(#name, &KxChild_##name); \
  static int KxChild_##name()

struct ChildResult {
  DWORD exitCode = 0;
  bool finished = false;  // false: still running at the time-out, then ended
};

// This program's own full file name.
std::wstring SelfPath();

// Runs this program (or a copy elsewhere) with --kx-child=NAME; extraEnv
// holds "NAME=value" entries over the inherited environment.
ChildResult RunChildScenario(const std::string& name, DWORD timeoutMs = 60000,
                             const std::vector<std::wstring>& extraEnv = {},
                             const std::wstring& program = SelfPath());

// A started program; the handle is closed with the object.
class StartedProcess {
 public:
  // outputFile: where its standard output and error go.
  StartedProcess(const std::wstring& program, const std::wstring& arguments,
                 const std::vector<std::wstring>& extraEnv = {},
                 const std::wstring& outputFile = {});
  ~StartedProcess();
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;
  bool Started() const { return handle_ != nullptr; }
  // Waits for its end; STILL_ACTIVE when it still runs after the time-out.
  DWORD ExitCode(DWORD timeoutMs);
  // Ends the program if it still runs.
  void Terminate(UINT code = 1);

 private:
  HANDLE handle_ = nullptr;
};

// The value of an environment variable of this process; empty when unset.
std::wstring GetEnv(const wchar_t* name);

}  // namespace kxtest
