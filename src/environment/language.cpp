#include "environment/language.h"

#include <windows.h>

#include "settings/MWSettingsKey.h"

namespace kx {

namespace {

const std::wstring kEnglish = L"eng";

// Compared exactly, in this order; the first match wins.
struct NamedLanguage {
  const wchar_t* name;
  const wchar_t* code;
};
constexpr NamedLanguage kNamedLanguages[] = {
    {L"Italian", L"ita"},  {L"English", L"eng"},
    {L"French", L"fra"},   {L"German", L"deu"},
    {L"Japanese", L"jpn"}, {L"Polish", L"plk"},
    {L"Spanish", L"esp"},  {L"Czech", L"ces"},
    {L"Chinese", L"zho"},  {L"Chinese-Traditional", L"zho"},
};

// By the primary language of a Windows language identifier. Eureka's own
// codes: Spanish is "esp" and Polish "plk", not ISO 639-2.
struct PrimaryLanguage {
  WORD primary;
  const wchar_t* code;
};
constexpr PrimaryLanguage kPrimaryLanguages[] = {
    {LANG_CHINESE, L"zho"}, {LANG_CZECH, L"ces"},   {LANG_GERMAN, L"deu"},   {LANG_SPANISH, L"esp"},
    {LANG_FRENCH, L"fra"},  {LANG_ITALIAN, L"ita"}, {LANG_JAPANESE, L"jpn"}, {LANG_POLISH, L"plk"},
};

std::wstring AutomaticLanguageCode() {
  MWSettingsKey general(L"SWGeneral", L"Software\\Solidworks\\General");
  general.AddValue(L"Use English language", 0);
  general.Load();  // a missing key or value leaves the default
  int useEnglish = 0;
  general.GetValue(L"Use English language", useEnglish);
  if (useEnglish == 1) return kEnglish;

  const WORD primary = PRIMARYLANGID(::GetUserDefaultLangID());
  for (const PrimaryLanguage& entry : kPrimaryLanguages)
    if (entry.primary == primary) return entry.code;
  return kEnglish;
}

}  // namespace

std::wstring ResolveLanguageCode() {
  std::wstring setting;
  MWSettingsKey language(L"Language", L"Software\\Brondel\\Kalvex\\Kalvex 2023x64");
  language.SetRoot(HKEY_CURRENT_USER);
  language.AddValue(L"Language", std::wstring());
  if (language.Load()) language.GetValue(L"Language", setting);

  if (setting == L"Automatic") return AutomaticLanguageCode();
  for (const NamedLanguage& entry : kNamedLanguages)
    if (setting == entry.name) return entry.code;
  return kEnglish;
}

}  // namespace kx
