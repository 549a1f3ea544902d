// Runs a scenario of this test program in a child process, for behaviour
// that ends the process or needs a fresh one (first use of a singleton).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kxtest {

using ChildScenario = std::function<int()>;

// Registers a scenario under a name; the test main runs it when the program
// is started with --kx-child=NAME and exits with its result.
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

// Starts this program with --kx-child=NAME and waits for it.
// extraEnv: "NAME=value" entries added to the inherited environment.
ChildResult RunChildScenario(const std::string& name, DWORD timeoutMs = 60000,
                             const std::vector<std::wstring>& extraEnv = {});
// The same, with a copy of this program elsewhere (another folder, a patched
// import) as the child.
ChildResult RunChildScenarioFrom(const std::wstring& program, const std::string& name,
                                 DWORD timeoutMs = 60000,
                                 const std::vector<std::wstring>& extraEnv = {});

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
  HANDLE Handle() const { return handle_; }
  DWORD Pid() const { return pid_; }
  // Waits for its end; STILL_ACTIVE when it still runs after the time-out.
  DWORD ExitCode(DWORD timeoutMs);
  // Ends the program if it still runs.
  void Terminate(UINT code = 1);

 private:
  HANDLE handle_ = nullptr;
  DWORD pid_ = 0;
};

// The value of an environment variable of this process; empty when unset.
std::wstring GetEnv(const wchar_t* name);

// This program's own full file name.
std::wstring SelfPath();

}  // namespace kxtest
