// The C++ layer compiled by the host's compiler: clang for MinGW, and g++
// with the old string layout, both without the project's definitions (no
// UNICODE, NOMINMAX or WIN32_LEAN_AND_MEAN, as a plain Visual Studio project
// has it). One line per failed check, then a summary; exit code 1 on any
// failure.
#include <windows.h>
#include <comdef.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "KXEnvApp.h"
#include "MWSettingsKey.h"
#include "MWVMLauncher.h"

namespace {

const wchar_t kData[] = L"C:\\kxhost data\\";
const wchar_t kPath[] = L"Software\\KXHost\\Cxx";
int failures, checks;

#define CHECK(c) Check((c), __LINE__, #c)
void Check(bool ok, int line, const char* what) {
  ++checks;
  if (!ok) std::printf("FAILED line %d: %s\n", line, what), ++failures;
}

// What reading bytes into key throws.
std::string ReadFailure(std::vector<std::uint8_t> bytes, MWSettingsKey& key) {
  try {
    CArchive in(bytes, CArchive::load);
    key.Serialize(in);
    return "nothing";
  } catch (const CArchiveException& e) {
    return "CArchiveException " + std::to_string(e.m_cause);
  } catch (const CInvalidArgException&) {
    return "CInvalidArgException";
  } catch (...) {
    return "another exception";
  }
}

void Launch() {
  MWVMLauncher launcher;
  std::string thrown = "nothing";
  try {
    launcher.LaunchEureka();
  } catch (const _com_error& e) {
    thrown = "_com_error";
    CHECK(e.Error() == DISP_E_EXCEPTION);
    CHECK(e.Description() == _bstr_t(L"The interface version is not available"));
  }
  CHECK(thrown == "_com_error");
  CHECK(launcher.LastOutcome() == KXLaunchOutcome::AutomationFailed);
  CHECK(KXEnvApp::Instance()->GetDataPath() == kData);
}

void Settings() {
  MWSettingsKey saved(L"Root", kPath);
  saved.AddValue(L"i", 5);
  saved.AddValue(L"c", COLORREF(0x102030));
  saved.AddValue(L"d", 2.5);
  saved.AddValue(L"t", std::wstring(L"text"));
  saved.AddValue(L"r", CRect(1, -2, 3, 4));
  saved.AddValue(L"a", std::vector<int>{7, -8});
  auto child = std::make_unique<MWSettingsKey>(L"Child", L"Software\\KXHost\\Cxx\\Child");
  MWSettingsKey* adopted = child.get();
  saved.AddKey(std::move(child));
  CHECK(saved.FindKey(L"Child") == adopted);
  saved.SetValue(L"t", std::wstring(L"a longer text than any short-string buffer holds"));
  CHECK(saved.Save() == 1);

  MWSettingsKey loaded(L"Loaded", kPath);
  int i = 0;
  COLORREF c = 0;
  double d = 0;
  std::wstring t;
  CRect r;
  std::vector<int> a;
  loaded.AddValue(L"i", i);
  loaded.AddValue(L"c", c);
  loaded.AddValue(L"d", d);
  loaded.AddValue(L"t", t);
  loaded.AddValue(L"r", r);
  loaded.AddValue(L"a", a);
  CHECK(loaded.Load() == 1);
  loaded.GetValue(L"i", i);
  loaded.GetValue(L"c", c);
  loaded.GetValue(L"d", d);
  loaded.GetValue(L"t", t);
  loaded.GetValue(L"r", r);
  loaded.GetValue(L"a", a);
  CHECK(i == 5 && c == 0x102030 && d == 2.5 && r == CRect(1, -2, 3, 4));
  CHECK(t == L"a longer text than any short-string buffer holds");
  CHECK((a == std::vector<int>{7, -8}));
  CHECK(dynamic_cast<MWIntArrayValue*>(loaded.FindValue(L"a")) != nullptr);

  // The buffer holds every byte written after each call.
  const std::wstring nul(L"before\0after", 12);
  saved.SetValue(L"t", nul);
  std::vector<std::uint8_t> bytes;
  {
    CArchive out(bytes, CArchive::store);
    out << std::int32_t{7};
    CHECK(bytes.size() == 4);
    out.WriteString(L"w");
    CHECK(bytes.size() == 4 + 6);
    saved.Serialize(out);
    const std::size_t values = bytes.size();
    CHECK(values > 10);
    out.WriteObject(&saved);
    CHECK(bytes.size() > values);
  }
  MWSettingsKey copy(L"Copy", kPath);
  copy.AddValue(L"t", std::wstring());
  copy.AddValue(L"a", std::vector<int>());
  {
    CArchive in(bytes, CArchive::load);
    std::int32_t seven = 0;
    in >> seven;
    CHECK(seven == 7 && in.ReadString() == L"w");
    copy.Serialize(in);
    copy.GetValue(L"t", t);
    copy.GetValue(L"a", a);
    CHECK(t == nul);
    CHECK((a == std::vector<int>{7, -8}));
    const std::unique_ptr<CObject> object = in.ReadObject(KX_RUNTIME_CLASS(MWSettingsKey));
    CHECK(object && in.RemainingBytes() == 0);
  }

  // A key of one empty array: its archive ends in the element count.
  MWSettingsKey arrays(L"Arrays", kPath);
  arrays.AddValue(L"e", std::vector<int>());
  bytes.clear();
  {
    CArchive out(bytes, CArchive::store);
    arrays.Serialize(out);
  }
  CHECK(ReadFailure({bytes.begin(), bytes.end() - 1}, arrays) ==
        "CArchiveException " + std::to_string(CArchiveException::endOfFile));
  std::fill(bytes.end() - 4, bytes.end(), 0xFF);
  CHECK(ReadFailure(bytes, arrays) == "CInvalidArgException");
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);  // lines written before a crash stay
  HKEY product = nullptr;
  ::CreateDirectoryW(L"C:\\kxhost data", nullptr);
  ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brondel\\Kalvex\\Kalvex 2023x64", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &product, nullptr);
  ::RegSetValueExW(product, L"KXDataPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(kData),
                   sizeof kData);
  ::RegCloseKey(product);
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");
  // Alive past the launcher's first look for it, a second after the start.
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_LIFETIME_MS", L"1500");
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_API_VERSION", L"exception");
  Launch();
  Settings();
  std::printf("%s: %d checks, %d failed\n", failures ? "FAILED" : "PASSED", checks, failures);
  return failures != 0;
}
