// A host of the DLL: a settings key archived by this process is read by
// another, and archive failures are caught here by type.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "child_process.h"
#include "files.h"
#include "framework/archive.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

const wchar_t kFileVariable[] = L"KX_SETTINGS_ARCHIVE";

// Every kind, with payloads unlike any default or with the defaults.
void DeclareAll(MWSettingsKey& key, bool payloads) {
  key.AddValue(L"int", payloads ? -5 : 0);
  key.AddValue(L"colour", COLORREF{payloads ? 0xFF0080u : 0u});
  key.AddValue(L"double", payloads ? -2.75 : 0.0);
  key.AddValue(L"text", std::wstring(payloads ? L"Kalvex \x00E9\x4E2D" : L""));
  key.AddValue(L"point", payloads ? CPoint(10, -3) : CPoint());
  key.AddValue(L"rect", payloads ? CRect(0, 0, 640, 480) : CRect());
  key.AddValue(L"time", CTime(payloads ? 1700000000 : 0));
  key.AddValue(L"array", payloads ? std::vector<int>{1, -2, 3} : std::vector<int>{});
}

// The key's archive, after loading it from `from` unless that is empty.
Bytes Archived(MWSettingsKey& key, Bytes from = {}) {
  if (!from.empty()) {
    CArchive in(from, CArchive::load);
    key.Serialize(in);
  }
  Bytes bytes;
  CArchive out(bytes, CArchive::store);
  key.Serialize(out);
  return bytes;
}

}  // namespace

// Reads the host's archive, which also holds C, into a key declaring every kind
// with defaults and B. A key's archive shows all its names, payloads and order.
KX_CHILD_SCENARIO(read_from_host) {
  MWSettingsKey expected(L"expected", L"unused"), archived(L"archived", L"unused");
  DeclareAll(expected, true);
  DeclareAll(archived, false);
  for (MWSettingsKey* key : {&expected, &archived}) key->AddValue(L"B", CPoint(7, 8));
  const std::string file = kxtest::ReadFileBytes(kxtest::GetEnv(kFileVariable));
  try {
    return Archived(archived, Bytes(file.begin(), file.end())) == Archived(expected) ? 0 : 1;
  } catch (const CException&) {
    return 2;
  }
}

TEST(SettingsHost, AnotherProcessReadsTheArchiveWrittenHere) {
  kxtest::TempFolder folder(L"settings");
  const std::wstring file = folder.Path() + L"keys.bin";
  MWSettingsKey key(L"written", L"unused");
  key.AddValue(L"C", std::wstring(L"not declared there"));
  DeclareAll(key, true);
  const Bytes bytes = Archived(key);
  kxtest::WriteFileBytes(file, std::string(bytes.begin(), bytes.end()));
  const kxtest::ChildResult child = kxtest::RunChildScenario(
      "read_from_host", 60000, {std::wstring(kFileVariable) + L"=" + file});
  ASSERT_TRUE(child.finished);
  EXPECT_EQ(child.exitCode, 0u);
}

TEST(SettingsHost, ArchiveFailuresReachTheHostByType) {
  MWSettingsKey key(L"target", L"unused");
  key.AddValue(L"v", std::vector<int>{});
  Bytes truncated = Archived(key), negative = truncated;
  truncated.pop_back();
  std::fill(negative.end() - 4, negative.end(), 0xFF);  // the element count
  key.SetValue(L"v", std::vector<int>{1});
  EXPECT_THROW(Archived(key, negative), CInvalidArgException);
  EXPECT_THROW(Archived(key, truncated), CArchiveException);
  std::vector<int> v;
  key.GetValue(L"v", v);
  EXPECT_EQ(v, std::vector<int>{1});  // the failed reads kept the key as it was
}
