// The process-wide environment: where the library, the product's data and
// Eureka.exe are on this machine; with it, the diagnostic log and the
// interface language.
//
// The environment lives in the library, once per process; KXEnvApp is the
// host's handle to it, and a copy refers to the same environment.
#pragma once

#include "kxvm/c_interface.h"

#include <cstdint>

#include "KXSeDebugMode.h"

class KXEnvApp {
 public:
  KXEnvApp(const KXEnvApp&) = default;
  KXEnvApp& operator=(const KXEnvApp&) = default;

  // The single instance, created and initialised on the first call. Without
  // a data folder in the registry, that first call shows message 1023 ("Error 203")
  // ("Error 203") and ends the process with exit code 0, or, on a host that
  // asked for it, throws kxvm::NoDataFolder, as every later call then does
  // without a message.
  static KXEnvApp* Instance() {
    kxvm::detail::Check(kxvm_env_instance());
    static KXEnvApp instance;
    return &instance;
  }
  // Before the environment starts (the first call of the library but the log
  // calls, the support report and a close): a missing data folder is then
  // reported (kxvm::NoDataFolder; LaunchEureka returns 0) instead of ending
  // the process, so an add-in stays alive. Later: std::logic_error, and
  // nothing changes.
  static void ReportMissingDataFolder() {
    kxvm::detail::Check(kxvm_env_set_missing_data_folder(KXVM_MISSING_DATA_FOLDER_REPORT));
  }

  // Searches Eureka's folder: product key, vendor key, installation folder.
  int LocateEureka() { return Found(kxvm_env_locate_eureka); }
  // Searches the data folder in the four registry places, in order.
  int LocateDataPath() { return Found(kxvm_env_locate_data_path); }
  int LocateSWDataPath(HKEY root) {
    std::int32_t found = 0;
    kxvm::detail::Check(kxvm_env_locate_sw_data_path(root, &found));
    return found;
  }
  int LocateSEDataPath(HKEY root) {
    std::int32_t found = 0;
    kxvm::detail::Check(kxvm_env_locate_se_data_path(root, &found));
    return found;
  }
  // Eureka's folder from the product key, current user then local machine.
  kxvm::Text GetKXEurekaPath() { return kxvm::detail::TextOf(kxvm_env_eureka_path); }
  kxvm::Text GetKXEurekaPathHKeyMach() {
    return kxvm::detail::TextOf(kxvm_env_eureka_path_machine);
  }

  kxvm::Text GetDataPath() { return kxvm::detail::TextOf(kxvm_env_data_path); }
  kxvm::Text GetEurekaExeFilePath() {
    return kxvm::detail::TextOf(kxvm_env_eureka_exe_file_path);
  }
  kxvm::Text GetKXVrtualMachInstallationPath() {
    return kxvm::detail::TextOf(kxvm_env_installation_path);
  }

 private:
  KXEnvApp() = default;
  static int Found(std::int32_t(KXVM_CALL* locate)(std::int32_t*)) {
    std::int32_t found = 0;
    kxvm::detail::Check(locate(&found));
    return found;
  }
};

// Writes one time-stamped line when logging is on. 1 when logging is off or
// the line was written; 0 when logging is on but no log file is open.
inline int WriteDebugLog(const kxvm::Text& text) {
  std::int32_t written = 0;
  kxvm::detail::Check(kxvm_log_write(kxvm::TextData(text), kxvm::TextLength(text), &written));
  return written;
}

// Stores the mode, the fresh-file flag and the tag, then SyncDebugFlag().
inline void SetDebugLogMode(KXSeDebugMode mode, int freshLog, const kxvm::Text& tag) {
  kxvm::detail::Check(kxvm_log_set_mode(mode, freshLog, kxvm::TextData(tag)));
}

// Applies the mode to the registry's log switch and to the log.
inline void SyncDebugFlag() { kxvm::detail::Check(kxvm_log_sync_flag()); }

// Where everything is (kxvm.h, kxvm_support_report): KXVM_REPORT_JSON, or
// KXVM_REPORT_TEXT for a person. Starts nothing and logs nothing.
inline kxvm::Text SupportReport(int format = KXVM_REPORT_JSON) {
  return kxvm::detail::TextOf(
      [format](wchar_t** report) { return kxvm_support_report(format, report); });
}

// The three-letter code Eureka is started with ("eng", "ita", "fra", "deu",
// "jpn", "plk", "esp", "ces" or "zho").
inline kxvm::Text ResolveLanguageCode() { return kxvm::detail::TextOf(kxvm_language_code); }
