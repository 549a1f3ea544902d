// The settings key: declarations, lookups, typed access and the registry walk,
// against the real registry.
#include <gtest/gtest.h>
#include <winternl.h>

#include <memory>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "files.h"
#include "framework/scoped_hkey.h"
#include "registry.h"

namespace {

const std::wstring kRoot = L"Software\\KxSettingsTest";
const std::wstring kPath = kRoot + L"\\Key";
const std::wstring kChildPath = kRoot + L"\\Child";

kxtest::ScopedRegistryTrees TestTrees() {
  return kxtest::ScopedRegistryTrees{{HKEY_CURRENT_USER, kRoot}, {HKEY_LOCAL_MACHINE, kRoot}};
}

template <class T>
T Get(MWSettingsKey& key, const std::wstring& name, T initial) {
  key.GetValue(name, initial);
  return initial;
}

// The access rights a handle was granted, from the object manager.
ACCESS_MASK GrantedAccess(HKEY key) {
  using QueryObject = NTSTATUS(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  struct {
    ULONG attributes;
    ACCESS_MASK grantedAccess;
    ULONG rest[12];
  } info{};
  if (!query || query(key, 0 /* ObjectBasicInformation */, &info, sizeof info, nullptr) != 0)
    return 0;
  return info.grantedAccess;
}

}  // namespace

TEST(SettingsKey, EmptyKeyTouchesNoRegistryKey) {
  auto trees = TestTrees();
  MWSettingsKey key(L"empty", kPath);
  EXPECT_EQ(key.Save(), 1);
  EXPECT_EQ(key.Load(), 1);
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kPath));
  // Not even its root is used: a root that is no key at all makes no difference.
  key.SetRoot(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7654)));
  EXPECT_EQ(key.Save(), 1);
  EXPECT_EQ(key.Load(), 1);
  key.AddValue(L"v", 1);
  EXPECT_EQ(key.Save(), 0);
  EXPECT_EQ(key.Load(), 0);
}

TEST(SettingsKey, SaveCreatesAndLoadReadsEveryStoredValue) {
  auto trees = TestTrees();
  {
    MWSettingsKey missing(L"settings", kPath);
    missing.AddValue(L"Width", 800);
    missing.AddValue(L"Title", std::wstring(L"default"));
    EXPECT_EQ(missing.Load(), 0);
    EXPECT_EQ(Get(missing, L"Width", 0), 800);
    EXPECT_EQ(Get(missing, L"Title", std::wstring()), L"default");
    EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kPath));
  }
  {
    MWSettingsKey writer(L"settings", kPath);
    writer.AddValue(L"Width", 1024);
    writer.AddValue(L"Title", std::wstring(L"Kalvex"));
    writer.SetValue(L"Width", 1280);
    EXPECT_EQ(writer.Save(), 1);
  }
  EXPECT_TRUE(kxtest::KeyExists(HKEY_CURRENT_USER, kPath));
  MWSettingsKey reader(L"settings", kPath);
  reader.AddValue(L"Width", 1);
  reader.AddValue(L"Title", std::wstring(L"x"));
  EXPECT_EQ(reader.Load(), 1);
  EXPECT_EQ(Get(reader, L"Width", 0), 1280);
  EXPECT_EQ(Get(reader, L"Title", std::wstring()), L"Kalvex");

  // One of two values stored: 0, yet the stored one is read.
  MWSettingsKey partial(L"settings", kPath);
  partial.AddValue(L"Height", 600);
  partial.AddValue(L"Width", 1);
  EXPECT_EQ(partial.Load(), 0);
  EXPECT_EQ(Get(partial, L"Width", 0), 1280);
  EXPECT_EQ(Get(partial, L"Height", 0), 600);
}

TEST(SettingsKey, LaterDeclarationsShadowEarlierOnes) {
  auto trees = TestTrees();
  MWSettingsKey key(L"dup", kPath);
  key.AddValue(L"n", 1);
  key.AddValue(L"n", 2);
  EXPECT_EQ(Get(key, L"n", 0), 2);
  key.SetValue(L"n", 3);
  EXPECT_EQ(Get(key, L"n", 0), 3);
  // Both are written, front to back: the earlier one last, so it stays.
  EXPECT_EQ(key.Save(), 1);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, L"n")->bytes,
            (std::vector<std::uint8_t>{1, 0, 0, 0}));

  // Names compare exactly, though the registry folds case.
  key.AddValue(L"N", 9);
  EXPECT_EQ(Get(key, L"n", 0), 3);
  EXPECT_EQ(Get(key, L"N", 0), 9);
  EXPECT_EQ(key.FindValue(L"n")->GetName(), L"n");
  EXPECT_EQ(key.FindValue(L"x"), nullptr);
  EXPECT_EQ(key.FindValue(L"n "), nullptr);
}

TEST(SettingsKey, TypedAccessOnlyReachesItsOwnKind) {
  MWSettingsKey key(L"kinds", kPath);
  key.AddValue(L"text", std::wstring(L"t"));
  key.AddValue(L"int", 5);
  key.AddValue(L"colour", COLORREF{6});
  key.AddValue(L"double", 7.5);
  key.AddValue(L"point", CPoint(1, 2));
  key.AddValue(L"rect", CRect(1, 2, 3, 4));
  key.AddValue(L"time", CTime(8));
  key.AddValue(L"array", std::vector<int>{9});

  // The integer's out-argument stays when the name is another kind or unknown.
  for (const auto& name :
       {L"text", L"colour", L"double", L"point", L"rect", L"time", L"array", L"unknown"}) {
    EXPECT_EQ(Get(key, name, -1), -1) << kxtest::Narrow(name);
    key.SetValue(name, 42);
  }
  EXPECT_EQ(Get(key, L"text", std::wstring()), L"t");
  EXPECT_EQ(Get(key, L"colour", COLORREF{0}), COLORREF{6});
  EXPECT_EQ(Get(key, L"double", 0.0), 7.5);
  EXPECT_EQ(Get(key, L"int", std::wstring(L"same")), L"same");
  EXPECT_EQ(Get(key, L"int", COLORREF{3}), COLORREF{3});
  EXPECT_EQ(Get(key, L"int", CPoint(4, 4)), CPoint(4, 4));
  EXPECT_EQ(Get(key, L"int", 0), 5);
  EXPECT_EQ(key.FindValue(L"unknown"), nullptr);

  // Each setter reaches its kind; the array is replaced, not appended to.
  key.SetValue(L"text", std::wstring(L"u"));
  key.SetValue(L"colour", COLORREF{0xFFFFFFFF});
  key.SetValue(L"double", -1.0);
  key.SetValue(L"point", CPoint(-1, -2));
  key.SetValue(L"rect", CRect(-1, -2, -3, -4));
  key.SetValue(L"time", CTime(-8));
  key.SetValue(L"array", std::vector<int>{1, 2});
  EXPECT_EQ(Get(key, L"text", std::wstring()), L"u");
  EXPECT_EQ(Get(key, L"colour", COLORREF{0}), COLORREF{0xFFFFFFFF});
  EXPECT_EQ(Get(key, L"double", 0.0), -1.0);
  EXPECT_EQ(Get(key, L"point", CPoint()), CPoint(-1, -2));
  EXPECT_EQ(Get(key, L"rect", CRect()), CRect(-1, -2, -3, -4));
  EXPECT_EQ(Get(key, L"time", CTime()).GetTime(), -8);
  EXPECT_EQ(Get(key, L"array", std::vector<int>{7, 7, 7}), (std::vector<int>{1, 2}));
  EXPECT_EQ(key.GetName(), L"kinds");
}

TEST(SettingsKey, ChildKeysWorkOnTheirOwnRootAndPath) {
  auto trees = TestTrees();
  MWSettingsKey parent(L"parent", kPath);
  parent.AddValue(L"x", 1);
  auto child = std::make_unique<MWSettingsKey>(L"child", kChildPath);
  MWSettingsKey* childKey = child.get();
  child->AddValue(L"x", 2);
  child->AddValue(L"deep", std::wstring(L"in child"));
  auto grandchild = std::make_unique<MWSettingsKey>(L"grandchild", kChildPath + L"\\Deeper");
  grandchild->AddValue(L"g", 3);
  MWSettingsKey* grandchildKey = grandchild.get();
  child->AddKey(std::move(grandchild));
  EXPECT_EQ(childKey->SetRoot(HKEY_LOCAL_MACHINE), HKEY_CURRENT_USER);
  parent.AddKey(std::move(child));
  parent.AddKey(nullptr);

  // Depth-first from the front: the child (added later) comes first.
  EXPECT_EQ(Get(parent, L"x", 0), 2);
  EXPECT_EQ(Get(parent, L"g", 0), 3);
  EXPECT_EQ(Get(parent, L"deep", std::wstring()), L"in child");
  EXPECT_EQ(parent.FindKey(L"child"), childKey);
  EXPECT_EQ(parent.FindKey(L"grandchild"), grandchildKey);
  EXPECT_EQ(parent.FindKey(L"parent"), nullptr);
  parent.AddValue(L"x", 4);
  EXPECT_EQ(Get(parent, L"x", 0), 4);

  EXPECT_EQ(parent.Save(), 1);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, L"x")->bytes[0], 1);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_LOCAL_MACHINE, kChildPath, L"x")->bytes[0], 2);
  EXPECT_FALSE(kxtest::ReadRaw(HKEY_CURRENT_USER, kChildPath, L"x").has_value());
  // The grandchild keeps its own root, the current user.
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, kChildPath + L"\\Deeper", L"g")->bytes[0], 3);

  // Every child is attempted: a failing child key makes the result 0, and the
  // values after it are still read.
  kxtest::DeleteTree(HKEY_LOCAL_MACHINE, kChildPath);
  kxtest::SetDword(HKEY_CURRENT_USER, kPath, L"x", 11);
  kxtest::SetDword(HKEY_CURRENT_USER, kChildPath + L"\\Deeper", L"g", 12);
  parent.SetValue(L"x", 0);
  EXPECT_EQ(parent.Load(), 0);
  EXPECT_EQ(Get(parent, L"x", 0), 11);
  EXPECT_EQ(Get(parent, L"g", 0), 12);
  EXPECT_EQ(Get(parent, L"deep", std::wstring()), L"in child");
}

TEST(SettingsKey, RegistryKeyIsOpenedWithExactRights) {
  auto trees = TestTrees();
  MWSettingsKey key(L"rights", kPath);

  // Reading never creates.
  EXPECT_EQ(key.OpenRegistryKey(0, 1), nullptr);
  EXPECT_EQ(key.OpenRegistryKey(0, 0), nullptr);
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kPath));

  {
    kx::ScopedHKey created(key.OpenRegistryKey(1, 0));
    ASSERT_TRUE(created.IsValid());
    EXPECT_EQ(GrantedAccess(created.Get()), static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));
    EXPECT_EQ(::RegSetValueExW(created.Get(), L"w", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
              ERROR_SUCCESS);
  }
  EXPECT_TRUE(kxtest::KeyExists(HKEY_CURRENT_USER, kPath));
  {
    kx::ScopedHKey readOnly(key.OpenRegistryKey(0, 1));
    ASSERT_TRUE(readOnly.IsValid());
    EXPECT_EQ(GrantedAccess(readOnly.Get()), static_cast<ACCESS_MASK>(KEY_READ));
    EXPECT_EQ(::RegSetValueExW(readOnly.Get(), L"w", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>("\2\0\0\0"), 4),
              ERROR_ACCESS_DENIED);
    kx::ScopedHKey readWrite(key.OpenRegistryKey(0, 0));
    ASSERT_TRUE(readWrite.IsValid());
    EXPECT_EQ(GrantedAccess(readWrite.Get()), static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));
    // Creating an existing key opens it.
    kx::ScopedHKey opened(key.OpenRegistryKey(1, 1));
    EXPECT_TRUE(opened.IsValid());
  }

  // A read-only root still serves loads.
  HKEY parentKey = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kRoot.c_str(), 0, KEY_READ, &parentKey),
            ERROR_SUCCESS);
  kx::ScopedHKey parent(parentKey);
  MWSettingsKey limited(L"limited", L"Key");
  limited.SetRoot(parent.Get());
  limited.AddValue(L"w", 5);
  EXPECT_EQ(limited.Load(), 1);
  EXPECT_EQ(Get(limited, L"w", 0), 1);

  // Keys are created non-volatile, which a volatile parent refuses: Save
  // reports 0 and the payload stays. (Wine, unlike Windows, lets a KEY_READ
  // handle create sub-keys, so rights alone cannot make creation fail here.)
  HKEY volatileKey = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (kRoot + L"\\Volatile").c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  kx::ScopedHKey volatileOwner(volatileKey);
  MWSettingsKey cannotCreate(L"refused", kRoot + L"\\Volatile\\Lasting");
  cannotCreate.AddValue(L"w", 5);
  EXPECT_EQ(cannotCreate.Save(), 0);
  EXPECT_EQ(Get(cannotCreate, L"w", 0), 5);
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kRoot + L"\\Volatile\\Lasting"));
}
