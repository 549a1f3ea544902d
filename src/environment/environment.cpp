#include "environment/environment.h"

#include <cstdlib>
#include <optional>

#include "environment/debug_log.h"
#include "environment/folder_value.h"
#include "environment/library_lock.h"
#include "environment/places.h"
#include "framework/message_box.h"
#include "framework/resource_chain.h"
#include "resources/resource.h"

namespace kx {

namespace {

// Set while Init runs: the log's request for the data folder must not start
// initialisation again from inside it.
bool g_initInProgress = false;
// The host asked that a missing data folder be reported, not end the process.
bool g_reportMissingDataFolder = false;

// The failure line of a place, followed, for a value that held a relative
// folder, by the line that names it.
void LogFailure(const wchar_t* owner, HKEY root, const wchar_t* keyPath, const wchar_t* valueName,
                const FolderValue& value) {
  WriteDebugLog(std::wstring(owner) + L" : failed to access registry value " + RootName(root) +
                L"\\" + keyPath + L"\\" + valueName);
  if (value.status == FolderStatus::kNotAbsolute)
    WriteDebugLog(std::wstring(owner) + L" : not an absolute path: " + Visible(value.text));
}

// Shared by both product keys; only the key and the log line's owner differ.
int LocateDataPathIn(std::wstring& dataPath, HKEY root, const wchar_t* keyPath,
                     const wchar_t* owner) {
  dataPath.clear();
  const FolderValue value = ReadFolderValue(root, keyPath, kDataPathValue);
  if (!value.KeyOpened()) return 0;
  if (value.Found()) {
    dataPath = value.Folder();
    return 1;
  }
  LogFailure(owner, root, keyPath, kDataPathValue, value);
  return 0;
}

}  // namespace

KXEnvApp* KXEnvApp::m_pInstance = nullptr;

KXEnvApp::KXEnvApp() : m_strModuleName(kModuleName), m_bInitFailed(0) {}
KXEnvApp::~KXEnvApp() = default;

KXEnvApp::KXEnvApp(const KXEnvApp& other) {
  AutoLock hold(LibraryLock());
  *this = other;
}

KXEnvApp& KXEnvApp::operator=(const KXEnvApp& other) {
  AutoLock hold(LibraryLock());
  m_strDataPath = other.m_strDataPath;
  m_strInstallPath = other.m_strInstallPath;
  m_strEurekaPath = other.m_strEurekaPath;
  m_strModuleName = other.m_strModuleName;
  m_bInitFailed = other.m_bInitFailed;
  return *this;
}

KXEnvApp* KXEnvApp::Instance() {
  AutoLock hold(LibraryLock());
  if (!m_pInstance) {
    m_pInstance = new KXEnvApp;
    m_pInstance->Init();
  }
  if (m_pInstance->m_bInitFailed && g_reportMissingDataFolder) throw NoDataFolder();
  return m_pInstance;
}

bool KXEnvApp::ReportMissingDataFolder(bool report) {
  AutoLock hold(LibraryLock());
  if (m_pInstance) return false;
  g_reportMissingDataFolder = report;
  return true;
}

std::optional<std::wstring> KXEnvApp::FindDataPath() {
  for (const wchar_t* key : {kProductKey, kProductSEKey})
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      if (const FolderValue value = ReadFolderValue(root, key, kDataPathValue); value.Found())
        return value.Folder();
  return std::nullopt;
}

std::optional<std::wstring> KXEnvApp::DataPathInUse() {
  AutoLock hold(LibraryLock());
  if (!m_pInstance) return std::nullopt;
  return m_pInstance->m_strDataPath;
}

void KXEnvApp::Init() {
  AutoLock hold(LibraryLock());
  if (g_initInProgress) return;
  struct InProgress {
    InProgress() { g_initInProgress = true; }
    ~InProgress() { g_initInProgress = false; }
  } inProgress;

  m_strInstallPath = ModuleFolder(m_strModuleName.c_str());

  if (!LocateDataPath()) {
    // Failed first, so that no other thread initialises again or shows a
    // second box; then neither the box, which waits for the user, nor exit,
    // which runs the host's handlers, holds the lock other threads wait on.
    m_bInitFailed = 1;
    const std::wstring message = kx::LoadResString(IDS_KX_ERR_NOT_LOCATED);
    const int levels = LibraryLock().ReleaseAll();
    kx::AppMessageBox(message, MB_OK, 0);
    if (!g_reportMissingDataFolder) std::exit(0);
    LibraryLock().Reacquire(levels);
    return;
  }
  m_strEurekaPath = m_strInstallPath;
  LocateEureka();
  m_strEurekaPath = Normalized(m_strEurekaPath);
}

int KXEnvApp::LocateDataPath() {
  AutoLock hold(LibraryLock());
  return LocateSWDataPath(HKEY_CURRENT_USER) || LocateSWDataPath(HKEY_LOCAL_MACHINE) ||
                 LocateSEDataPath(HKEY_CURRENT_USER) || LocateSEDataPath(HKEY_LOCAL_MACHINE)
             ? 1
             : 0;
}

int KXEnvApp::LocateSWDataPath(HKEY root) {
  AutoLock hold(LibraryLock());
  return LocateDataPathIn(m_strDataPath, root, kProductKey, L"LocateDataPath");
}

int KXEnvApp::LocateSEDataPath(HKEY root) {
  AutoLock hold(LibraryLock());
  return LocateDataPathIn(m_strDataPath, root, kProductSEKey, L"LocateSEDataPath");
}

std::wstring KXEnvApp::GetKXEurekaPath() {
  AutoLock hold(LibraryLock());
  WriteDebugLog(L"CKXSolidsApp::GetKXEurekaPath");
  const FolderValue value = ReadFolderValue(HKEY_CURRENT_USER, kProductKey, kEurekaExePathValue);
  if (!value.KeyOpened()) return {};
  WriteDebugLog(std::wstring(L"Successful Open ") + RootName(HKEY_CURRENT_USER) + L"\\" +
                kProductKey);
  if (value.Found()) return value.Folder();
  LogFailure(L"GetKXEurekaPath", HKEY_CURRENT_USER, kProductKey, kEurekaExePathValue, value);
  return GetKXEurekaPathHKeyMach();
}

std::wstring KXEnvApp::GetKXEurekaPathHKeyMach() {
  AutoLock hold(LibraryLock());
  const FolderValue value = ReadFolderValue(HKEY_LOCAL_MACHINE, kProductKey, kEurekaExePathValue);
  if (!value.KeyOpened()) return {};
  if (value.Found()) return value.Folder();
  LogFailure(L"GetKXEurekaPath", HKEY_LOCAL_MACHINE, kProductKey, kEurekaExePathValue, value);
  return {};
}

int KXEnvApp::LocateEureka() {
  AutoLock hold(LibraryLock());
  WriteDebugLog(L"CKXSolidsApp::LocateEureka");
  m_strEurekaPath = m_strInstallPath;

  if (std::wstring folder = GetKXEurekaPath(); !folder.empty()) {
    folder = Normalized(std::move(folder));
    const std::wstring candidate = folder + kEurekaExe;
    if (FileFound(candidate)) {
      m_strEurekaPath = folder;
      return 1;
    }
    WriteDebugLog(L"LocateEureka : failed to findFileData " + Visible(candidate));
  }

  const FolderValue vendor = ReadFolderValue(HKEY_LOCAL_MACHINE, kVendorKey, kEurekaDirValue);
  if (!vendor.KeyOpened()) {
    WriteDebugLog(std::wstring(L"LocateEureka : failed to open registry ") +
                  RootName(HKEY_LOCAL_MACHINE) + L"\\" + kVendorKey);
    WriteDebugLog(
        L"LocateEureka : Now locating based on relative path of Eureka.exe based on location of "
        L"VMLauncher.exe");
  } else if (vendor.Found()) {
    // Trusted as it stands; the launcher checks the file itself.
    m_strEurekaPath = vendor.Folder();
    WriteDebugLog(L"LocateEureka : " + Visible(m_strEurekaPath));
    return 1;
  } else {
    LogFailure(L"LocateEureka", HKEY_LOCAL_MACHINE, kVendorKey, kEurekaDirValue, vendor);
    WriteDebugLog(
        L"LocateEureka : Now locating based on relative path of Eureka.exe wrt VMLauncher.exe");
  }

  const std::wstring candidate = m_strEurekaPath + kEurekaExe;
  if (::GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) {
    WriteDebugLog(L"LocateEureka : Success, Path of Eureka.exe is " + Visible(m_strEurekaPath));
    return 1;
  }
  WriteDebugLog(L"LocateEureka : Error, Eureka.exe not found at " + Visible(m_strEurekaPath));
  return 0;
}

std::wstring KXEnvApp::GetDataPath() {
  AutoLock hold(LibraryLock());
  if (m_strDataPath.empty() && m_bInitFailed == 0 && !g_initInProgress) Init();
  return m_strDataPath;
}

std::wstring KXEnvApp::GetEurekaExeFilePath() {
  AutoLock hold(LibraryLock());
  return m_strEurekaPath + kEurekaExe;
}

std::wstring KXEnvApp::GetKXVrtualMachInstallationPath() {
  AutoLock hold(LibraryLock());
  if (m_strInstallPath.empty() && m_bInitFailed == 0 && !g_initInProgress) Init();
  return m_strInstallPath;
}

Lock& LibraryLock() {
  static Lock* lock = new Lock;  // used during process exit too
  return *lock;
}

}  // namespace kx
