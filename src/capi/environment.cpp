// The environment and the interface language behind the C interface.
#include <windows.h>

#include <string>

#include "capi/guard.h"
#include "environment/environment.h"
#include "environment/language.h"
#include "environment/support_report.h"

using kx::capi::GiveText;
using kx::capi::Guard;
using kx::capi::Require;

namespace {

template <class Locate>
int32_t Found(const char* function, int32_t* found, Locate locate) {
  return Guard(function, [&] {
    Require(found, "the found output is null");
    *found = locate(*kx::KXEnvApp::Instance());
    return KXVM_OK;
  });
}

template <class Get>
int32_t Folder(const char* function, wchar_t** out, Get get) {
  return Guard(function, [&] {
    Require(out, "the output is null");
    GiveText(get(*kx::KXEnvApp::Instance()), out);
    return KXVM_OK;
  });
}

}  // namespace

extern "C" {

int32_t KXVM_CALL kxvm_env_set_missing_data_folder(int32_t mode) {
  return Guard(__func__, [&] {
    if (mode != KXVM_MISSING_DATA_FOLDER_EXIT && mode != KXVM_MISSING_DATA_FOLDER_REPORT)
      throw kx::capi::InvalidArgument{"the mode is neither exit nor report"};
    if (!kx::KXEnvApp::ReportMissingDataFolder(mode == KXVM_MISSING_DATA_FOLDER_REPORT))
      throw kx::capi::TooLate{"the environment has started"};
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_env_instance(void) {
  return Guard(__func__, [] {
    kx::KXEnvApp::Instance();
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_env_locate_eureka(int32_t* found) {
  return Found(__func__, found, [](kx::KXEnvApp& env) { return env.LocateEureka(); });
}

int32_t KXVM_CALL kxvm_env_locate_data_path(int32_t* found) {
  return Found(__func__, found, [](kx::KXEnvApp& env) { return env.LocateDataPath(); });
}

int32_t KXVM_CALL kxvm_env_locate_sw_data_path(struct HKEY__* root, int32_t* found) {
  return Found(__func__, found, [root](kx::KXEnvApp& env) { return env.LocateSWDataPath(root); });
}

int32_t KXVM_CALL kxvm_env_locate_se_data_path(struct HKEY__* root, int32_t* found) {
  return Found(__func__, found, [root](kx::KXEnvApp& env) { return env.LocateSEDataPath(root); });
}

int32_t KXVM_CALL kxvm_env_eureka_path(wchar_t** folder) {
  return Folder(__func__, folder, [](kx::KXEnvApp& env) { return env.GetKXEurekaPath(); });
}

int32_t KXVM_CALL kxvm_env_eureka_path_machine(wchar_t** folder) {
  return Folder(__func__, folder, [](kx::KXEnvApp& env) { return env.GetKXEurekaPathHKeyMach(); });
}

int32_t KXVM_CALL kxvm_env_data_path(wchar_t** folder) {
  return Folder(__func__, folder, [](kx::KXEnvApp& env) { return env.GetDataPath(); });
}

int32_t KXVM_CALL kxvm_env_eureka_exe_file_path(wchar_t** path) {
  return Folder(__func__, path, [](kx::KXEnvApp& env) { return env.GetEurekaExeFilePath(); });
}

int32_t KXVM_CALL kxvm_env_installation_path(wchar_t** folder) {
  return Folder(__func__, folder,
                [](kx::KXEnvApp& env) { return env.GetKXVrtualMachInstallationPath(); });
}

int32_t KXVM_CALL kxvm_language_code(wchar_t** code) {
  return Guard(__func__, [&] {
    GiveText(kx::ResolveLanguageCode(), code);
    return KXVM_OK;
  });
}

int32_t KXVM_CALL kxvm_support_report(int32_t format, wchar_t** report) {
  return Guard(__func__, [&] {
    if (format != KXVM_REPORT_JSON && format != KXVM_REPORT_TEXT)
      throw kx::capi::InvalidArgument{"the format is neither JSON nor text"};
    Require(report, "the report output is null");
    GiveText(kx::SupportReport(format == KXVM_REPORT_JSON), report);
    return KXVM_OK;
  });
}

}  // extern "C"
