// What the framework host's snippets and the C++ hosts share: a check that
// counts and says where it failed, the places the host prepared, and main.
#pragma once

#include <windows.h>

#include <cstdio>
#include <initializer_list>

inline int g_checks, g_failures;
#define CHECK(c) \
  (++g_checks, (c) ? (void)0 : (++g_failures, (void)std::printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #c)))

#define KXHOST_DATA L"C:\\kxhost data\\"
#define KXHOST_KEY L"Software\\KXHost\\Mfc"

// Data folder, language, the log switch's key; a windowless stand-in Eureka alive past the
// launcher's first look (a second) that cannot say its version. Each part, then the summary.
inline int RunHost(std::initializer_list<void (*)()> parts) {
  std::setvbuf(stdout, NULL, _IONBF, 0);  // lines written before a crash stay
  ::CreateDirectoryW(L"C:\\kxhost data", NULL);
  const wchar_t product[] = L"Software\\Brondel\\Kalvex\\Kalvex 2023x64";
  ::RegSetKeyValueW(HKEY_CURRENT_USER, product, L"KXDataPath", REG_SZ, KXHOST_DATA,
                    sizeof KXHOST_DATA);
  ::RegSetKeyValueW(HKEY_CURRENT_USER, product, L"Language", REG_SZ, L"German", sizeof L"German");
  HKEY debug = NULL;
  ::RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Brondel\\Kalvex\\Debug", &debug);
  ::RegCloseKey(debug);
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_LIFETIME_MS", L"1500");
  ::SetEnvironmentVariableW(L"EUREKA_STANDIN_API_VERSION", L"exception");
  for (std::size_t i = 0; i < parts.size(); ++i) try {
      parts.begin()[i]();
    } catch (...) {  // a framework exception (CException*) or another
      std::printf("part %d: ", int(i));
      CHECK(!"an exception escaped");
    }
  std::printf("%s: %d checks, %d failed\n", g_failures ? "FAILED" : "PASSED", g_checks, g_failures);
  return g_failures != 0;
}
