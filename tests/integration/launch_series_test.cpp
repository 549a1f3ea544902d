// Twenty launches in a row whose Eureka ends badly, or whose version read
// fails, leave the host as they found it once the launchers are gone: no
// handle and no memory kept per launch.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include <comdef.h>

#include "MWVMLauncher.h"
#include "child_process.h"
#include "files.h"
#include "registry.h"

using namespace kxtest;

namespace {

struct Usage {
  DWORD handles = 0;
  SIZE_T privateBytes = 0;
};

// Wine reports neither a handle count nor private bytes through the usual
// calls, so both are counted directly: every handle value that answers, and
// every committed private page.
Usage Measure() {
  Usage usage;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++usage.handles;
  }
  MEMORY_BASIC_INFORMATION info;
  for (const char* at = nullptr; ::VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) usage.privateBytes += info.RegionSize;
  }
  return usage;
}

// Ends the running Eureka from outside once it has recorded its pid.
void EndFromOutsideAfter(const std::wstring& record, DWORD ms) {
  for (int i = 0; i < 500; ++i) {
    const std::string text = ReadFileBytes(record);
    if (const size_t at = text.find("pid="); at != std::string::npos) {
      ::Sleep(ms);
      if (HANDLE p = ::OpenProcess(PROCESS_TERMINATE, FALSE, std::atoi(text.c_str() + at + 4))) {
        ::TerminateProcess(p, 9);
        ::CloseHandle(p);
      }
      return;
    }
    ::Sleep(10);
  }
}

// Child: the launches, each kind in turn; reports usage after the first and the last.
KX_CHILD_SCENARIO(launch_series) {
  const std::wstring record = GetEnv(L"KXT_RESULT") + L".record";
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_RECORD", record.c_str());
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");
  Usage first, last;
  int failures = 0;
  // Wine's COM runtime grows its pools over the first two calls into another
  // process (about 3 MB each, flat afterwards): two launches that reach the
  // automation object come first and are not counted.
  for (int i = -2; i < 20; ++i) {
    ::DeleteFileW(record.c_str());
    // 0 exits before publishing, 1 crashes, 2 is ended from outside, 3
    // fails its version read and exits later by itself.
    const int kind = i < 0 ? 1 : i % 4;
    ::SetEnvironmentVariableW(L"EUREKA_STANDIN_PUBLISH_DELAY_MS",
                              kind == 0 || kind == 2 ? L"never" : L"0");
    ::SetEnvironmentVariableW(L"EUREKA_STANDIN_EXIT_AFTER_MS", kind == 0 ? L"200" : nullptr);
    ::SetEnvironmentVariableW(L"EUREKA_STANDIN_CRASH_AFTER_MS", kind == 1 ? L"1500" : nullptr);
    ::SetEnvironmentVariableW(L"EUREKA_STANDIN_API_VERSION", kind == 3 ? L"exception" : nullptr);
    ::SetEnvironmentVariableW(L"EUREKA_STANDIN_LIFETIME_MS", kind == 3 ? L"1500" : nullptr);
    std::thread outside;
    if (kind == 2) outside = std::thread(EndFromOutsideAfter, record, 1500);
    {
      MWVMLauncher launcher;
      launcher.SetDebugMode(KXSeDebugOn, 0, L"series");
      try {
        failures += launcher.LaunchEureka() == 1 && kind != 3 ? 0 : 1;
      } catch (const _com_error& e) {
        failures += kind == 3 && e.Error() == DISP_E_EXCEPTION ? 0 : 1;
      }
    }
    if (outside.joinable()) outside.join();
    // A launch that reached the automation object leaves Wine's COM runtime
    // holding ~3 MB until a launch that does not reach it frees it; memory
    // is therefore read after the launches ended from outside, handles after
    // every one.
    if (i < 0) continue;
    const Usage now = Measure();
    if (i == 0) first.handles = now.handles;
    last.handles = std::max(last.handles, now.handles);
    if (kind == 2 && first.privateBytes == 0) first.privateBytes = now.privateBytes;
    if (kind == 2) last.privateBytes = std::max(last.privateBytes, now.privateBytes);
  }
  WriteFileBytes(GetEnv(L"KXT_RESULT"),
                 std::to_string(failures) + " " + std::to_string(first.handles) + " " +
                     std::to_string(last.handles) + " " + std::to_string(first.privateBytes) + " " +
                     std::to_string(last.privateBytes));
  return 0;
}

}  // namespace

TEST(LaunchSeries, TwentyBadEndingsLeakNoHandleAndNoMemory) {
  const auto trees = ProductTrees();
  TempFolder data(L"series data"), sim(L"series sim");
  CopyFileTo(ProgramFolder() + L"Eureka.exe", sim.Path() + L"Eureka.exe");
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data.Path());
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", sim.Path());
  CreateKey(HKEY_CURRENT_USER, kDebugKey);
  const std::wstring result = data.Path() + L"series.txt";
  const ChildResult run = RunChildScenario("launch_series", 300000, {L"KXT_RESULT=" + result});
  ASSERT_TRUE(run.finished);
  int failures = -1;
  unsigned long handles[2] = {}, memory[2] = {};
  ASSERT_EQ(std::sscanf(ReadFileBytes(result).c_str(), "%d %lu %lu %lu %lu", &failures, &handles[0],
                        &handles[1], &memory[0], &memory[1]),
            5);
  EXPECT_EQ(failures, 0);
  EXPECT_GT(handles[0], 0u);
  EXPECT_LE(handles[1], handles[0] + 2) << "most handles after a later launch";
  EXPECT_LE(memory[1], memory[0] + 256 * 1024) << "most private bytes after a later launch";
  std::printf("handles %lu -> %lu, private bytes %lu -> %lu\n", handles[0], handles[1], memory[0],
              memory[1]);
}
