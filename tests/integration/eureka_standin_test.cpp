// The Eureka.exe stand-in, driven the way the launcher drives the real
// application: started from a folder with blanks with "<file> -lang<code>",
// found in the Running Object Table by its process id, asked for ApiVersion
// and told to close. Its test behaviour comes from EUREKA_STANDIN_* variables.
#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "EurekaAutomation.h"
#include "files.h"
#include "framework/com_ptr.h"

namespace {

using kxtest::Narrow;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::vector<wchar_t> EnvironmentWith(const std::vector<std::wstring>& extra) {
  std::vector<wchar_t> block;
  wchar_t* inherited = ::GetEnvironmentStringsW();
  for (const wchar_t* p = inherited; *p; p += wcslen(p) + 1)
    if (std::wstring_view(p).rfind(L"EUREKA_STANDIN_", 0) != 0)
      block.insert(block.end(), p, p + wcslen(p) + 1);
  ::FreeEnvironmentStringsW(inherited);
  for (const auto& entry : extra) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

// A started stand-in; one still running when the test ends is terminated.
class StandInProcess {
 public:
  // extraEnv: "NAME=value" entries; without them the child inherits ours.
  StandInProcess(const std::wstring& exe, const std::wstring& language,
                 std::optional<std::vector<std::wstring>> extraEnv) {
    std::wstring commandLine = exe + L" -lang" + language;
    std::vector<wchar_t> env;
    if (extraEnv) env = EnvironmentWith(*extraEnv);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    started_ = Clock::now();
    // Named as the application too, as the launcher does, so the child sees
    // the file name unquoted.
    EXPECT_TRUE(::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                 CREATE_UNICODE_ENVIRONMENT, extraEnv ? env.data() : nullptr,
                                 nullptr, &startup, &info_))
        << ::GetLastError();
  }
  ~StandInProcess() {
    if (info_.hProcess && !WaitForExit(0)) {
      ::TerminateProcess(info_.hProcess, 99);
      ::WaitForSingleObject(info_.hProcess, 5000);
    }
    if (info_.hThread) ::CloseHandle(info_.hThread);
    if (info_.hProcess) ::CloseHandle(info_.hProcess);
  }
  StandInProcess(const StandInProcess&) = delete;
  StandInProcess& operator=(const StandInProcess&) = delete;

  int Pid() const { return static_cast<int>(info_.dwProcessId); }
  Clock::time_point Started() const { return started_; }
  bool WaitForExit(DWORD ms) const {
    return info_.hProcess && ::WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
  Clock::time_point started_;
};

// The library's lookup, step for step: item moniker without delimiter from a
// BSTR copy of the name, IRunningObjectTable::GetObject, QueryInterface for
// IDispatch that must answer exactly S_OK. rotResult receives GetObject's.
kx::ComPtr<IDispatch> LookUp(int pid, HRESULT* rotResult = nullptr) {
  wchar_t name[64];
  swprintf(name, 64, kEurekaRotItemFormat, pid);
  kx::ComPtr<IRunningObjectTable> table;
  if (FAILED(::GetRunningObjectTable(0, table.Receive()))) return {};
  BSTR item = ::SysAllocString(name);
  kx::ComPtr<IMoniker> moniker;
  const HRESULT made = ::CreateItemMoniker(nullptr, item, moniker.Receive());
  ::SysFreeString(item);
  if (FAILED(made)) return {};
  kx::ComPtr<IUnknown> object;
  const HRESULT got = table->GetObject(moniker.Get(), object.Receive());
  if (rotResult) *rotResult = got;
  if (FAILED(got) || !object) return {};
  kx::ComPtr<IDispatch> dispatch;
  if (object->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid()) != S_OK) return {};
  return dispatch;
}

kx::ComPtr<IDispatch> WaitForObject(const StandInProcess& process, DWORD timeoutMs = 10000) {
  const auto start = Clock::now();
  for (;;) {
    if (auto found = LookUp(process.Pid())) return found;
    if (MsSince(start) > timeoutMs || process.WaitForExit(0)) return {};
    ::Sleep(50);
  }
}

struct Variant {
  VARIANT value;
  Variant() { ::VariantInit(&value); }
  ~Variant() { ::VariantClear(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
};

struct ExceptionInfo {
  EXCEPINFO info{};
  ~ExceptionInfo() {
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
  }
};

// Invoke with the library's fixed values; result may be null.
HRESULT Call(IDispatch* object, DISPID member, WORD flags, VARIANT* result,
             ExceptionInfo* exception = nullptr) {
  DISPPARAMS none{};
  ExceptionInfo ignored;
  UINT argumentError = 0;
  return object->Invoke(member, IID_NULL, 0, flags, &none, result,
                        exception ? &exception->info : &ignored.info, &argumentError);
}

HRESULT CloseAllDocumentsAndExit(IDispatch* object) {
  return Call(object, kEurekaDispIdCloseAllDocumentsAndExit, DISPATCH_METHOD, nullptr);
}

// "key=value" lines of a record file.
std::multimap<std::string, std::string> ReadRecord(const std::wstring& path) {
  std::multimap<std::string, std::string> record;
  for (const auto& line : kxtest::ReadLines(path)) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos)
      record.emplace(line.substr(0, equals), line.substr(equals + 1));
  }
  return record;
}

std::string Only(const std::multimap<std::string, std::string>& record, const std::string& key) {
  const auto range = record.equal_range(key);
  if (range.first == range.second) return "<missing " + key + ">";
  if (std::next(range.first) != range.second) return "<several " + key + ">";
  return range.first->second;
}

// Visible top-level windows of a process, by title.
std::vector<std::wstring> VisibleWindowTitles(int pid) {
  struct Search {
    DWORD pid;
    std::vector<std::wstring> titles;
  } search{static_cast<DWORD>(pid), {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->pid && ::IsWindowVisible(window)) {
          wchar_t title[256] = {};
          ::GetWindowTextW(window, title, 256);
          s->titles.push_back(title);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.titles;
}

std::wstring CurrentDirectory() {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

class EurekaStandInTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    comReady_ = true;
    kxtest::CreateFolders(folder_.Path() + L"Sim A");
    kxtest::CopyFileTo(kxtest::ProgramFolder() + L"Eureka.exe", exe_);
  }
  void TearDown() override {
    if (comReady_) ::CoUninitialize();
  }

  std::wstring RecordPath(const std::wstring& name) const {
    return folder_.Path() + name + L".txt";
  }
  std::wstring RecordVariable(const std::wstring& name) const {
    return L"EUREKA_STANDIN_RECORD=" + RecordPath(name);
  }

  kxtest::TempFolder folder_{L"eureka stand-in"};
  const std::wstring exe_ = folder_.Path() + L"Sim A\\Eureka.exe";
  bool comReady_ = false;
};

TEST_F(EurekaStandInTest, PublishesAnswersAndClosesOnRequest) {
  StandInProcess eureka(exe_, L"deu", {{RecordVariable(L"record")}});
  ASSERT_TRUE(WaitForObject(eureka)) << "not found under Eureka_PID_" << eureka.Pid();
  // The entry is strong: found again after the first client let go.
  kx::ComPtr<IDispatch> object = LookUp(eureka.Pid());
  ASSERT_TRUE(object);

  kx::ComPtr<IDispatch> app;
  ASSERT_EQ(object->QueryInterface(IID_IEurekaApplicationDisp, app.ReceiveVoid()), S_OK);
  Variant version;
  ASSERT_EQ(Call(app.Get(), kEurekaDispIdApiVersion, DISPATCH_PROPERTYGET, &version.value), S_OK);
  EXPECT_EQ(V_VT(&version.value), VT_I4);
  EXPECT_EQ(V_I4(&version.value), 42);

  // Proxies for the dispinterface come from the registered type library.
  HKEY key = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CLASSES_ROOT,
                            L"Interface\\{1F08B954-DD18-4DB2-B00B-5438775CA49B}\\TypeLib", 0,
                            KEY_READ, &key),
            ERROR_SUCCESS);
  if (key) ::RegCloseKey(key);

  const auto titles = VisibleWindowTitles(eureka.Pid());
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_NE(titles[0].find(L"deu"), std::wstring::npos) << Narrow(titles[0]);

  const auto started = ReadRecord(RecordPath(L"record"));
  EXPECT_EQ(Only(started, "commandline"), Narrow(exe_ + L" -langdeu"));
  EXPECT_EQ(Only(started, "cwd"), Narrow(CurrentDirectory()));
  EXPECT_EQ(Only(started, "pid"), std::to_string(eureka.Pid()));
  EXPECT_EQ(Only(started, "lang"), "deu");
  EXPECT_EQ(Only(started, "published"), "Eureka_PID_" + std::to_string(eureka.Pid()));
  EXPECT_EQ(Only(started, "ApiVersion"), "flags=2 args=0 named=0 result=yes");

  ASSERT_EQ(CloseAllDocumentsAndExit(app.Get()), S_OK);
  app.Reset();
  object.Reset();
  ASSERT_TRUE(eureka.WaitForExit(5000));
  EXPECT_EQ(eureka.ExitCode(), 0u);
  EXPECT_FALSE(LookUp(eureka.Pid()));
  const auto ended = ReadRecord(RecordPath(L"record"));
  // COM's proxy always hands the server a result variant, asked for or not.
  EXPECT_EQ(Only(ended, "CloseAllDocumentsAndExit"), "flags=1 args=0 named=0 result=yes");
  EXPECT_EQ(Only(ended, "exit"), "0");
}

TEST_F(EurekaStandInTest, TypeLibraryDescribesTheContract) {
  kx::ComPtr<ITypeLib> library;
  ASSERT_HRESULT_SUCCEEDED(::LoadTypeLibEx(exe_.c_str(), REGKIND_NONE, library.Receive()));
  kx::ComPtr<ITypeInfo> info;
  ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(IID_IEurekaApplicationDisp, info.Receive()));
  TYPEATTR* attributes = nullptr;
  ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attributes));
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  std::map<MEMBERID, std::tuple<INVOKEKIND, VARTYPE, SHORT>> members;
  for (WORD i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(i, &function));
    if (function->memid >= 0 && function->memid < 0x60000000)  // not IDispatch's own
      members[function->memid] = {function->invkind, function->elemdescFunc.tdesc.vt,
                                  function->cParams};
    info->ReleaseFuncDesc(function);
  }
  info->ReleaseTypeAttr(attributes);
  using Member = std::tuple<INVOKEKIND, VARTYPE, SHORT>;
  EXPECT_EQ(members.size(), 2u);
  EXPECT_EQ(members[kEurekaDispIdApiVersion], Member(INVOKE_PROPERTYGET, VT_I4, 0));
  EXPECT_EQ(members[kEurekaDispIdCloseAllDocumentsAndExit], Member(INVOKE_FUNC, VT_VOID, 0));
}

TEST_F(EurekaStandInTest, PublishesLateNeverOrEndsOnItsOwn) {
  struct Case {
    const char* what;
    std::vector<std::wstring> env;
    std::unique_ptr<StandInProcess> process = nullptr;
    long long foundAt = -1;
    long long endedAt = -1;
    bool foundAfterEnd = false;
  };
  Case cases[] = {
      {"late", {L"EUREKA_STANDIN_PUBLISH_DELAY_MS=1500", L"EUREKA_STANDIN_LIFETIME_MS=800"}},
      {"never, 259",
       {L"EUREKA_STANDIN_PUBLISH_DELAY_MS=never", L"EUREKA_STANDIN_EXIT_AFTER_MS=1500",
        L"EUREKA_STANDIN_EXIT_CODE=259"}},
      {"lifetime", {L"EUREKA_STANDIN_LIFETIME_MS=500", L"EUREKA_STANDIN_EXIT_CODE=7"}},
      {"exit before publishing",
       {L"EUREKA_STANDIN_PUBLISH_DELAY_MS=3000", L"EUREKA_STANDIN_EXIT_AFTER_MS=300",
        L"EUREKA_STANDIN_EXIT_CODE=5"}},
      {"terminated", {L"EUREKA_STANDIN_CRASH_AFTER_MS=300", L"EUREKA_STANDIN_CRASH_CODE=0xDEAD"}},
      {"access violation",
       {L"EUREKA_STANDIN_CRASH_AFTER_MS=300", L"EUREKA_STANDIN_CRASH_KIND=access-violation"}},
  };
  for (auto& c : cases) {
    c.env.push_back(L"EUREKA_STANDIN_WINDOW=0");
    c.process = std::make_unique<StandInProcess>(exe_, L"enu", c.env);
  }
  // One polling loop for all, as the launcher polls each: lookup, then exit.
  const auto start = Clock::now();
  for (bool running = true; running && MsSince(start) < 15000; ::Sleep(50)) {
    running = false;
    for (auto& c : cases) {
      if (c.endedAt >= 0) continue;
      const bool ended = c.process->WaitForExit(0);
      const bool found = static_cast<bool>(LookUp(c.process->Pid()));
      if (found && c.foundAt < 0) c.foundAt = MsSince(c.process->Started());
      if (ended) {
        c.endedAt = MsSince(c.process->Started());
        c.foundAfterEnd = static_cast<bool>(LookUp(c.process->Pid()));
      }
      running = running || !ended;
    }
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_GE(c.endedAt, 0) << "still running";
    EXPECT_FALSE(c.foundAfterEnd);
  }
  EXPECT_GE(cases[0].foundAt, 1500);
  EXPECT_EQ(cases[0].process->ExitCode(), 0u);
  EXPECT_EQ(cases[1].foundAt, -1);
  EXPECT_GE(cases[1].endedAt, 1500);
  EXPECT_EQ(cases[1].process->ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_GE(cases[2].foundAt, 0);
  EXPECT_GE(cases[2].endedAt, cases[2].foundAt);
  EXPECT_EQ(cases[2].process->ExitCode(), 7u);
  EXPECT_EQ(cases[3].foundAt, -1);
  EXPECT_EQ(cases[3].process->ExitCode(), 5u);
  EXPECT_GE(cases[4].foundAt, 0);
  EXPECT_EQ(cases[4].process->ExitCode(), 0xDEADu);
  EXPECT_GE(cases[5].foundAt, 0);
  EXPECT_EQ(cases[5].process->ExitCode(), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
}

TEST_F(EurekaStandInTest, AnswersApiVersionAsConfigured) {
  struct Case {
    const wchar_t* answer;
    HRESULT invoke;
    VARTYPE type;
    std::optional<LONG> converted;  // by VariantChangeType to VT_I4, as the launcher does
  };
  const Case cases[] = {
      {L"i4:-5", S_OK, VT_I4, -5},
      {L"i2:17", S_OK, VT_I2, 17},
      {L"bstr:17", S_OK, VT_BSTR, 17},
      {L"bstr:abc", S_OK, VT_BSTR, std::nullopt},
      {L"dispatch", S_OK, VT_DISPATCH, std::nullopt},
      {L"exception", DISP_E_EXCEPTION, VT_EMPTY, std::nullopt},
      {L"fail", E_FAIL, VT_EMPTY, std::nullopt},
  };
  std::vector<std::unique_ptr<StandInProcess>> processes;
  for (const auto& c : cases)
    processes.push_back(std::make_unique<StandInProcess>(
        exe_, L"fra",
        std::vector<std::wstring>{L"EUREKA_STANDIN_WINDOW=0",
                                  std::wstring(L"EUREKA_STANDIN_API_VERSION=") + c.answer}));
  for (size_t i = 0; i < processes.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(Narrow(c.answer));
    kx::ComPtr<IDispatch> object = WaitForObject(*processes[i]);
    ASSERT_TRUE(object);
    Variant version;
    ExceptionInfo exception;
    EXPECT_EQ(Call(object.Get(), kEurekaDispIdApiVersion, DISPATCH_PROPERTYGET, &version.value,
                   &exception),
              c.invoke);
    EXPECT_EQ(V_VT(&version.value), c.type);
    if (c.invoke == DISP_E_EXCEPTION) {
      EXPECT_EQ(Narrow(exception.info.bstrSource ? exception.info.bstrSource : L""), "Eureka");
      EXPECT_EQ(Narrow(exception.info.bstrDescription ? exception.info.bstrDescription : L""),
                "The interface version is not available");
      EXPECT_EQ(exception.info.scode, static_cast<SCODE>(0x80040200));
    }
    if (c.invoke == S_OK) {
      const HRESULT conversion = ::VariantChangeType(&version.value, &version.value, 0, VT_I4);
      if (c.converted) {
        EXPECT_EQ(conversion, S_OK);
        EXPECT_EQ(V_I4(&version.value), *c.converted);
      } else {
        EXPECT_TRUE(FAILED(conversion)) << std::hex << conversion;
      }
    }
    EXPECT_EQ(CloseAllDocumentsAndExit(object.Get()), S_OK);
  }
  for (auto& process : processes) EXPECT_TRUE(process->WaitForExit(5000));
}

TEST_F(EurekaStandInTest, LookupNeedsDispatchAndTheOwnProcessId) {
  const int hostPid = static_cast<int>(::GetCurrentProcessId());
  StandInProcess noDispatch(exe_, L"ita",
                            {{L"EUREKA_STANDIN_WINDOW=0", L"EUREKA_STANDIN_DISPATCH_QI=nointerface",
                              RecordVariable(L"nodispatch")}});
  StandInProcess otherName(
      exe_, L"ita",
      {{L"EUREKA_STANDIN_WINDOW=0", L"EUREKA_STANDIN_PUBLISH_PID=" + std::to_wstring(hostPid)}});
  StandInProcess noInterface(
      exe_, L"ita", {{L"EUREKA_STANDIN_WINDOW=0", L"EUREKA_STANDIN_INTERFACE_QI=nointerface"}});

  // Published under the host's id: found there, never under its own.
  kx::ComPtr<IDispatch> impostor;
  for (const auto start = Clock::now(); !impostor && MsSince(start) < 10000; ::Sleep(50))
    impostor = LookUp(hostPid);
  ASSERT_TRUE(impostor);
  EXPECT_FALSE(LookUp(otherName.Pid()));
  EXPECT_EQ(CloseAllDocumentsAndExit(impostor.Get()), S_OK);
  impostor.Reset();

  kx::ComPtr<IDispatch> object = WaitForObject(noInterface);
  ASSERT_TRUE(object);
  kx::ComPtr<IDispatch> app;
  EXPECT_EQ(object->QueryInterface(IID_IEurekaApplicationDisp, app.ReceiveVoid()), E_NOINTERFACE);
  EXPECT_EQ(CloseAllDocumentsAndExit(object.Get()), S_OK);
  object.Reset();

  // Registered, so the table hands it out, but without IDispatch it is
  // not taken for published.
  for (const auto start = Clock::now();
       Only(ReadRecord(RecordPath(L"nodispatch")), "published").front() == '<' &&
       MsSince(start) < 10000;
       ::Sleep(50)) {
  }
  HRESULT rotResult = E_FAIL;
  EXPECT_FALSE(LookUp(noDispatch.Pid(), &rotResult));
  EXPECT_EQ(rotResult, S_OK);

  EXPECT_TRUE(otherName.WaitForExit(5000));
  EXPECT_TRUE(noInterface.WaitForExit(5000));
  EXPECT_FALSE(noDispatch.WaitForExit(0));
}

// Sets a variable of this process for the scope, as a host would before
// starting the launcher.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
    ::SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvironmentVariable() { ::SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

TEST_F(EurekaStandInTest, InheritedOptionsDelayedCloseAndRejectedValues) {
  {
    ScopedEnvironmentVariable window(L"EUREKA_STANDIN_WINDOW", L"0");
    ScopedEnvironmentVariable delay(L"EUREKA_STANDIN_CLOSE_DELAY_MS", L"1500");
    ScopedEnvironmentVariable record(L"EUREKA_STANDIN_RECORD", RecordPath(L"inherited"));
    StandInProcess eureka(exe_, L"esn", std::nullopt);
    kx::ComPtr<IDispatch> object = WaitForObject(eureka);
    ASSERT_TRUE(object);
    EXPECT_TRUE(VisibleWindowTitles(eureka.Pid()).empty());

    // The call returns at once; the exit follows after the delay.
    const auto called = Clock::now();
    EXPECT_EQ(CloseAllDocumentsAndExit(object.Get()), S_OK);
    object.Reset();
    EXPECT_LT(MsSince(called), 1000);
    EXPECT_FALSE(eureka.WaitForExit(500));
    EXPECT_TRUE(eureka.WaitForExit(5000));
    EXPECT_GE(MsSince(called), 1500);
    EXPECT_EQ(eureka.ExitCode(), 0u);
    EXPECT_EQ(Only(ReadRecord(RecordPath(L"inherited")), "lang"), "esn");
  }

  const std::pair<const wchar_t*, const char*> rejected[] = {
      {L"EUREKA_STANDIN_PUBLISH_DELAY_MS=soon",
       "EUREKA_STANDIN_PUBLISH_DELAY_MS: cannot use 'soon'"},
      {L"EUREKA_STANDIN_API_VERSION=i2:70000", "EUREKA_STANDIN_API_VERSION: cannot use 'i2:70000'"},
      {L"EUREKA_STANDIN_EXIT_CODE=-1", "EUREKA_STANDIN_EXIT_CODE: cannot use '-1'"},
  };
  for (size_t i = 0; i < std::size(rejected); ++i) {
    SCOPED_TRACE(rejected[i].second);
    const std::wstring name = L"rejected" + std::to_wstring(i);
    StandInProcess eureka(exe_, L"deu", {{rejected[i].first, RecordVariable(name)}});
    ASSERT_TRUE(eureka.WaitForExit(5000));
    EXPECT_EQ(eureka.ExitCode(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    const auto record = ReadRecord(RecordPath(name));
    EXPECT_EQ(Only(record, "error"), rejected[i].second);
    EXPECT_EQ(record.count("published"), 0u);
  }
}

}  // namespace
