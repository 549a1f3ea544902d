// The environment singleton as a host sees it: where it finds the data
// folder and Eureka.exe, what it logs, and how it fails. Every case runs in a
// fresh child process, since the singleton lives once per process.
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "KXEnvApp.h"
#include "MWVMLauncher.h"
#include "child_process.h"
#include "files.h"
#include "log_lines.h"
#include "message_box_watcher.h"
#include "registry.h"

using namespace kxtest;

namespace {

constexpr wchar_t kLibrary[] = L"KXVirtualMachMgr.dll";

// Child: switch logging as asked, create the singleton, report what it found.
KX_CHILD_SCENARIO(env_probe) {
  const std::wstring debug = GetEnv(L"KXT_DEBUG");
  if (!debug.empty() && debug != L"none") {
    const KXSeDebugMode mode = debug == L"on"    ? KXSeDebugOn
                               : debug == L"off" ? KXSeDebugOff
                               : debug == L"3"   ? static_cast<KXSeDebugMode>(3)
                                                 : KXSeDebugRegistry;
    MWVMLauncher().SetDebugMode(mode, GetEnv(L"KXT_FRESH") == L"0" ? 0 : 1, GetEnv(L"KXT_TAG"));
  }
  KXEnvApp* env = KXEnvApp::Instance();
  std::wstring report = L"data=" + env->GetDataPath() + L"\ninstall=" +
                        env->GetKXVrtualMachInstallationPath() + L"\nexe=" +
                        env->GetEurekaExeFilePath() + L"\n";
  if (GetEnv(L"KXT_RELOCATE_DATA") == L"1") report += L"relocate=" + std::to_wstring(env->LocateDataPath()) + L"\n";
  if (GetEnv(L"KXT_LOCATE") == L"1") report += L"locate=" + std::to_wstring(env->LocateEureka()) + L"\n";
  if (KXEnvApp::Instance() != env) report += L"second-instance\n";
  WriteFileBytes(GetEnv(L"KXT_RESULT"), Narrow(report));
  return 0;
}

// Child: no data folder anywhere; records each box's text before OK ends it.
KX_CHILD_SCENARIO(env_no_data) {
  std::thread watcher([] {
    std::wstring caption;
    AnswerNextMessageBox(20000, &caption, [&caption](const std::wstring& text) {
      WriteFileBytes(GetEnv(L"KXT_RESULT"), Narrow(L"box=" + text + L"|caption=" + caption));
    });
  });
  watcher.detach();
  KXEnvApp::Instance();
  return 42;  // not reached: initialisation ends the process
}

// A copy of this program and the library in a folder of their own, so that
// the installation folder and what lies in it are the test's to choose.
class EnvSandbox {
 public:
  explicit EnvSandbox(bool withEurekaBesideLibrary = false)
      : install_(L"Kalvex Install"), data_(L"Kalvex Data") {
    CopyFileTo(SelfPath(), Program());
    CopyFileTo(ProgramFolder() + kLibrary, install_.Path() + kLibrary);
    if (withEurekaBesideLibrary) WriteFileBytes(install_.Path() + L"Eureka.exe", "MZ");
  }

  const std::wstring& InstallFolder() const { return install_.Path(); }
  const std::wstring& DataFolder() const { return data_.Path(); }
  std::wstring LogFile() const { return data_.Path() + L"KXVirtualMachine.log"; }
  std::wstring Program() const { return install_.Path() + L"env_host.exe"; }

  // Runs the probe; returns its report as name -> value.
  std::map<std::string, std::string> Probe(std::vector<std::wstring> env = {}) {
    const std::wstring result = install_.Path() + L"result.txt";
    ::DeleteFileW(result.c_str());
    env.push_back(L"KXT_RESULT=" + result);
    const ChildResult run = RunChildScenarioFrom(Program(), "env_probe", 30000, env);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    std::map<std::string, std::string> report;
    const std::string text = ReadFileBytes(result);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = text.substr(start, end - start);
      const size_t eq = line.find('=');
      report[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
    }
    return report;
  }

 private:
  TempFolder install_;
  TempFolder data_;
};

std::string N(const std::wstring& s) { return Narrow(s); }

const std::string kProduct = "Software\\Brondel\\Kalvex\\Kalvex 2023x64";
const std::string kProductSE = "Software\\Brondel\\KalvexSE\\KalvexSE 2023x64";
const std::string kVendor = "Software\\Roboris\\KalvexVirtualMachine";

void EnableDebugKey() { CreateKey(HKEY_CURRENT_USER, kDebugKey); }

}  // namespace

TEST(Environment, DataFolderComesFromTheFirstOfFourPlaces) {
  const auto trees = ProductTrees();
  EnvSandbox box;
  TempFolder swCu(L"sw cu"), swLm(L"sw lm"), seCu(L"se cu"), seLm(L"se lm");
  auto set = [](HKEY root, const std::wstring& key, const std::wstring& folder) {
    SetString(root, key, L"KXDataPath", folder);
  };
  set(HKEY_LOCAL_MACHINE, kProductSEKey, seLm.Path());
  EXPECT_EQ(box.Probe()["data"], N(seLm.Path()));
  set(HKEY_CURRENT_USER, kProductSEKey, seCu.Path());
  EXPECT_EQ(box.Probe()["data"], N(seCu.Path()));
  set(HKEY_LOCAL_MACHINE, kProductKey, swLm.Path());
  EXPECT_EQ(box.Probe()["data"], N(swLm.Path()));
  set(HKEY_CURRENT_USER, kProductKey, swCu.Path());
  EXPECT_EQ(box.Probe()["data"], N(swCu.Path()));

  // An empty value counts as missing.
  set(HKEY_CURRENT_USER, kProductKey, L"");
  EXPECT_EQ(box.Probe()["data"], N(swLm.Path()));
}

TEST(Environment, FoldersAreNormalisedToOneTrailingBackslash) {
  const auto trees = ProductTrees();
  EnvSandbox box;
  std::wstring data = box.DataFolder();
  data.pop_back();
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data);
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", L"D:\\Sim A");
  auto report = box.Probe();
  EXPECT_EQ(report["data"], N(data) + "\\");
  EXPECT_EQ(report["install"], N(box.InstallFolder()));
  EXPECT_EQ(report["exe"], "D:\\Sim A\\Eureka.exe");

  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", box.DataFolder());
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", L"D:\\Sim A\\");
  report = box.Probe();
  EXPECT_EQ(report["data"], N(box.DataFolder()));
  EXPECT_EQ(report["exe"], "D:\\Sim A\\Eureka.exe");

  // Text after a NUL inside the stored data is not part of the folder.
  const wchar_t withNul[] = L"D:\\Cut\0D:\\Rest";
  SetRaw(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", REG_SZ, withNul, sizeof(withNul));
  EXPECT_EQ(box.Probe()["exe"], "D:\\Cut\\Eureka.exe");
}

TEST(Environment, DataFolderFailuresAreLoggedOnlyForKeysThatExist) {
  const auto trees = ProductTrees();
  EnableDebugKey();
  EnvSandbox box;
  SetString(HKEY_LOCAL_MACHINE, kProductKey, L"KXDataPath", box.DataFolder());

  // Current-user key missing: the failed first place leaves no line.
  box.Probe({L"KXT_DEBUG=on", L"KXT_RELOCATE_DATA=1"});
  auto messages = LogMessages(box.LogFile());
  EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                          [](auto& m) { return m.starts_with("LocateDataPath"); }),
            0);

  // Current-user key present without the value: one failure line, then the
  // machine-wide place succeeds.
  CreateKey(HKEY_CURRENT_USER, kProductKey);
  auto report = box.Probe({L"KXT_DEBUG=on", L"KXT_RELOCATE_DATA=1"});
  EXPECT_EQ(report["relocate"], "1");
  EXPECT_EQ(report["data"], N(box.DataFolder()));
  messages = LogMessages(box.LogFile());
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(std::count(messages.begin(), messages.end(),
                       "LocateDataPath : failed to access registry value HKEY_CURRENT_USER\\" +
                           kProduct + "\\KXDataPath"),
            1);

  // Second product key: its own owner name and root in the lines.
  DeleteTree(HKEY_LOCAL_MACHINE, kProductKey);
  SetString(HKEY_LOCAL_MACHINE, kProductSEKey, L"KXDataPath", box.DataFolder());
  CreateKey(HKEY_LOCAL_MACHINE, kProductKey);
  CreateKey(HKEY_CURRENT_USER, kProductSEKey);
  box.Probe({L"KXT_DEBUG=on", L"KXT_RELOCATE_DATA=1"});
  messages = LogMessages(box.LogFile());
  const std::vector<std::string> expected = {
      "LocateDataPath : failed to access registry value HKEY_CURRENT_USER\\" + kProduct +
          "\\KXDataPath",
      "LocateDataPath : failed to access registry value HKEY_LOCAL_MACHINE\\" + kProduct +
          "\\KXDataPath",
      "LocateSEDataPath : failed to access registry value HKEY_CURRENT_USER\\" + kProductSE +
          "\\KXDataPath"};
  ASSERT_GE(messages.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(messages.end() - 3, messages.end()), expected);
}

// The three places that can name Eureka's folder, each with the exact lines
// support staff will read.
TEST(Environment, EurekaIsSearchedInProductKeyVendorKeyThenInstallFolder) {
  const auto trees = ProductTrees();
  EnableDebugKey();
  EnvSandbox box;
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", box.DataFolder());
  const std::string install = N(box.InstallFolder());
  TempFolder cuSim(L"cu sim"), lmSim(L"lm sim"), vendorSim(L"vendor sim"), empty(L"no sim");
  WriteFileBytes(cuSim.Path() + L"Eureka.exe", "MZ");
  WriteFileBytes(lmSim.Path() + L"Eureka.exe", "MZ");
  auto run = [&box] {
    auto report = box.Probe({L"KXT_DEBUG=on"});
    return std::make_pair(report["exe"], LogMessages(box.LogFile()));
  };
  const std::string getPath = "CKXSolidsApp::GetKXEurekaPath";
  const std::string openCu = "Successful Open HKEY_CURRENT_USER\\" + kProduct;

  // Nothing in the registry, nothing beside the library.
  auto [exe, log] = run();
  EXPECT_EQ(exe, install + "Eureka.exe");
  EXPECT_EQ(log, (std::vector<std::string>{
                     "CKXSolidsApp::LocateEureka", getPath, openCu,
                     "GetKXEurekaPath : failed to access registry value HKEY_CURRENT_USER\\" +
                         kProduct + "\\EurekaExePath",
                     "LocateEureka : failed to open registry HKEY_LOCAL_MACHINE\\" + kVendor,
                     "LocateEureka : Now locating based on relative path of Eureka.exe based on "
                     "location of VMLauncher.exe",
                     "LocateEureka : Error, Eureka.exe not found at " + install}));

  // Vendor key without its value; Eureka.exe beside the library.
  CreateKey(HKEY_LOCAL_MACHINE, kVendorKey);
  WriteFileBytes(box.InstallFolder() + L"Eureka.exe", "MZ");
  std::tie(exe, log) = run();
  EXPECT_EQ(exe, install + "Eureka.exe");
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
            (std::vector<std::string>{
                "LocateEureka : failed to access registry value HKEY_LOCAL_MACHINE\\" + kVendor +
                    "\\EurekaDir",
                "LocateEureka : Now locating based on relative path of Eureka.exe wrt "
                "VMLauncher.exe",
                "LocateEureka : Success, Path of Eureka.exe is " + install}));

  // Vendor folder is trusted without a look; a "%d" in it is logged as it stands.
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", empty.Path() + L"%d%s");
  std::tie(exe, log) = run();
  EXPECT_EQ(exe, N(empty.Path()) + "%d%s\\Eureka.exe");
  EXPECT_EQ(log.back(), "LocateEureka : " + N(empty.Path()) + "%d%s\\");

  // Product key folder without Eureka.exe: logged with the full candidate,
  // then the vendor key.
  SetString(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath", empty.Path());
  std::tie(exe, log) = run();
  EXPECT_EQ(exe, N(empty.Path()) + "%d%s\\Eureka.exe");
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "LocateEureka : failed to findFileData " + N(empty.Path()) + "Eureka.exe"),
            log.end());

  // Machine-wide value when the current-user key lacks it.
  DeleteValue(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath");
  SetString(HKEY_LOCAL_MACHINE, kProductKey, L"EurekaExePath", lmSim.Path());
  std::tie(exe, log) = run();
  EXPECT_EQ(exe, N(lmSim.Path()) + "Eureka.exe");
  EXPECT_EQ(log, (std::vector<std::string>{
                     "CKXSolidsApp::LocateEureka", getPath, openCu,
                     "GetKXEurekaPath : failed to access registry value HKEY_CURRENT_USER\\" +
                         kProduct + "\\EurekaExePath"}));

  // Current-user value wins.
  SetString(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath", cuSim.Path());
  std::tie(exe, log) = run();
  EXPECT_EQ(exe, N(cuSim.Path()) + "Eureka.exe");
  EXPECT_EQ(log, (std::vector<std::string>{"CKXSolidsApp::LocateEureka", getPath, openCu}));
}

TEST(Environment, ProductKeyOnlyMachineWideIsNotAFallback) {
  const auto trees = ProductTrees();
  EnableDebugKey();
  EnvSandbox box;
  // Data from the second product key, so that the first exists only machine-wide.
  SetString(HKEY_CURRENT_USER, kProductSEKey, L"KXDataPath", box.DataFolder());
  TempFolder lmSim(L"lm sim");
  WriteFileBytes(lmSim.Path() + L"Eureka.exe", "MZ");
  SetString(HKEY_LOCAL_MACHINE, kProductKey, L"EurekaExePath", lmSim.Path());
  SetString(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir", L"D:\\Vendor");
  auto report = box.Probe({L"KXT_DEBUG=on"});
  EXPECT_EQ(report["exe"], "D:\\Vendor\\Eureka.exe");
  const auto log = LogMessages(box.LogFile());
  EXPECT_EQ(log, (std::vector<std::string>{"CKXSolidsApp::LocateEureka",
                                           "CKXSolidsApp::GetKXEurekaPath",
                                           "LocateEureka : D:\\Vendor\\"}));
}

TEST(Environment, WithoutADataFolderOneMessageThenTheProcessEndsWithZero) {
  const auto trees = ProductTrees();
  EnvSandbox box;
  const std::wstring result = box.InstallFolder() + L"box.txt";
  const ChildResult run =
      RunChildScenarioFrom(box.Program(), "env_no_data", 30000, {L"KXT_RESULT=" + result});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(ReadFileBytes(result),
            "box=Error 203 :\n\nUnable to start Kalvex Virtual Machine. Program not found at "
            "installed location.\n|caption=env_host");
}

TEST(Environment, LibraryUnderAnotherFileNameTakesTheHostFolder) {
  const auto trees = ProductTrees();
  EnvSandbox box;
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", box.DataFolder());
  TempFolder host(L"renamed host"), library(L"renamed lib");
  // Same-length name, patched into the host's import so the loader finds it.
  const std::string from = "KXVirtualMachMgr.dll", to = "KXRenamedMachMgr.dll";
  std::string image = ReadFileBytes(SelfPath());
  size_t patched = 0;
  for (size_t at; (at = image.find(from)) != std::string::npos; ++patched)
    image.replace(at, from.size(), to);
  ASSERT_GE(patched, 1u);
  WriteFileBytes(host.Path() + L"renamed_host.exe", image);
  CopyFileTo(ProgramFolder() + kLibrary, library.Path() + Wide(to));
  const std::wstring result = host.Path() + L"result.txt";
  const ChildResult run = RunChildScenarioFrom(
      host.Path() + L"renamed_host.exe", "env_probe", 30000,
      {L"KXT_RESULT=" + result, L"PATH=" + library.Path() + L";" + GetEnv(L"PATH")});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u);
  const std::string report = ReadFileBytes(result);
  EXPECT_NE(report.find("\ninstall=" + N(host.Path()) + "\n"), std::string::npos) << report;
}

TEST(Environment, ConcurrentFirstCallsMakeOneInstanceAndWholeLines) {
  const auto trees = ProductTrees();
  EnableDebugKey();
  EnvSandbox box;
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", box.DataFolder());
  const ChildResult run = RunChildScenarioFrom(box.Program(), "env_threads", 30000, {});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0u);
  const auto lines = ReadLines(box.LogFile());
  EXPECT_GE(lines.size(), 8u * 20u);
  for (const std::string& line : lines) EXPECT_TRUE(ParseLogLine(line).wellFormed) << line;
}

// Child: eight threads race for the first instance and log meanwhile.
KX_CHILD_SCENARIO(env_threads) {
  MWVMLauncher().SetDebugMode(KXSeDebugOn, 1, L"race");
  std::vector<std::thread> threads;
  std::vector<KXEnvApp*> seen(8);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([i, &seen] {
      seen[i] = KXEnvApp::Instance();
      for (int n = 0; n < 20; ++n) seen[i]->LocateEureka();
    });
  for (auto& t : threads) t.join();
  for (KXEnvApp* env : seen)
    if (env != seen[0]) return 1;
  return 0;
}
