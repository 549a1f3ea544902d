// The interface language: stored names, the CAD host's option, and the user's
// default language of processes started under other locales.
#include "environment/language.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "child_process.h"
#include "files.h"
#include "framework/scoped_handle.h"
#include "registry.h"

namespace {

const std::wstring kResultKey = L"Software\\KxLanguageTest";
const wchar_t kEvent[] = L"KxLanguageChildDone";

// Under Wine the user's default language follows the Unix locale, which a
// Windows child inherits but a Unix one takes from the Windows environment: so
// the child is this program started through Wine's loader with LC_ALL set. It
// reports through the registry and an event. Empty when it did not report.
std::wstring CodesUnderLocale(const std::wstring& locale) {
  const std::wstring loader = kxtest::GetEnv(L"WINELOADER");
  using WindowsNameOf = LPWSTR(CDECL*)(LPCSTR);
  const auto windowsNameOf = reinterpret_cast<WindowsNameOf>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  LPWSTR windowsLoader = windowsNameOf ? windowsNameOf(kxtest::Narrow(loader).c_str()) : nullptr;
  if (!windowsLoader) return {};
  const std::wstring program = windowsLoader;
  ::HeapFree(::GetProcessHeap(), 0, windowsLoader);

  kx::ScopedHandle done(::CreateEventW(nullptr, FALSE, FALSE, kEvent));
  kxtest::DeleteTree(HKEY_CURRENT_USER, kResultKey);
  // The loader finds itself through its Unix name as the first argument.
  std::wstring commandLine = loader + L" \"" + kxtest::SelfPath() + L"\" --kx-child=codes";
  ::SetEnvironmentVariableW(L"LC_ALL", locale.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const bool started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                        FALSE, 0, nullptr, nullptr, &startup, &process);
  ::SetEnvironmentVariableW(L"LC_ALL", nullptr);
  if (!started) return {};
  kx::ScopedHandle thread(process.hThread), unixProcess(process.hProcess);
  if (::WaitForSingleObject(done.Get(), 60000) != WAIT_OBJECT_0) return {};
  const auto codes = kxtest::ReadRaw(HKEY_CURRENT_USER, kResultKey, L"codes");
  return codes ? std::wstring(reinterpret_cast<const wchar_t*>(codes->bytes.data())) : L"";
}

}  // namespace

// In the child, with "Language" "Automatic": the codes with the CAD host's
// option 1, then 2, then with its key missing.
KX_CHILD_SCENARIO(codes) {
  std::wstring codes = std::to_wstring(PRIMARYLANGID(::GetUserDefaultLangID())) + L":";
  for (DWORD useEnglish : {1, 2}) {
    kxtest::SetDword(HKEY_CURRENT_USER, kxtest::kSolidworksKey, L"Use English language",
                     useEnglish);
    codes += ResolveLanguageCode() + L",";
  }
  kxtest::DeleteTree(HKEY_CURRENT_USER, L"Software\\Solidworks");
  codes += ResolveLanguageCode();
  kxtest::SetString(HKEY_CURRENT_USER, kResultKey, L"codes", codes);
  kx::ScopedHandle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kEvent));
  return done.IsValid() && ::SetEvent(done.Get()) ? 0 : 1;
}

TEST(LanguageCode, StoredNamesMapExactly) {
  auto trees = kxtest::ProductTrees();
  EXPECT_EQ(ResolveLanguageCode(), L"eng");
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kxtest::kProductKey));  // nothing created
  // Only the current user's setting counts.
  kxtest::SetString(HKEY_LOCAL_MACHINE, kxtest::kProductKey, L"Language", L"German");
  EXPECT_EQ(ResolveLanguageCode(), L"eng");

  // Exact and case-sensitive; anything else is English.
  const std::pair<const wchar_t*, const wchar_t*> names[] = {
      {L"Italian", L"ita"},  {L"English", L"eng"},
      {L"French", L"fra"},   {L"German", L"deu"},
      {L"Japanese", L"jpn"}, {L"Polish", L"plk"},
      {L"Spanish", L"esp"},  {L"Czech", L"ces"},
      {L"Chinese", L"zho"},  {L"Chinese-Traditional", L"zho"},
      {L"German ", L"eng"},  {L"german", L"eng"},
      {L"", L"eng"},         {L"Portuguese", L"eng"},
      {L"Chinese-", L"eng"}, {L"automatic", L"eng"}};
  for (const auto& [name, code] : names) {
    kxtest::SetString(HKEY_CURRENT_USER, kxtest::kProductKey, L"Language", name);
    EXPECT_EQ(ResolveLanguageCode(), code) << kxtest::Narrow(name);
  }
}

TEST(LanguageCode, AutomaticFollowsTheCadHostOptionThenTheUserDefaultLanguage) {
  if (kxtest::GetEnv(L"WINELOADER").empty())
    GTEST_SKIP() << "the locale of a child process is set through Wine's loader";
  auto trees = kxtest::ProductTrees();
  kxtest::SetString(HKEY_CURRENT_USER, kxtest::kProductKey, L"Language", L"Automatic");
  // The child's primary language shows it really ran in that locale.
  EXPECT_EQ(CodesUnderLocale(L"de_CH.UTF-8"), L"7:eng,deu,deu");
  EXPECT_EQ(CodesUnderLocale(L"pt_BR.UTF-8"), L"22:eng,eng,eng");
  EXPECT_EQ(CodesUnderLocale(L"es_ES.UTF-8"), L"10:eng,esp,esp");
}
