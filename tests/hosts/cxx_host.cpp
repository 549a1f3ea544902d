// The C++ layer compiled by the host's compiler (clang for MinGW, g++ with the old string layout,
// g++ through the installed package), without the project's definitions, as a Visual Studio
// project has it.
#include <windows.h>
#include <comdef.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KXEnvApp.h"
#include "MWSettingsKey.h"
#include "MWVMLauncher.h"
#include "check.h"

void StandardNamesSnippet();

namespace {

// What reading bytes into key throws: CArchiveException's cause, kInvalidArg for
// CInvalidArgException, -1 for anything else or nothing.
constexpr int kInvalidArg = 100;
int ReadFailure(std::vector<std::uint8_t> bytes, MWSettingsKey& key) {
  try {
    CArchive in(bytes, CArchive::load);
    key.Serialize(in);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  } catch (const CInvalidArgException&) {
    return kInvalidArg;
  } catch (...) {
  }
  return -1;
}

void Launch() {
  MWVMLauncher launcher;
  bool thrown = false;
  try {
    launcher.LaunchEureka();
  } catch (const _com_error& e) {
    thrown = e.Error() == DISP_E_EXCEPTION &&
             e.Description() == _bstr_t(L"The interface version is not available");
  }
  CHECK(thrown && launcher.LastOutcome() == KXLaunchOutcome::AutomationFailed &&
        KXEnvApp::Instance()->GetDataPath() == KXHOST_DATA);
}

void Settings() {
  MWSettingsKey saved(L"Root", L"Software\\KXHost\\Cxx");
  const wchar_t kText[] = L"a longer text than a short-string buffer holds\0and more";
  const std::wstring text(kText, std::size(kText) - 1);
  saved.AddValue(L"e", std::vector<int>());  // first declared, last written
  saved.AddValue(L"t", std::wstring());
  saved.AddValue(L"r", CRect(1, -2, 3, 4));
  saved.AddValue(L"a", std::vector<int>{7, -8});
  saved.AddValue(L"m", CTime(1));
  saved.SetValue(L"t", text);
  const CTime late(4102444800);  // 2100, beyond 32 bits
  saved.SetValue(L"m", late);
  auto child = std::make_unique<MWSettingsKey>(L"Child", L"Software\\KXHost\\Cxx\\Child");
  MWSettingsKey* adopted = child.get();
  saved.AddKey(std::move(child));
  CHECK(saved.FindKey(L"Child") == adopted &&
        dynamic_cast<MWIntArrayValue*>(saved.FindValue(L"a")) != nullptr);

  // The buffer holds every byte written after each call.
  std::vector<std::uint8_t> bytes;
  std::size_t keyEnd = 0;
  {
    CArchive out(bytes, CArchive::store);
    out << std::int32_t{7};
    out.WriteString(L"w");
    out << late;
    CHECK(bytes.size() == 4 + 6 + 8);
    saved.Serialize(out);
    keyEnd = bytes.size();
    out.WriteObject(&saved);
    out << saved.FindValue(L"r");  // a value on its own, as an object
  }
  MWSettingsKey copy(L"Copy", L"unused");
  std::wstring t;
  CRect r;
  std::vector<int> a;
  CTime archived, m;
  for (const wchar_t* name : {L"t", L"r", L"a", L"m"})
    copy.AddValue(name, 0);  // replaced when read
  {
    CArchive in(bytes, CArchive::load);
    std::int32_t seven = 0;
    in >> seven;
    CHECK(seven == 7 && in.ReadString() == L"w");
    in >> archived;
    copy.Serialize(in);
    copy.GetValue(L"t", t);
    copy.GetValue(L"r", r);
    copy.GetValue(L"a", a);
    copy.GetValue(L"m", m);
    CHECK(t == text && r == CRect(1, -2, 3, 4) && (a == std::vector<int>{7, -8}) &&
          archived == late && m == late);
    const std::unique_ptr<CObject> object = in.ReadObject(KX_RUNTIME_CLASS(MWSettingsKey));
    MWRectValue* rect = nullptr;
    in >> rect;
    CRect back;
    rect->GetValue(back);
    CHECK(object && back == CRect(1, -2, 3, 4) && rect->GetName() == L"r" &&
          in.RemainingBytes() == 0);
    delete rect;
  }

  // The key's archive ends in the empty array's element count.
  std::vector<std::uint8_t> key(bytes.begin() + 18, bytes.begin() + keyEnd);
  CHECK(ReadFailure({key.begin(), key.end() - 1}, copy) == CArchiveException::endOfFile);
  std::fill(key.end() - 4, key.end(), 0xFF);
  CHECK(ReadFailure(key, copy) == kInvalidArg);
}

}  // namespace

int main() { return RunHost({Launch, Settings, StandardNamesSnippet}); }
