// What the framework host's snippets share: a check that counts and says
// where it failed, and the places the host prepared.
#pragma once

#include <cstdio>

inline int g_checks, g_failures;
#define CHECK(c) \
  (++g_checks, (c) ? (void)0 : (++g_failures, (void)std::printf("FAILED %s:%d: %s\n", __FILE__, __LINE__, #c)))

#define KXHOST_DATA L"C:\\kxhost data\\"
#define KXHOST_KEY L"Software\\KXHost\\Mfc"
