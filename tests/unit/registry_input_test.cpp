// Every registry place the library reads, fed values of every type and of
// lengths 0, 1, 255, 256 and 64 KiB: each gives the documented answer and
// nothing crashes.
#include <gtest/gtest.h>

#include "environment/KXEnvApp.h"
#include "environment/debug_log.h"
#include "environment/language.h"
#include "files.h"
#include "registry.h"

using namespace kx;

using namespace kxtest;

namespace {

const DWORD kTypes[] = {REG_NONE,  REG_SZ,       REG_EXPAND_SZ, REG_BINARY,
                        REG_DWORD, REG_MULTI_SZ, REG_QWORD,     REG_DWORD_BIG_ENDIAN};
const DWORD kLengths[] = {0, 1, 255, 256, 65536};

// "C:\" in UTF-16, then 'A's: every length that reads reads as an absolute folder.
std::vector<BYTE> Filler(DWORD length) {
  std::vector<BYTE> bytes(length, 'A');
  const BYTE drive[] = {'C', 0, ':', 0, '\\', 0};
  std::copy_n(drive, std::min<DWORD>(length, sizeof drive), bytes.begin());
  return bytes;
}

// A folder value reads when it fits in 255 characters and holds "C:\".
bool FolderReads(DWORD length) { return length >= 6 && length <= 255 * sizeof(wchar_t); }

}  // namespace

TEST(RegistryInput, EveryPlaceTakesEveryTypeAndLength) {
  const auto trees = ProductTrees();
  TempFolder data(L"registry input");
  SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data.Path());
  CreateKey(HKEY_CURRENT_USER, kDebugKey);
  KXEnvApp* env = KXEnvApp::Instance();
  ASSERT_EQ(env->GetDataPath(), data.Path());

  for (const DWORD type : kTypes) {
    for (const DWORD length : kLengths) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", " << length << " bytes");
      const std::vector<BYTE> bytes = Filler(length);
      auto set = [&](HKEY root, const std::wstring& key, const wchar_t* name) {
        SetRaw(root, key, name, type, bytes.data(), length);
      };
      const std::wstring folder =
          L"C:\\" + std::wstring(length >= 6 ? (length - 6) / 2 : 0, L'\x4141');
      const bool reads = FolderReads(length);

      // The four data-folder places.
      for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        set(root, kProductKey, L"KXDataPath");
        EXPECT_EQ(env->LocateSWDataPath(root), reads ? 1 : 0);
        if (reads) EXPECT_EQ(env->GetDataPath(), folder + L"\\");
        set(root, kProductSEKey, L"KXDataPath");
        EXPECT_EQ(env->LocateSEDataPath(root), reads ? 1 : 0);
      }
      SetString(HKEY_CURRENT_USER, kProductKey, L"KXDataPath", data.Path());
      ASSERT_EQ(env->LocateDataPath(), 1);

      // Eureka's folder: product key (both roots) and vendor key.
      DeleteValue(HKEY_LOCAL_MACHINE, kProductKey, L"EurekaExePath");
      set(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath");
      EXPECT_EQ(env->GetKXEurekaPath(), reads ? folder + L"\\" : L"");
      DeleteValue(HKEY_CURRENT_USER, kProductKey, L"EurekaExePath");
      set(HKEY_LOCAL_MACHINE, kProductKey, L"EurekaExePath");
      EXPECT_EQ(env->GetKXEurekaPathHKeyMach(), reads ? folder + L"\\" : L"");
      set(HKEY_LOCAL_MACHINE, kVendorKey, L"EurekaDir");
      env->LocateEureka();
      if (reads) EXPECT_EQ(env->GetEurekaExeFilePath(), folder + L"\\Eureka.exe");

      // The language setting and the CAD host's option: "eng" whatever they hold.
      set(HKEY_CURRENT_USER, kProductKey, L"Language");
      set(HKEY_CURRENT_USER, kSolidworksKey, L"Use English language");
      EXPECT_EQ(ResolveLanguageCode(), L"eng");

      // The log switch takes 4 bytes at most; shorter data fills the low bytes.
      SetDword(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug", 0);
      SetDebugLogMode(KXSeDebugRegistry, 0, L"t");
      set(HKEY_CURRENT_USER, kDebugKey, L"KXVirtualMachDebug");
      SyncDebugFlag();
      const size_t before = ReadFileBytes(data.Path() + L"KXVirtualMachine.log").size();
      WriteDebugLog(L"probe");
      const bool logs = length >= 1 && length <= 4;
      EXPECT_EQ(ReadFileBytes(data.Path() + L"KXVirtualMachine.log").size() > before, logs);
    }
  }
}
