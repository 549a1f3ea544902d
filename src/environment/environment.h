// The process-wide environment: where the library, the product's data and
// Eureka.exe are on this machine.
//
// Threads: every operation may be called from several threads at once; each
// runs whole under the library's lock, so a reader never sees a folder
// half-way through a search.
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <string>

namespace kx {

// No data folder, on a host that asked for it to be reported rather than
// end the process.
class NoDataFolder : public std::exception {
 public:
  const char* what() const noexcept override { return "no data folder in the registry"; }
};

class KXEnvApp {
 public:
  KXEnvApp(const KXEnvApp& other);
  KXEnvApp& operator=(const KXEnvApp& other);

  // The single instance, created and initialised on the first call. Without
  // a data folder the first call shows message 1023, then ends the process,
  // or, when the host asked for it, throws NoDataFolder, as every later call
  // does without a message.
  static KXEnvApp* Instance();
  // Before the instance exists: report a missing data folder instead of
  // ending the process. False, and nothing changed, once it exists.
  static bool ReportMissingDataFolder(bool report);

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
  // The data folder the instance would find, searched without making it and
  // without logging (the log, before the instance exists); none when no
  // place holds one.
  static std::optional<std::wstring> FindDataPath();

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
