#include "environment/KXEnvApp.h"

#include <cstdlib>

#include "environment/debug_log.h"
#include "environment/library_lock.h"
#include "framework/message_box.h"
#include "framework/resource_chain.h"
#include "framework/scoped_handle.h"
#include "framework/scoped_hkey.h"
#include "resources/resource.h"

namespace kx {

namespace {

constexpr wchar_t kProductKey[] = L"Software\\Brondel\\Kalvex\\Kalvex 2023x64";
constexpr wchar_t kProductSEKey[] = L"Software\\Brondel\\KalvexSE\\KalvexSE 2023x64";
constexpr wchar_t kVendorKey[] = L"Software\\Roboris\\KalvexVirtualMachine";
constexpr wchar_t kDataPathValue[] = L"KXDataPath";
constexpr wchar_t kEurekaExePathValue[] = L"EurekaExePath";
constexpr wchar_t kEurekaDirValue[] = L"EurekaDir";
constexpr wchar_t kEurekaExe[] = L"Eureka.exe";
constexpr wchar_t kHkcu[] = L"HKEY_CURRENT_USER\\";
constexpr wchar_t kHklm[] = L"HKEY_LOCAL_MACHINE\\";

// Set while Init runs: the log's request for the data folder must not start
// initialisation again from inside it.
bool g_initInProgress = false;

std::wstring Normalized(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

// A string value read into room for 255 characters, whatever its type. The
// text ends at the first NUL or at the end of the data. Empty when missing,
// too long or empty.
std::wstring ReadFolderValue(HKEY key, const wchar_t* name) {
  wchar_t buffer[255];
  DWORD size = sizeof(buffer);
  if (::RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return {};
  std::wstring text(buffer, size / sizeof(wchar_t));
  if (const auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
  return text;
}

bool FileFound(const std::wstring& name) {
  WIN32_FIND_DATAW data;
  kx::ScopedFindHandle search(::FindFirstFileW(name.c_str(), &data));
  return search.IsValid();
}

}  // namespace

KXEnvApp* KXEnvApp::m_pInstance = nullptr;

KXEnvApp::KXEnvApp() : m_strModuleName(L"KXVirtualMachMgr.dll"), m_bInitFailed(0) {}
KXEnvApp::~KXEnvApp() = default;
KXEnvApp::KXEnvApp(const KXEnvApp& other) = default;
KXEnvApp& KXEnvApp::operator=(const KXEnvApp& other) = default;

KXEnvApp* KXEnvApp::Instance() {
  kx::AutoLock hold(kx::LibraryLock());
  if (!m_pInstance) {
    m_pInstance = new KXEnvApp;
    m_pInstance->Init();
  }
  return m_pInstance;
}

void KXEnvApp::Init() {
  kx::AutoLock hold(kx::LibraryLock());
  if (g_initInProgress) return;
  struct InProgress {
    InProgress() { g_initInProgress = true; }
    ~InProgress() { g_initInProgress = false; }
  } inProgress;

  wchar_t fileName[260] = {};
  const HMODULE module = ::GetModuleHandleW(m_strModuleName.c_str());
  const DWORD length = ::GetModuleFileNameW(module, fileName, 260);
  const std::wstring path(fileName, length < 260 ? length : 260);
  const auto slash = path.rfind(L'\\');
  m_strInstallPath =
      Normalized(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));

  if (!LocateDataPath()) {
    const std::wstring message = kx::LoadResString(IDS_KX_ERR_NOT_LOCATED);
    kx::AppMessageBox(message, MB_OK, 0);
    m_bInitFailed = 1;
    std::exit(0);
  }
  m_strEurekaPath = m_strInstallPath;
  LocateEureka();
  m_strEurekaPath = Normalized(m_strEurekaPath);
}

int KXEnvApp::LocateDataPath() {
  return LocateSWDataPath(HKEY_CURRENT_USER) || LocateSWDataPath(HKEY_LOCAL_MACHINE) ||
                 LocateSEDataPath(HKEY_CURRENT_USER) || LocateSEDataPath(HKEY_LOCAL_MACHINE)
             ? 1
             : 0;
}

namespace {

// Shared by both product keys; only the key and the log line's owner differ.
int LocateDataPathIn(std::wstring& dataPath, HKEY root, const wchar_t* keyPath,
                     const wchar_t* owner) {
  dataPath.clear();
  kx::ScopedHKey key;
  if (kx::OpenKey(key, root, keyPath, KEY_READ) != ERROR_SUCCESS) return 0;
  std::wstring folder = ReadFolderValue(key.Get(), kDataPathValue);
  if (!folder.empty()) {
    dataPath = Normalized(std::move(folder));
    return 1;
  }
  WriteDebugLog(std::wstring(owner) + L" : failed to access registry value " +
                (root == HKEY_LOCAL_MACHINE ? kHklm : kHkcu) + keyPath + L"\\" + kDataPathValue);
  return 0;
}

}  // namespace

int KXEnvApp::LocateSWDataPath(HKEY root) {
  return LocateDataPathIn(m_strDataPath, root, kProductKey, L"LocateDataPath");
}

int KXEnvApp::LocateSEDataPath(HKEY root) {
  return LocateDataPathIn(m_strDataPath, root, kProductSEKey, L"LocateSEDataPath");
}

std::wstring KXEnvApp::GetKXEurekaPath() {
  WriteDebugLog(L"CKXSolidsApp::GetKXEurekaPath");
  kx::ScopedHKey key;
  if (kx::OpenKey(key, HKEY_CURRENT_USER, kProductKey, KEY_READ) != ERROR_SUCCESS) return {};
  WriteDebugLog(std::wstring(L"Successful Open ") + kHkcu + kProductKey);
  std::wstring folder = ReadFolderValue(key.Get(), kEurekaExePathValue);
  if (!folder.empty()) return Normalized(std::move(folder));
  WriteDebugLog(std::wstring(L"GetKXEurekaPath : failed to access registry value ") + kHkcu +
                kProductKey + L"\\" + kEurekaExePathValue);
  return GetKXEurekaPathHKeyMach();
}

std::wstring KXEnvApp::GetKXEurekaPathHKeyMach() {
  kx::ScopedHKey key;
  if (kx::OpenKey(key, HKEY_LOCAL_MACHINE, kProductKey, KEY_READ) != ERROR_SUCCESS) return {};
  std::wstring folder = ReadFolderValue(key.Get(), kEurekaExePathValue);
  if (!folder.empty()) return Normalized(std::move(folder));
  WriteDebugLog(std::wstring(L"GetKXEurekaPath : failed to access registry value ") + kHklm +
                kProductKey + L"\\" + kEurekaExePathValue);
  return {};
}

int KXEnvApp::LocateEureka() {
  WriteDebugLog(L"CKXSolidsApp::LocateEureka");
  m_strEurekaPath = m_strInstallPath;

  if (std::wstring folder = GetKXEurekaPath(); !folder.empty()) {
    folder = Normalized(std::move(folder));
    const std::wstring candidate = folder + kEurekaExe;
    if (FileFound(candidate)) {
      m_strEurekaPath = folder;
      return 1;
    }
    WriteDebugLog(L"LocateEureka : failed to findFileData " + candidate);
  }

  kx::ScopedHKey vendor;
  if (kx::OpenKey(vendor, HKEY_LOCAL_MACHINE, kVendorKey, KEY_READ) != ERROR_SUCCESS) {
    WriteDebugLog(std::wstring(L"LocateEureka : failed to open registry ") + kHklm + kVendorKey);
    WriteDebugLog(
        L"LocateEureka : Now locating based on relative path of Eureka.exe based on location of "
        L"VMLauncher.exe");
  } else if (std::wstring folder = ReadFolderValue(vendor.Get(), kEurekaDirValue);
             !folder.empty()) {
    // Trusted as it stands; the launcher checks the file itself.
    m_strEurekaPath = Normalized(std::move(folder));
    WriteDebugLog(L"LocateEureka : " + m_strEurekaPath);
    return 1;
  } else {
    WriteDebugLog(std::wstring(L"LocateEureka : failed to access registry value ") + kHklm +
                  kVendorKey + L"\\" + kEurekaDirValue);
    WriteDebugLog(
        L"LocateEureka : Now locating based on relative path of Eureka.exe wrt VMLauncher.exe");
  }

  const std::wstring candidate = m_strEurekaPath + kEurekaExe;
  if (::GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) {
    WriteDebugLog(L"LocateEureka : Success, Path of Eureka.exe is " + m_strEurekaPath);
    return 1;
  }
  WriteDebugLog(L"LocateEureka : Error, Eureka.exe not found at " + m_strEurekaPath);
  return 0;
}

std::wstring KXEnvApp::GetDataPath() {
  kx::AutoLock hold(kx::LibraryLock());
  if (m_strDataPath.empty() && m_bInitFailed == 0 && !g_initInProgress) Init();
  return m_strDataPath;
}

std::wstring KXEnvApp::GetEurekaExeFilePath() { return m_strEurekaPath + kEurekaExe; }

std::wstring KXEnvApp::GetKXVrtualMachInstallationPath() {
  kx::AutoLock hold(kx::LibraryLock());
  if (m_strInstallPath.empty() && m_bInitFailed == 0 && !g_initInProgress) Init();
  return m_strInstallPath;
}

Lock& LibraryLock() {
  static Lock* lock = new Lock;  // used during process exit too
  return *lock;
}

}  // namespace kx
