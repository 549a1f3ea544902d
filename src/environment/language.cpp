#include "environment/language.h"

#include <windows.h>

#include "settings/settings_key.h"

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

void ChooseAutomatically(LanguageChoice& choice) {
  MWSettingsKey general(L"SWGeneral", L"Software\\Solidworks\\General");
  general.AddValue(L"Use English language", 0);
  general.Load();  // a missing key or value leaves the default
  int useEnglish = 0;
  general.GetValue(L"Use English language", useEnglish);
  if (useEnglish == 1) {
    choice.source = LanguageChoice::Source::kCadHostOption;
    return;
  }
  choice.source = LanguageChoice::Source::kUserDefault;
  choice.userDefault = ::GetUserDefaultLangID();
  for (const PrimaryLanguage& entry : kPrimaryLanguages) {
    if (entry.primary == PRIMARYLANGID(*choice.userDefault)) {
      choice.code = entry.code;
      break;
    }
  }
}

}  // namespace

LanguageChoice ChooseLanguage() {
  LanguageChoice choice;
  choice.code = kEnglish;
  std::wstring setting;
  MWSettingsKey language(L"Language", L"Software\\Brondel\\Kalvex\\Kalvex 2023x64");
  language.SetRoot(HKEY_CURRENT_USER);
  language.AddValue(L"Language", std::wstring());
  if (language.Load()) {
    language.GetValue(L"Language", setting);
    choice.setting = setting;
  }

  if (setting == L"Automatic") {
    ChooseAutomatically(choice);
    return choice;
  }
  for (const NamedLanguage& entry : kNamedLanguages) {
    if (setting == entry.name) {
      choice.code = entry.code;
      choice.source = LanguageChoice::Source::kSetting;
      break;
    }
  }
  return choice;
}

std::wstring ResolveLanguageCode() { return ChooseLanguage().code; }

}  // namespace kx
