// The diagnostic log as support staff meet it: switched by the host and the
// registry, fresh or appended, one exact line format. Each case is a fresh
// child process, since the log state lives once per process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "KXEnvApp.h"
#include "MWVMLauncher.h"
#include "child_process.h"
#include "files.h"
#include "log_lines.h"
#include "registry.h"

using namespace kxtest;

namespace {

// Child: SetDebugMode as asked (unless KXT_DEBUG is "none"), then one launch's
// worth of environment lines; records the UTC time around them.
KX_CHILD_SCENARIO(log_probe) {
  const std::wstring debug = GetEnv(L"KXT_DEBUG");
  SYSTEMTIME before, after;
  ::GetSystemTime(&before);
  if (debug != L"none") {
    const KXSeDebugMode mode = debug == L"on"    ? KXSeDebugOn
                               : debug == L"off" ? KXSeDebugOff
                               : debug == L"3"   ? static_cast<KXSeDebugMode>(3)
                                                 : KXSeDebugRegistry;
    MWVMLauncher().SetDebugMode(mode, GetEnv(L"KXT_FRESH") == L"0" ? 0 : 1, GetEnv(L"KXT_TAG"));
  }
  KXEnvApp::Instance()->LocateEureka();
  ::GetSystemTime(&after);
  char times[128];
  std::snprintf(times, sizeof times, "%d %d %d %d %d\n%d %d %d %d %d\n", before.wYear,
                before.wMonth, before.wDay, before.wHour, before.wMinute, after.wYear,
                after.wMonth, after.wDay, after.wHour, after.wMinute);
  WriteFileBytes(GetEnv(L"KXT_RESULT"), times);
  return 0;
}

class DebugLog : public testing::Test {
 protected:
  void SetUp() override {
    SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data_.Path());
    SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", L"C:\\Sim");
  }
  std::wstring LogFile() const { return data_.Path() + L"KXVirtualMachine.log"; }
  bool Logged() const { return FileExists(LogFile()); }

  // Runs the probe with KXT_DEBUG=debug (and more variables).
  void Run(const std::wstring& debug, std::vector<std::wstring> env = {}) {
    env.push_back(L"KXT_DEBUG=" + debug);
    env.push_back(L"KXT_RESULT=" + data_.Path() + L"times.txt");
    const ChildResult run = RunChildScenario("log_probe", 30000, env);
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0u);
  }
  std::optional<RawValue> Flag() const {
    return ReadRaw(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug");
  }

  ScopedRegistryTrees trees_ = ProductTrees();
  TempFolder data_{L"log data"};
};

DWORD AsDword(const std::optional<RawValue>& value) {
  DWORD n = 0;
  if (value && value->bytes.size() == 4) std::memcpy(&n, value->bytes.data(), 4);
  return n;
}

}  // namespace

TEST_F(DebugLog, HostThatNeverSwitchesGetsNoLogAndNoKey) {
  Run(L"none");
  EXPECT_FALSE(Logged());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDebugKey));

  // Without the key, even "on" neither logs nor creates it.
  Run(L"on");
  EXPECT_FALSE(Logged());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDebugKey));
}

TEST_F(DebugLog, RegistryFlagInEveryMode) {
  CreateKey(HKEY_CURRENT_USER, kDebugKey);

  // Registry mode, value missing: logging stays off.
  Run(L"registry");
  EXPECT_FALSE(Logged());
  EXPECT_FALSE(Flag());

  // "On" logs and stores 1; a later process in registry mode follows it.
  Run(L"on");
  EXPECT_TRUE(Logged());
  ASSERT_TRUE(Flag());
  EXPECT_EQ(Flag()->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(AsDword(Flag()), 1u);
  ::DeleteFileW(LogFile().c_str());
  Run(L"registry");
  EXPECT_TRUE(Logged());

  // "Off" stores 0; registry mode then stays silent.
  ::DeleteFileW(LogFile().c_str());
  Run(L"off");
  EXPECT_FALSE(Logged());
  EXPECT_EQ(AsDword(Flag()), 0u);
  Run(L"registry");
  EXPECT_FALSE(Logged());

  // An unknown mode changes and stores nothing.
  SetDword(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug", 7);
  Run(L"3");
  EXPECT_FALSE(Logged());
  EXPECT_EQ(AsDword(Flag()), 7u);

  // A one-character string fits the 4 bytes read and is non-zero: on.
  SetString(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug", L"0");
  Run(L"registry");
  EXPECT_TRUE(Logged());
  ::DeleteFileW(LogFile().c_str());

  // A longer string does not fit: the flag is left as it was (off).
  SetString(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug", L"10");
  Run(L"registry");
  EXPECT_FALSE(Logged());
}

TEST_F(DebugLog, FreshFileOrAppend) {
  CreateKey(HKEY_CURRENT_USER, kDebugKey);

  // Appending to a missing file creates it.
  Run(L"on", {L"KXT_FRESH=0"});
  const auto first = ReadLines(LogFile());
  ASSERT_FALSE(first.empty());

  // Appending keeps what was there.
  Run(L"on", {L"KXT_FRESH=0"});
  auto lines = ReadLines(LogFile());
  ASSERT_EQ(lines.size(), 2 * first.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + first.size()), first);

  // A fresh log empties it at the first line.
  Run(L"on", {L"KXT_FRESH=1"});
  EXPECT_EQ(ReadLines(LogFile()).size(), first.size());

  // Every line ends with CR LF, none is left open.
  const std::string bytes = ReadFileBytes(LogFile());
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST_F(DebugLog, LineFormatTagUtcAndLiteralText) {
  CreateKey(HKEY_CURRENT_USER, kDebugKey);
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", L"C:\\100% %d%s");
  Run(L"on", {L"KXT_TAG=Kalvex %s : tag"});
  const auto lines = ReadLines(LogFile());
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    const LogLine parsed = ParseLogLine(line);
    ASSERT_TRUE(parsed.wellFormed) << line;
    EXPECT_EQ(parsed.tag, "Kalvex %s : tag");
  }
  EXPECT_EQ(ParseLogLine(lines.back()).message, "LocateEureka : C:\\100% %d%s\\");

  // The time is UTC, between the moments taken around the lines.
  int b[5], a[5];
  ASSERT_EQ(std::sscanf(ReadFileBytes(data_.Path() + L"times.txt").c_str(), "%d %d %d %d %d %d %d %d %d %d",
                        &b[0], &b[1], &b[2], &b[3], &b[4], &a[0], &a[1], &a[2], &a[3], &a[4]),
            10);
  const LogLine t = ParseLogLine(lines.front());
  auto minutes = [](int y, int mo, int d, int h, int mi) {
    return (((y * 13 + mo) * 32 + d) * 24 + h) * 60 + mi;
  };
  const int logged = minutes(t.year, t.month, t.day, t.hour, t.minute);
  EXPECT_GE(logged, minutes(b[0], b[1], b[2], b[3], b[4]));
  EXPECT_LE(logged, minutes(a[0], a[1], a[2], a[3], a[4]));

  // An empty tag: the line starts with a blank and " : ".
  Run(L"on", {L"KXT_TAG="});
  const std::string line = ReadLines(LogFile()).front();
  EXPECT_EQ(line.substr(0, 4), "  : ");
  EXPECT_TRUE(ParseLogLine(line).wellFormed) << line;
}
