// The registry places the environment reads, as support staff see them in
// the log and the support report.
#pragma once

#include <windows.h>

namespace kx {

inline constexpr wchar_t kProductKey[] = L"Software\\Brondel\\Kalvex\\Kalvex 2023x64";
inline constexpr wchar_t kProductSEKey[] = L"Software\\Brondel\\KalvexSE\\KalvexSE 2023x64";
inline constexpr wchar_t kVendorKey[] = L"Software\\Roboris\\KalvexVirtualMachine";
inline constexpr wchar_t kDataPathValue[] = L"KXDataPath";
inline constexpr wchar_t kEurekaExePathValue[] = L"EurekaExePath";
inline constexpr wchar_t kEurekaDirValue[] = L"EurekaDir";
inline constexpr wchar_t kEurekaExe[] = L"Eureka.exe";

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE", the two roots searched.
inline const wchar_t* RootName(HKEY root) {
  return root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER";
}

}  // namespace kx
