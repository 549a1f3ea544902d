// A host of the DLL: settings keys archived by one process and read by
// another, archive failures caught here by type, and the class records the
// DLL publishes when it loads.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "child_process.h"
#include "files.h"
#include "framework/archive.h"
#include "registry.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

const wchar_t kFileVariable[] = L"KX_SETTINGS_ARCHIVE";
const std::wstring kRegistryPath = L"Software\\KxSettingsHostTest";

std::wstring ArchiveFile() {
  wchar_t path[MAX_PATH] = {};
  ::GetEnvironmentVariableW(kFileVariable, path, MAX_PATH);
  return path;
}

void WriteArchive(MWSettingsKey& key, const std::wstring& file) {
  Bytes bytes;
  CArchive ar(bytes, CArchive::store);
  key.Serialize(ar);
  kxtest::WriteFileBytes(file, std::string(bytes.begin(), bytes.end()));
}

void ReadArchive(MWSettingsKey& key, const std::wstring& file) {
  const std::string text = kxtest::ReadFileBytes(file);
  Bytes bytes(text.begin(), text.end());
  CArchive ar(bytes, CArchive::load);
  key.Serialize(ar);
}

template <class T>
T Get(MWSettingsKey& key, const std::wstring& name, T initial) {
  key.GetValue(name, initial);
  return initial;
}

// Every kind, with payloads unlike any default.
void DeclareAll(MWSettingsKey& key) {
  key.AddValue(L"int", -5);
  key.AddValue(L"colour", COLORREF{0xFF0080});
  key.AddValue(L"double", -2.75);
  key.AddValue(L"text", std::wstring(L"Kalvex \x00E9\x4E2D"));
  key.AddValue(L"point", CPoint(10, -3));
  key.AddValue(L"rect", CRect(0, 0, 640, 480));
  key.AddValue(L"time", CTime(5000000000));
  key.AddValue(L"array", std::vector<int>{1, -2, 3});
}

}  // namespace

// Reads the host's archive into a key declaring A and B.
KX_CHILD_SCENARIO(read_declared) {
  MWSettingsKey key(L"read", L"unused");
  key.AddValue(L"B", CPoint(7, 8));
  key.AddValue(L"A", 1);
  try {
    ReadArchive(key, ArchiveFile());
  } catch (const CArchiveException& e) {
    return 10 + e.m_cause;
  }
  if (Get(key, L"A", 0) != 42) return 2;
  if (Get(key, L"B", CPoint()) != CPoint(7, 8)) return 3;
  if (key.FindValue(L"C") != nullptr) return 4;
  return 0;
}

// Archives every kind for the host to read.
KX_CHILD_SCENARIO(write_all) {
  MWSettingsKey key(L"all", L"unused");
  DeclareAll(key);
  WriteArchive(key, ArchiveFile());
  return 0;
}

// Loads through the registry what the host saved.
KX_CHILD_SCENARIO(load_saved) {
  MWSettingsKey key(L"registry", kRegistryPath);
  key.AddValue(L"int", 0);
  key.AddValue(L"text", std::wstring());
  key.AddValue(L"array", std::vector<int>{});
  if (key.Load() != 1) return 1;
  if (Get(key, L"int", 0) != -5) return 2;
  if (Get(key, L"text", std::wstring()) != L"Kalvex \x00E9\x4E2D") return 3;
  if (Get(key, L"array", std::vector<int>()) != std::vector<int>{1, -2, 3}) return 4;
  return 0;
}

TEST(SettingsHost, ArchiveWrittenHereIsReadByAnotherProcess) {
  kxtest::TempFolder folder(L"settings");
  const std::wstring file = folder.Path() + L"keys.bin";
  MWSettingsKey key(L"written", L"unused");
  key.AddValue(L"C", std::wstring(L"not declared there"));
  key.AddValue(L"A", 42);
  WriteArchive(key, file);

  const kxtest::ChildResult child =
      kxtest::RunChildScenario("read_declared", 60000, {std::wstring(kFileVariable) + L"=" + file});
  ASSERT_TRUE(child.finished);
  EXPECT_EQ(child.exitCode, 0u);
}

TEST(SettingsHost, ArchiveWrittenByAnotherProcessIsReadHere) {
  kxtest::TempFolder folder(L"settings");
  const std::wstring file = folder.Path() + L"all.bin";
  const kxtest::ChildResult child =
      kxtest::RunChildScenario("write_all", 60000, {std::wstring(kFileVariable) + L"=" + file});
  ASSERT_TRUE(child.finished);
  ASSERT_EQ(child.exitCode, 0u);

  MWSettingsKey key(L"read", L"unused");
  key.AddValue(L"array", std::vector<int>{});
  key.AddValue(L"time", CTime());
  key.AddValue(L"rect", CRect());
  key.AddValue(L"point", CPoint());
  key.AddValue(L"text", std::wstring());
  key.AddValue(L"double", 0.0);
  key.AddValue(L"colour", COLORREF{0});
  key.AddValue(L"int", 0);
  ReadArchive(key, file);
  EXPECT_EQ(Get(key, L"int", 0), -5);
  EXPECT_EQ(Get(key, L"colour", COLORREF{0}), COLORREF{0xFF0080});
  EXPECT_EQ(Get(key, L"double", 0.0), -2.75);
  EXPECT_EQ(Get(key, L"text", std::wstring()), L"Kalvex \x00E9\x4E2D");
  EXPECT_EQ(Get(key, L"point", CPoint()), CPoint(10, -3));
  EXPECT_EQ(Get(key, L"rect", CRect()), CRect(0, 0, 640, 480));
  EXPECT_EQ(Get(key, L"time", CTime()).GetTime(), 5000000000);
  EXPECT_EQ(Get(key, L"array", std::vector<int>()), (std::vector<int>{1, -2, 3}));
}

TEST(SettingsHost, RegistrySavedHereIsLoadedByAnotherProcess) {
  kxtest::ScopedRegistryTrees trees{{HKEY_CURRENT_USER, kRegistryPath}};
  MWSettingsKey key(L"registry", kRegistryPath);
  DeclareAll(key);
  ASSERT_EQ(key.Save(), 1);
  const kxtest::ChildResult child = kxtest::RunChildScenario("load_saved");
  ASSERT_TRUE(child.finished);
  EXPECT_EQ(child.exitCode, 0u);
}

TEST(SettingsHost, ArchiveFailuresReachTheHostByType) {
  MWSettingsKey source(L"source", L"unused");
  source.AddValue(L"A", 1);
  Bytes bytes;
  {
    CArchive ar(bytes, CArchive::store);
    source.Serialize(ar);
  }
  bytes.pop_back();
  MWSettingsKey key(L"target", L"unused");
  key.AddValue(L"A", 9);
  try {
    CArchive ar(bytes, CArchive::load);
    key.Serialize(ar);
    ADD_FAILURE() << "a truncated archive loaded";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    EXPECT_NE(std::string(e.what()).find("end"), std::string::npos);
  }
  EXPECT_EQ(Get(key, L"A", 0), 9);

  // A negative element count: the invalid-argument exception.
  MWSettingsKey arrays(L"arrays", L"unused");
  arrays.AddValue(L"v", std::vector<int>{});
  Bytes negative;
  {
    CArchive ar(negative, CArchive::store);
    arrays.Serialize(ar);
  }
  for (int i = 0; i < 4; ++i) negative[negative.size() - 4 + i] = 0xFF;
  CArchive ar(negative, CArchive::load);
  EXPECT_THROW(arrays.Serialize(ar), CInvalidArgException);

  // Both derive from the layer's base exception.
  Bytes empty;
  CArchive emptyAr(empty, CArchive::load);
  EXPECT_THROW(emptyAr.ReadCount(), CException);
}

TEST(SettingsHost, ClassRecordsArePublishedWhenTheLibraryLoads) {
  for (const char* name :
       {"MWSettingsKey", "MWSettingsValue", "MWIntValue", "MWColorValue", "MWDoubleValue",
        "MWStringValue", "MWPointValue", "MWRectValue", "MWTimeValue", "MWIntArrayValue"}) {
    const CRuntimeClass* record = CRuntimeClass::FromName(name);
    ASSERT_NE(record, nullptr) << name;
    std::unique_ptr<CObject> object(record->CreateObject());
    ASSERT_NE(object, nullptr) << name;
    EXPECT_TRUE(object->IsKindOf(record)) << name;
  }
  EXPECT_EQ(KX_RUNTIME_CLASS(MWTimeValue), CRuntimeClass::FromName("MWTimeValue"));
}
