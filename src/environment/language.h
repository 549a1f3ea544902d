// The interface language Eureka is started in.
#pragma once

#include <string>

namespace kx {

// The three-letter code for Eureka's command line ("eng", "ita", "fra", "deu",
// "jpn", "plk", "esp", "ces" or "zho"), from the product's "Language" setting;
// "Automatic" follows the CAD host's "Use English language" option and then
// the user's default language. "eng" whenever nothing else applies.
std::wstring ResolveLanguageCode();

}  // namespace kx
