// The interface language: stored names, the CAD host's option, and the
// user's default language of processes started under other locales.
#include "environment/language.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "files.h"
#include "framework/scoped_handle.h"
#include "registry.h"

namespace {

const std::wstring kResultKey = L"Software\\KxLanguageTest";
const wchar_t kEventVariable[] = L"KX_LANGUAGE_EVENT";

void SetLanguage(const std::wstring& name) {
  kxtest::SetString(HKEY_CURRENT_USER, kxtest::kProductKey, L"Language", name);
}

void SetUseEnglish(DWORD value) {
  kxtest::SetDword(HKEY_CURRENT_USER, kxtest::kSolidworksKey, L"Use English language", value);
}

struct LocaleResult {
  bool ran = false;
  LANGID userLanguage = 0;
  std::wstring codes;  // with "Use English language" 1, 2 and missing
};

// Under Wine the user's default language follows the Unix locale of the
// process, and a child started by CreateProcessW inherits its parent's Unix
// environment whatever its environment block says. A Unix program, though,
// gets the block as its environment; so the child is this program started
// through Wine's loader, with LC_ALL in the block (LC_ALL is honoured even
// when the locale is not installed on the host). Such a child has no process
// handle here: it reports through the registry and signals a named event.
LocaleResult RunUnderLocale(const std::wstring& locale) {
  LocaleResult result;
  wchar_t loader[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH)) return result;
  using WindowsNameOf = LPWSTR(CDECL*)(LPCSTR);
  const auto windowsNameOf = reinterpret_cast<WindowsNameOf>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!windowsNameOf) return result;
  const std::string unixLoader = kxtest::Narrow(loader);
  LPWSTR windowsLoader = windowsNameOf(unixLoader.c_str());
  if (!windowsLoader) return result;
  const std::wstring application = windowsLoader;
  ::HeapFree(::GetProcessHeap(), 0, windowsLoader);

  static int serial = 0;
  const std::wstring eventName = L"KxLanguageChild-" + std::to_wstring(::GetCurrentProcessId()) +
                                 L"-" + std::to_wstring(++serial);
  kx::ScopedHandle done(::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  if (!done.IsValid()) return result;

  std::vector<wchar_t> environment;
  auto add = [&](const std::wstring& entry) {
    environment.insert(environment.end(), entry.begin(), entry.end());
    environment.push_back(L'\0');
  };
  add(L"LC_ALL=" + locale);
  add(std::wstring(kEventVariable) + L"=" + eventName);
  wchar_t* inherited = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = inherited; *entry; entry += wcslen(entry) + 1) {
    const std::wstring text(entry);
    if (text.rfind(L"LC_ALL=", 0) != 0 && text.rfind(L"KX_LANGUAGE_EVENT=", 0) != 0) add(text);
  }
  ::FreeEnvironmentStringsW(inherited);
  environment.push_back(L'\0');

  std::wstring commandLine =
      std::wstring(loader) + L" \"" + kxtest::SelfPath() + L"\" --kx-child=language_codes";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  kxtest::DeleteTree(HKEY_CURRENT_USER, kResultKey);
  if (::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                       &process)) {
    kx::ScopedHandle thread(process.hThread);
    kx::ScopedHandle unixProcess(process.hProcess);
    result.ran = ::WaitForSingleObject(done.Get(), 60000) == WAIT_OBJECT_0;
  }
  if (!result.ran) return result;
  if (const auto id = kxtest::ReadRaw(HKEY_CURRENT_USER, kResultKey, L"langid");
      id && id->bytes.size() == 4)
    result.userLanguage = static_cast<LANGID>(id->bytes[0] | id->bytes[1] << 8);
  if (const auto codes = kxtest::ReadRaw(HKEY_CURRENT_USER, kResultKey, L"codes");
      codes && codes->bytes.size() >= 2)
    result.codes.assign(reinterpret_cast<const wchar_t*>(codes->bytes.data()),
                        codes->bytes.size() / 2 - 1);
  return result;
}

}  // namespace

// In the child: "Language" is "Automatic"; the codes with the CAD host's
// option 1, then 2, then with its key missing.
KX_CHILD_SCENARIO(language_codes) {
  std::wstring codes;
  SetUseEnglish(1);
  codes += ResolveLanguageCode();
  SetUseEnglish(2);
  codes += L"," + ResolveLanguageCode();
  kxtest::DeleteTree(HKEY_CURRENT_USER, L"Software\\Solidworks");
  codes += L"," + ResolveLanguageCode();
  kxtest::SetDword(HKEY_CURRENT_USER, kResultKey, L"langid", ::GetUserDefaultLangID());
  kxtest::SetString(HKEY_CURRENT_USER, kResultKey, L"codes", codes);
  wchar_t eventName[128] = {};
  ::GetEnvironmentVariableW(kEventVariable, eventName, 128);
  kx::ScopedHandle done(::OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName));
  if (!done.IsValid()) return 1;
  ::SetEvent(done.Get());
  return 0;
}

TEST(LanguageCode, StoredNamesMapExactly) {
  auto trees = kxtest::ProductTrees();
  EXPECT_EQ(ResolveLanguageCode(), L"eng");
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kxtest::kProductKey));

  const std::pair<const wchar_t*, const wchar_t*> names[] = {
      {L"Italian", L"ita"},
      {L"English", L"eng"},
      {L"French", L"fra"},
      {L"German", L"deu"},
      {L"Japanese", L"jpn"},
      {L"Polish", L"plk"},
      {L"Spanish", L"esp"},
      {L"Czech", L"ces"},
      {L"Chinese", L"zho"},
      {L"Chinese-Traditional", L"zho"},
      // Exact and case-sensitive; anything else is English.
      {L"German ", L"eng"},
      {L"german", L"eng"},
      {L" German", L"eng"},
      {L"GERMAN", L"eng"},
      {L"", L"eng"},
      {L"Portuguese", L"eng"},
      {L"Chinese-", L"eng"},
      {L"automatic", L"eng"},
      {L"deu", L"eng"},
  };
  for (const auto& [name, code] : names) {
    SetLanguage(name);
    EXPECT_EQ(ResolveLanguageCode(), code) << kxtest::Narrow(name);
  }

  // Only the current user's setting counts.
  kxtest::DeleteTree(HKEY_CURRENT_USER, L"Software\\Brondel");
  kxtest::SetString(HKEY_LOCAL_MACHINE, kxtest::kProductKey, L"Language", L"German");
  EXPECT_EQ(ResolveLanguageCode(), L"eng");
  // Stored with a terminating NUL or not, as REG_EXPAND_SZ: still the text.
  const std::wstring french = L"French";
  kxtest::SetRaw(HKEY_CURRENT_USER, kxtest::kProductKey, L"Language", REG_EXPAND_SZ, french.c_str(),
                 static_cast<DWORD>(french.size() * 2));
  EXPECT_EQ(ResolveLanguageCode(), L"fra");
}

TEST(LanguageCode, AutomaticFollowsTheCadHostOptionFirst) {
  auto trees = kxtest::ProductTrees();
  SetLanguage(L"Automatic");
  SetUseEnglish(1);
  EXPECT_EQ(ResolveLanguageCode(), L"eng");
  // Nothing is written or created on the way.
  kxtest::DeleteTree(HKEY_CURRENT_USER, L"Software\\Solidworks");
  ResolveLanguageCode();
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kxtest::kSolidworksKey));
}

TEST(LanguageCode, AutomaticFollowsTheUserDefaultLanguage) {
  wchar_t loader[MAX_PATH];
  if (!::GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH))
    GTEST_SKIP() << "the locale of a child process is set through Wine's loader";
  auto trees = kxtest::ProductTrees();
  kxtest::ScopedRegistryTrees results{{HKEY_CURRENT_USER, kResultKey}};

  struct Case {
    const wchar_t* locale;
    WORD primary;
    const wchar_t* code;
  };
  const Case cases[] = {
      {L"de_CH.UTF-8", LANG_GERMAN, L"deu"},   {L"pt_BR.UTF-8", LANG_PORTUGUESE, L"eng"},
      {L"es_ES.UTF-8", LANG_SPANISH, L"esp"},  {L"pl_PL.UTF-8", LANG_POLISH, L"plk"},
      {L"zh_TW.UTF-8", LANG_CHINESE, L"zho"},  {L"cs_CZ.UTF-8", LANG_CZECH, L"ces"},
      {L"ja_JP.UTF-8", LANG_JAPANESE, L"jpn"}, {L"fr_CA.UTF-8", LANG_FRENCH, L"fra"},
      {L"it_IT.UTF-8", LANG_ITALIAN, L"ita"},  {L"nl_NL.UTF-8", LANG_DUTCH, L"eng"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kxtest::Narrow(c.locale));
    SetLanguage(L"Automatic");
    const LocaleResult result = RunUnderLocale(c.locale);
    ASSERT_TRUE(result.ran);
    // The child really ran in that language, so "eng" is not a default.
    EXPECT_EQ(PRIMARYLANGID(result.userLanguage), c.primary);
    EXPECT_EQ(result.codes, std::wstring(L"eng,") + c.code + L"," + c.code);
  }
}
