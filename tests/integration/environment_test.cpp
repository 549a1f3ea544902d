// The environment and the log as a host sees them, each case in a fresh child
// process (both live once per process).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "KXEnvApp.h"
#include "MWVMLauncher.h"
#include "child_process.h"
#include "files.h"
#include "log_lines.h"
#include "message_box_watcher.h"
#include "registry.h"

using namespace kxtest;
using Lines = std::vector<std::string>;

namespace {

const std::string kProduct = Narrow(kProductKey), kVendor = Narrow(kVendorKey);
const std::string kHkcuProduct = "HKEY_CURRENT_USER\\" + kProduct;

// Child: SetDebugMode as KXT_DEBUG says, then the singleton; reports its folders. With
// KXT_THREADS, four threads then search and read Eureka's folder: the wrong reads.
KX_CHILD_SCENARIO(env_probe) {
  const std::wstring debug = GetEnv(L"KXT_DEBUG");
  if (!debug.empty())
    MWVMLauncher().SetDebugMode(static_cast<KXSeDebugMode>(_wtoi(debug.c_str())),
                                GetEnv(L"KXT_FRESH") == L"0" ? 0 : 1, GetEnv(L"KXT_TAG"));
  KXEnvApp* env = KXEnvApp::Instance();
  const std::wstring exe = env->GetEurekaExeFilePath();
  ChildReport report;
  report.Put(L"data", env->GetDataPath()).Put(L"install", env->GetKXVrtualMachInstallationPath());
  report.Put(L"exe", exe).Put(L"json", SupportReport());
  if (GetEnv(L"KXT_RELOCATE") == L"1") report.Put(L"relocate", env->LocateDataPath());
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads(GetEnv(L"KXT_THREADS") == L"1" ? 4 : 0);
  for (auto& thread : threads)
    thread = std::thread([&] {
      for (int n = 0; n < 300; ++n) {
        env->LocateEureka();
        wrong += env->GetEurekaExeFilePath() != exe;
      }
    });
  for (auto& thread : threads) thread.join();
  report.Put(L"wrong", wrong.load()).Write();
  return 0;
}

template <class E, class F>
bool Throws(F call) {
  try {
    call();
  } catch (const E&) {
    return true;
  }
  return false;
}

// Child: no data folder. While the box waits (OK ends the process, unless
// KXT_STAY asks for it to be reported), another thread's question must be
// answered. Neither a log line nor a close starts the environment.
KX_CHILD_SCENARIO(env_no_data) {
  std::atomic<int> shown{0};
  const MessageBoxWatcher boxes([&](const std::wstring& text, const std::wstring& caption) {
    const HANDLE returned = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread([returned] {
      Throws<kxvm::NoDataFolder>([] { KXEnvApp::Instance()->GetDataPath(); });
      ::SetEvent(returned);
    }).detach();
    const bool back = ::WaitForSingleObject(returned, 5000) == WAIT_OBJECT_0;
    WriteFileBytes(GetEnv(L"KXT_RESULT"),
                   Narrow(text + L"|" + caption + L"|" + std::to_wstring(++shown) +
                          L" box, other thread " + (back ? L"returned" : L"waited")));
  });
  SetDebugLogMode(KXSeDebugOn, 1, L"nodata");
  MWVMLauncher launcher;
  launcher.CloseAllDocAndExitVM();
  if (WriteDebugLog(L"no folder to write to") != 0) return 3;
  if (GetEnv(L"KXT_STAY") != L"1") {
    KXEnvApp::Instance();
    return 42;
  }
  KXEnvApp::ReportMissingDataFolder();
  for (int i = 0; i < 2; ++i)
    if (!Throws<kxvm::NoDataFolder>([] { KXEnvApp::Instance(); })) return 5;
  if (launcher.LaunchEureka() != 0 || launcher.LastOutcome() != KXLaunchOutcome::NoDataFolder)
    return 4;
  // Too late: the environment has started.
  return Throws<std::logic_error>([] { KXEnvApp::ReportMissingDataFolder(); }) ? 7 : 6;
}

// This program and the library in an installation folder of the test's own; the log's switch
// key exists.
class Env : public testing::Test {
 protected:
  Env() {
    CopyFileTo(SelfPath(), Program());
    CopyFileTo(ProgramFolder() + kLibrary, install_.Path() + kLibrary);
    SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data_.Path());
    CreateKey(HKEY_CURRENT_USER, kDebugKey);
  }
  std::wstring Program() const { return install_.Path() + L"env_host.exe"; }
  std::wstring LogFile() const { return data_.Path() + L"KXVirtualMachine.log"; }
  Lines Log() const { return LogMessages(LogFile()); }

  Report Probe(std::vector<std::wstring> env = {}, const std::wstring& program = {}) {
    const std::wstring result = install_.Path() + L"result.txt";
    ::DeleteFileW(result.c_str());
    env.push_back(L"KXT_RESULT=" + result);
    const ChildResult run =
        RunChildScenario("env_probe", 30000, env, program.empty() ? Program() : program);
    EXPECT_TRUE(run.finished && run.exitCode == 0);
    return ReadReport(result);
  }
  // The probe's data folder or Eureka.exe, which its support report names too.
  std::string Found(const char* field, std::vector<std::wstring> env = {}) {
    Report report = Probe(std::move(env));
    if (report[field].empty() || report["json"].empty()) return "<no report>";
    std::string json = std::string(field) == "data" ? "\"found\":\"" : "\"executable\":\"";
    for (const char c : report[field][0]) json += c == '\\' ? "\\\\" : std::string(1, c);
    EXPECT_NE(report["json"][0].find(json + '"'), std::string::npos) << "the report disagrees";
    return report[field][0];
  }

  ScopedRegistryTrees trees_ = ProductTrees();
  TempFolder install_{L"Kalvex Install"}, data_{L"Kalvex Data"};
};

}  // namespace

TEST_F(Env, DataFolderComesFromFourPlacesInOrderNormalised) {
  DeleteTree(HKEY_CURRENT_USER, kProductKey);
  TempFolder swLm(L"sw lm"), seCu(L"se cu"), seLm(L"se lm");
  SetString(HKEY_LOCAL_MACHINE, kProductSEKey, L"KXDataPath", seLm.Path());
  EXPECT_EQ(Found("data"), Narrow(seLm.Path()));
  SetString(HKEY_CURRENT_USER, kProductSEKey, L"KXDataPath", seCu.Path());
  EXPECT_EQ(Found("data"), Narrow(seCu.Path()));
  const std::wstring noSlash = swLm.Path().substr(0, swLm.Path().size() - 1);  // returned with one
  SetString(HKEY_LOCAL_MACHINE, kProductKey, L"KXDataPath", noSlash);
  EXPECT_EQ(Found("data"), Narrow(swLm.Path()));
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", L"");  // empty counts as missing
  EXPECT_EQ(Found("data"), Narrow(swLm.Path()));
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data_.Path());
  EXPECT_EQ(Found("data"), Narrow(data_.Path()));
}

// Product key, vendor key, installation folder, with the lines support staff read.
TEST_F(Env, EurekaFromProductKeyVendorKeyThenInstallFolder) {
  const std::string install = Narrow(install_.Path());
  TempFolder cuSim(L"cu sim"), lmSim(L"lm sim"), empty(L"no sim");
  const std::string vendorExe = Narrow(empty.Path()) + "%d%s\\Eureka.exe";
  for (TempFolder* sim : {&cuSim, &lmSim}) WriteFileBytes(sim->Path() + L"Eureka.exe", "MZ");
  auto exe = [this] { return Found("exe", {L"KXT_DEBUG=1"}); };
  const Lines head = {
      "CKXSolidsApp::LocateEureka", "CKXSolidsApp::GetKXEurekaPath",
      "Successful Open " + kHkcuProduct,
      "GetKXEurekaPath : failed to access registry value " + kHkcuProduct + "\\EurekaExePath"};

  EXPECT_EQ(exe(), install + "Eureka.exe");
  auto expected = head;
  expected.insert(expected.end(),
                  {"LocateEureka : failed to open registry HKEY_LOCAL_MACHINE\\" + kVendor,
                   "LocateEureka : Now locating based on relative path of Eureka.exe based on "
                   "location of VMLauncher.exe",
                   "LocateEureka : Error, Eureka.exe not found at " + install});
  EXPECT_EQ(Log(), expected);

  CreateKey(HKEY_LOCAL_MACHINE, kVendorKey);
  WriteFileBytes(install_.Path() + L"Eureka.exe", "MZ");
  EXPECT_EQ(exe(), install + "Eureka.exe");
  EXPECT_EQ(
      Tail(Log(), 3),
      (Lines{"LocateEureka : failed to access registry value HKEY_LOCAL_MACHINE\\" + kVendor +
                 "\\EurekaDir",
             "LocateEureka : Now locating based on relative path of Eureka.exe wrt VMLauncher.exe",
             "LocateEureka : Success, Path of Eureka.exe is " + install}));

  // The vendor folder is trusted unseen, and "%d" in it is logged as it stands. Four threads
  // searching at once, each through the installation folder, see it whole and log whole lines.
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", empty.Path() + L"%d%s");
  EXPECT_EQ(Pick(Probe({L"KXT_DEBUG=1", L"KXT_THREADS=1"}), {"exe", "wrong"}),
            (Lines{"exe=" + vendorExe, "wrong=0"}));  // none read half-way
  const auto lines = ReadLines(LogFile());
  EXPECT_GE(lines.size(), 4u * 300u * 5u);
  for (const std::string& line : lines) ASSERT_TRUE(ParseLogLine(line).wellFormed) << line;
  EXPECT_EQ(Log().back(), "LocateEureka : " + Narrow(empty.Path()) + "%d%s\\");

  // Only machine-wide, the product key is no fall-back.
  SetString(HKEY_LOCAL_MACHINE, kProductKey, L"EurekaExePath", lmSim.Path());
  DeleteTree(HKEY_CURRENT_USER, kProductKey);
  SetString(HKEY_CURRENT_USER, kProductSEKey, L"KXDataPath", data_.Path());  // from here on
  EXPECT_EQ(exe(), vendorExe);

  // A folder without Eureka.exe is logged with the full candidate.
  SetString(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath", empty.Path());
  EXPECT_EQ(exe(), vendorExe);
  EXPECT_EQ(Log().at(3),
            "LocateEureka : failed to findFileData " + Narrow(empty.Path()) + "Eureka.exe");

  // The machine-wide value when the current user's key lacks it; then the user's own.
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kProductKey.c_str(), L"EurekaExePath");
  EXPECT_EQ(exe(), Narrow(lmSim.Path()) + "Eureka.exe");
  EXPECT_EQ(Log(), head);
  SetString(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath", cuSim.Path());
  EXPECT_EQ(exe(), Narrow(cuSim.Path()) + "Eureka.exe");
  EXPECT_EQ(Log(), Lines(head.begin(), head.end() - 1));
}

TEST_F(Env, WithoutADataFolderOneMessageThenExitOrOnRequestAResult) {
  DeleteTree(HKEY_CURRENT_USER, kProductKey);
  const std::wstring result = install_.Path() + L"box.txt";
  for (const auto& [stay, exitCode] : {std::pair{L"0", 0u}, std::pair{L"1", 7u}}) {
    const ChildResult run =
        RunChildScenario("env_no_data", 30000,
                         {L"KXT_RESULT=" + result, L"KXT_STAY=" + std::wstring(stay)}, Program());
    EXPECT_EQ(std::pair(run.finished, run.exitCode), std::pair(true, DWORD{exitCode}));
    EXPECT_EQ(ReadFileBytes(result),
              "Error 203 :\n\nUnable to start Kalvex Virtual Machine. Program not found at "
              "installed location.\n|env_host|1 box, other thread returned");
  }
  // VMLauncher.exe asks for it, and says so.
  const MessageBoxWatcher boxes({}, true);
  const std::wstring out = install_.Path() + L"out.txt";
  StartedProcess tool(ProgramFolder() + L"VMLauncher.exe", L"", {}, out);
  EXPECT_EQ(tool.ExitCode(30000), 1u);
  EXPECT_EQ(ReadFileBytes(out),
            "VMLauncher: not started: no data folder in the registry (Error 203)\n");
}

// Run by a host whose import is patched to a same-length name, found on the PATH: the library
// under another file name takes the host's folder as its installation folder.
TEST_F(Env, RelativeFoldersAreNotFoundWhereverTheHostStandsAndARenamedLibraryTakesItsFolder) {
  std::string image = ReadFileBytes(Program());
  for (size_t at; (at = image.find("KXVirtualMachMgr.dll")) != std::string::npos;)
    image.replace(at, 20, "KXRenamedMachMgr.dll");
  TempFolder host(L"renamed host");
  WriteFileBytes(host.Path() + L"host.exe", image);
  CopyFileTo(ProgramFolder() + kLibrary, install_.Path() + L"KXRenamedMachMgr.dll");
  // The host's current folder holds Eureka.exe under each relative name.
  TempFolder cwd(L"host cwd");
  CreateFolders(cwd.Path() + L"sim");
  WriteFileBytes(cwd.Path() + L"sim\\Eureka.exe", "MZ");
  // Text that would forge a log line if written as it stands.
  SetString(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath",
            L"sim\\\"\r\n VMLauncher : 2026, 1, 1, 0:0:0:0   : forged\a\xD800");
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", L"\\Roboris");
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", L"C:data");
  SetString(HKEY_CURRENT_USER, kProductSEKey, L"KXDataPath", L"");
  // Forward slashes are as absolute as backslashes.
  std::wstring slashed = data_.Path().substr(0, data_.Path().size() - 1);
  std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
  SetString(HKEY_LOCAL_MACHINE, kProductSEKey, L"KXDataPath", slashed);
  ::SetCurrentDirectoryW(cwd.Path().c_str());
  auto report = Probe(
      {L"KXT_DEBUG=1", L"KXT_RELOCATE=1", L"PATH=" + install_.Path() + L";" + GetEnv(L"PATH")},
      host.Path() + L"host.exe");
  ::SetCurrentDirectoryW(install_.Path().c_str());
  EXPECT_EQ(Pick(report, {"data", "install", "relocate", "exe"}),
            (Lines{"data=" + Narrow(slashed) + "\\", "install=" + Narrow(host.Path()), "relocate=1",
                   "exe=" + Narrow(host.Path()) + "Eureka.exe"}));
  // Each is a missing value, logged with what it held, on one line with its control characters
  // visible (a lone surrogate is '?' in the file); the search goes on. The data folder's search,
  // run again, ends the log: a place whose key is missing (HKLM's product key) logs nothing.
  const auto log = Log();
  const std::string failed = " : failed to access registry value HKEY_CURRENT_USER\\";
  EXPECT_EQ(Tail(log, 3),
            (Lines{"LocateDataPath" + failed + kProduct + "\\KXDataPath",
                   "LocateDataPath : not an absolute path: C:data",
                   "LocateSEDataPath" + failed + Narrow(kProductSEKey) + "\\KXDataPath"}));
  const auto count = [&log](auto match) { return std::count_if(log.begin(), log.end(), match); };
  const std::string forged =
      "GetKXEurekaPath : not an absolute path: sim\\\"<CR><LF> VMLauncher : "
      "2026, 1, 1, 0:0:0:0   : forged<U+0007>";
  EXPECT_EQ(count([](const std::string& l) { return l.find("forged") != l.npos; }), 1);
  EXPECT_EQ(count([&](const std::string& l) { return l.rfind(forged, 0) == 0; }), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "LocateEureka : not an absolute path: \\Roboris"),
            1);
  // The report keeps the code units the registry holds, the lone one, quote and backslash escaped.
  EXPECT_NE(SupportReport().find(L"\"text\":\"sim\\\\\\\"\\u000d\\u000a VMLauncher : 2026, 1, 1, "
                                 L"0:0:0:0   : forged\\u0007\\ud800\""),
            std::wstring::npos);
}

TEST_F(Env, LogSwitchInEveryMode) {
  // Whether a process in the mode logged, then the flag stored after it (-: none).
  auto run = [this](const wchar_t* mode) {
    ::DeleteFileW(LogFile().c_str());
    Probe({L"KXT_DEBUG=" + std::wstring(mode)});
    const auto flag = ReadRaw(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug");
    return std::string(FileExists(LogFile()) ? "logs " : "quiet ") +
           (!flag                     ? "-"
            : flag->type != REG_DWORD ? "?"
                                      : std::to_string(flag->bytes.at(0)));
  };
  Lines runs;
  DeleteTree(HKEY_CURRENT_USER, kDebugKey);
  for (const wchar_t* mode : {L"", L"1"}) runs.push_back(run(mode));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kDebugKey));
  CreateKey(HKEY_CURRENT_USER, kDebugKey);
  for (const wchar_t* mode : {L"0", L"1", L"0", L"2", L"0"}) runs.push_back(run(mode));
  SetDword(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug", 7);
  runs.push_back(run(L"3"));
  // Without the key nothing logs and nothing is made, "on" included. The registry mode follows
  // the stored flag, on and off store it, an unknown mode changes and stores nothing.
  EXPECT_EQ(runs, (Lines{"quiet -", "quiet -", "quiet -", "logs 1", "logs 1", "quiet 0", "quiet 0",
                         "quiet 7"}));
}

TEST_F(Env, LogIsFreshOrAppendedWithExactLines) {
  // log_utc_test runs this under TZ=IST-5:30, where local time is not UTC.
  SYSTEMTIME before, after, local;
  ::GetSystemTime(&before);
  ::GetLocalTime(&local);
  ASSERT_TRUE(GetEnv(L"TZ").empty() || before.wHour != local.wHour) << "TZ ignored";
  Probe({L"KXT_DEBUG=1", L"KXT_FRESH=0", L"KXT_TAG=Kalvex %s : tag"});  // creates a missing file
  ::GetSystemTime(&after);
  const auto first = ReadLines(LogFile());
  ASSERT_FALSE(first.empty());
  for (const std::string& line : first) {
    const LogLine l = ParseLogLine(line);  // numbers not zero-filled, "   : " before the text
    ASSERT_TRUE(l.wellFormed) << line;
    EXPECT_EQ(l.tag, "Kalvex %s : tag");
    // UTC: the minute of one of the moments around the run.
    auto same = [&l](const SYSTEMTIME& t) {
      return std::tie(l.year, l.month, l.day, l.hour, l.minute) ==
             std::tuple<int, int, int, int, int>(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    };
    EXPECT_TRUE(same(before) || same(after)) << line;
  }

  Probe({L"KXT_DEBUG=1", L"KXT_FRESH=0"});
  const auto appended = ReadLines(LogFile());
  ASSERT_EQ(appended.size(), 2 * first.size());
  EXPECT_TRUE(std::equal(first.begin(), first.end(), appended.begin()));
  EXPECT_EQ(appended.back().substr(0, 4), "  : ");  // an empty tag: " " + " : "

  Probe({L"KXT_DEBUG=1", L"KXT_FRESH=1"});
  EXPECT_EQ(ReadLines(LogFile()).size(), first.size());
  const std::string bytes = ReadFileBytes(LogFile());
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}
