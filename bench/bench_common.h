// Shared by the benchmarks: timing, the registry set-up of an installed
// product, and the table rows they print.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

inline double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

// CPU time (user + kernel) of this process so far, in milliseconds.
inline double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// One row: what, the measured figure, its baseline, how they compare, the target.
inline void Row(const char* what, const std::string& figure, const std::string& baseline,
                const std::string& comparison, const char* target) {
  std::printf("| %s | %s | %s | %s | %s |\n", what, figure.c_str(), baseline.c_str(),
              comparison.c_str(), target);
  std::fflush(stdout);
}

inline std::string Fixed(double value, const char* unit, int decimals = 1) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f %s", decimals, value, unit);
  return text;
}

inline void SetString(HKEY root, const wchar_t* path, const wchar_t* name,
                      const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  if (name)
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
}

// The product installed as a user has it: data folder, debug key, Eureka in
// its vendor's folder, German as the language.
inline void InstallProduct(const std::wstring& eurekaSource) {
  ::CreateDirectoryW(L"C:\\bench", nullptr);
  ::CreateDirectoryW(L"C:\\bench\\data", nullptr);
  ::CreateDirectoryW(L"C:\\bench\\Sim A", nullptr);
  ::CopyFileW(eurekaSource.c_str(), L"C:\\bench\\Sim A\\Eureka.exe", FALSE);
  const wchar_t* product = L"Software\\Brondel\\Kalvex\\Kalvex 2023x64";
  SetString(HKEY_CURRENT_USER, product, L"KXDataPath", L"C:\\bench\\data");
  SetString(HKEY_CURRENT_USER, product, L"Language", L"German");
  SetString(HKEY_CURRENT_USER, L"SOFTWARE\\Brondel\\Kalvex\\Debug", nullptr, L"");
  SetString(HKEY_LOCAL_MACHINE, L"Software\\Roboris\\KalvexVirtualMachine", L"EurekaDir",
            L"C:\\bench\\Sim A");
}

inline std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

}  // namespace bench
