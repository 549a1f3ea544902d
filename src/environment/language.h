// The interface language Eureka is started in.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kx {

// The three-letter code for Eureka's command line ("eng", "ita", "fra", "deu",
// "jpn", "plk", "esp", "ces" or "zho"), from the product's "Language" setting;
// "Automatic" follows the CAD host's "Use English language" option and then
// the user's default language. "eng" whenever nothing else applies.
std::wstring ResolveLanguageCode();

// The same choice with where it came from, for the support report.
struct LanguageChoice {
  enum class Source { kSetting, kCadHostOption, kUserDefault, kNoSetting };
  std::wstring code;
  Source source = Source::kNoSetting;
  std::optional<std::wstring> setting;  // the stored "Language", when one was read
  std::optional<LANGID> userDefault;    // when the user's default language decided
};
LanguageChoice ChooseLanguage();

}  // namespace kx
