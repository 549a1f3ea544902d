// The process-wide environment: where the library, the product's data and
// Eureka.exe are on this machine.
//
// Threads: every operation may be called from several threads at once; each
// runs whole under the library's lock, so a reader never sees a folder
// half-way through a search.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kx {

class KXEnvApp {
 public:
  KXEnvApp(const KXEnvApp& other);
  KXEnvApp& operator=(const KXEnvApp& other);

  // The single instance, created and initialised on the first call.
  static KXEnvApp* Instance();

  // Searches Eureka's folder: product key, vendor key, installation folder.
  int LocateEureka();
  // Searches the data folder in the four registry places, in order.
  int LocateDataPath();
  int LocateSWDataPath(HKEY root);
  int LocateSEDataPath(HKEY root);
  // Eureka's folder from the product key, current user then local machine.
  std::wstring GetKXEurekaPath();
  std::wstring GetKXEurekaPathHKeyMach();

  std::wstring GetDataPath();
  std::wstring GetEurekaExeFilePath();
  std::wstring GetKXVrtualMachInstallationPath();

  // The data folder of the instance, when one exists, without making it or
  // searching (the support report).
  static std::optional<std::wstring> DataPathInUse();

  // The module whose folder is the installation folder.
  static constexpr wchar_t kModuleName[] = L"KXVirtualMachMgr.dll";

 private:
  KXEnvApp();
  ~KXEnvApp();
  void Init();

  std::wstring m_strDataPath;
  std::wstring m_strInstallPath;
  std::wstring m_strEurekaPath;
  std::wstring m_strModuleName;
  int m_bInitFailed;

  static KXEnvApp* m_pInstance;
};

}  // namespace kx
