// Archive forms of the settings classes and the merge of a key's archive read.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "framework/archive.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A class record as the archive writes it the first time.
Bytes NewClass(const std::string& name) {
  return Concat(
      {{0xFF, 0xFF, 0x01, 0x00, static_cast<std::uint8_t>(name.size()), 0x00}, Ascii(name)});
}

// A one-letter name in the wide text form.
Bytes Name(char letter) { return {0xFF, 0xFE, 0xFF, 0x01, static_cast<std::uint8_t>(letter), 0}; }

Bytes StoreKey(MWSettingsKey& key) {
  Bytes bytes;
  CArchive ar(bytes, CArchive::store);
  key.Serialize(ar);
  return bytes;
}

void LoadKey(MWSettingsKey& key, Bytes bytes) {
  CArchive ar(bytes, CArchive::load);
  key.Serialize(ar);
}

template <class T>
T Get(MWSettingsKey& key, const std::wstring& name, T initial) {
  key.GetValue(name, initial);
  return initial;
}

}  // namespace

TEST(SettingsArchive, ClassRecordsAreRegisteredAtLoad) {
  for (const char* name :
       {"MWSettingsValue", "MWIntValue", "MWColorValue", "MWDoubleValue", "MWStringValue",
        "MWPointValue", "MWRectValue", "MWTimeValue", "MWIntArrayValue", "MWSettingsKey"}) {
    const CRuntimeClass* record = CRuntimeClass::FromName(name);
    ASSERT_NE(record, nullptr) << name;
    EXPECT_EQ(record->m_wSchema, 0x80000001u) << name;
    std::unique_ptr<CObject> object(record->CreateObject());
    ASSERT_NE(object, nullptr) << name;
    EXPECT_EQ(object->GetRuntimeClass(), record) << name;
  }
  EXPECT_TRUE(KX_RUNTIME_CLASS(MWIntArrayValue)->IsDerivedFrom(KX_RUNTIME_CLASS(MWSettingsValue)));
  EXPECT_FALSE(KX_RUNTIME_CLASS(MWSettingsKey)->IsDerivedFrom(KX_RUNTIME_CLASS(MWSettingsValue)));
}

TEST(SettingsArchive, EachKindHasItsPayloadLayout) {
  MWSettingsKey key(L"forms", L"unused");
  key.AddValue(L"t", CTime(-2));
  key.AddValue(L"s", std::wstring(L"hi"));
  key.AddValue(L"a", std::vector<int>{-1, 2});
  key.AddValue(L"r", CRect(1, -2, 3, -4));
  key.AddValue(L"p", CPoint(10, -3));
  key.AddValue(L"d", 1.0);
  key.AddValue(L"c", COLORREF{0x80000001});
  key.AddValue(L"i", -5);
  const Bytes expected = Concat({
      {8, 0},
      NewClass("MWIntValue"),
      Name('i'),
      {0xFB, 0xFF, 0xFF, 0xFF},
      NewClass("MWColorValue"),
      Name('c'),
      {0x01, 0, 0, 0x80},
      NewClass("MWDoubleValue"),
      Name('d'),
      {0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
      NewClass("MWPointValue"),
      Name('p'),
      {10, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF},
      NewClass("MWRectValue"),
      Name('r'),
      {1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 0xFC, 0xFF, 0xFF, 0xFF},
      NewClass("MWIntArrayValue"),
      Name('a'),
      {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0},
      NewClass("MWStringValue"),
      Name('s'),
      {0xFF, 0xFE, 0xFF, 2, 'h', 0, 'i', 0},
      NewClass("MWTimeValue"),
      Name('t'),
      {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
  });
  EXPECT_EQ(StoreKey(key), expected);

  // Read back into a key that declares the same names with other payloads.
  MWSettingsKey copy(L"copy", L"unused");
  for (const wchar_t* name : {L"i", L"c", L"d", L"p", L"r", L"a", L"s", L"t"})
    copy.AddValue(name, std::wstring(L"declared"));
  LoadKey(copy, expected);
  EXPECT_EQ(Get(copy, L"i", 0), -5);
  EXPECT_EQ(Get(copy, L"c", COLORREF{0}), COLORREF{0x80000001});
  EXPECT_EQ(Get(copy, L"d", 0.0), 1.0);
  EXPECT_EQ(Get(copy, L"p", CPoint()), CPoint(10, -3));
  EXPECT_EQ(Get(copy, L"r", CRect()), CRect(1, -2, 3, -4));
  EXPECT_EQ(Get(copy, L"a", std::vector<int>()), (std::vector<int>{-1, 2}));
  EXPECT_EQ(Get(copy, L"s", std::wstring()), L"hi");
  EXPECT_EQ(Get(copy, L"t", CTime()).GetTime(), -2);
  // A second object of a class already seen is written with its index.
  MWSettingsKey two(L"two", L"unused");
  two.AddValue(L"x", 1);
  two.AddValue(L"y", 2);
  EXPECT_EQ(StoreKey(two), Concat({{2, 0},
                                   NewClass("MWIntValue"),
                                   Name('y'),
                                   {2, 0, 0, 0},
                                   {0x01, 0x80},
                                   Name('x'),
                                   {1, 0, 0, 0}}));
}

TEST(SettingsArchive, PayloadReadsFailOnShortOrInvalidData) {
  auto loadOne = [](const std::string& className, const Bytes& payload) {
    MWSettingsKey key(L"k", L"unused");
    key.AddValue(L"v", 77);
    try {
      LoadKey(key, Concat({{1, 0}, NewClass(className), Name('v'), payload}));
    } catch (const CArchiveException& e) {
      EXPECT_EQ(Get(key, L"v", 0), 77) << "the key changed on a failed read";
      return static_cast<int>(e.m_cause);
    } catch (const CInvalidArgException&) {
      EXPECT_EQ(Get(key, L"v", 0), 77) << "the key changed on a failed read";
      return -1;
    }
    return 0;
  };
  const int endOfFile = CArchiveException::endOfFile;
  EXPECT_EQ(loadOne("MWPointValue", {1, 0, 0, 0, 2, 0, 0}), endOfFile);
  EXPECT_EQ(loadOne("MWRectValue", Bytes(15, 1)), endOfFile);
  EXPECT_EQ(loadOne("MWIntValue", {1, 2, 3}), endOfFile);
  EXPECT_EQ(loadOne("MWDoubleValue", Bytes(7, 0)), endOfFile);
  EXPECT_EQ(loadOne("MWTimeValue", Bytes(7, 0)), endOfFile);
  EXPECT_EQ(loadOne("MWStringValue", {0xFF, 0xFE, 0xFF, 5, 'a', 0}), endOfFile);
  // Array counts: negative is an invalid argument; beyond the data, end of file.
  EXPECT_EQ(loadOne("MWIntArrayValue", {0xFF, 0xFF, 0xFF, 0xFF}), -1);
  EXPECT_EQ(loadOne("MWIntArrayValue", {0, 0, 0, 0x80}), -1);
  EXPECT_EQ(loadOne("MWIntArrayValue", {0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0}), endOfFile);
  EXPECT_EQ(loadOne("MWIntArrayValue", {2, 0, 0, 0, 1, 0, 0, 0}), endOfFile);
  EXPECT_EQ(loadOne("MWIntArrayValue", {0, 0, 0, 0}), 0);
  // An 8-bit name is read too.
  MWSettingsKey key(L"k", L"unused");
  key.AddValue(L"ab", 1);
  LoadKey(key, Concat({{1, 0}, NewClass("MWIntValue"), {2, 'a', 'b'}, {9, 0, 0, 0}}));
  EXPECT_EQ(Get(key, L"ab", 0), 9);
}

TEST(SettingsArchive, LoadingTakesOnlyDeclaredNames) {
  MWSettingsKey source(L"source", L"unused");
  source.AddValue(L"A", 10);
  source.AddValue(L"C", std::wstring(L"not declared"));
  source.AddValue(L"S", std::wstring(L"text now"));
  const Bytes archive = StoreKey(source);

  MWSettingsKey key(L"target", L"unused");
  key.AddValue(L"S", 5);
  key.AddValue(L"B", CPoint(1, 2));
  key.AddValue(L"A", 1);
  LoadKey(key, archive);
  EXPECT_EQ(Get(key, L"A", 0), 10);
  EXPECT_EQ(Get(key, L"B", CPoint()), CPoint(1, 2));
  EXPECT_EQ(key.FindValue(L"C"), nullptr);
  // A loaded object replaces the declared one, whatever its class.
  EXPECT_EQ(Get(key, L"S", -1), -1);
  EXPECT_EQ(Get(key, L"S", std::wstring()), L"text now");

  // Names declared twice and missing from the archive: the later declaration
  // stays, the earlier is dropped (it would otherwise be saved last).
  MWSettingsKey twice(L"twice", L"unused");
  twice.AddValue(L"B", 1);
  twice.AddValue(L"B", 2);
  twice.AddValue(L"A", 0);
  LoadKey(twice, archive);
  EXPECT_EQ(Get(twice, L"B", 0), 2);
  MWSettingsKey survivors(L"survivors", L"unused");
  Bytes again = StoreKey(twice);
  survivors.AddValue(L"A", 0);
  survivors.AddValue(L"B", 0);
  LoadKey(survivors, again);
  EXPECT_EQ(Get(survivors, L"A", 0), 10);
  EXPECT_EQ(Get(survivors, L"B", 0), 2);
  EXPECT_EQ(again.size(), StoreKey(survivors).size());

  // An empty archive list keeps every declaration.
  MWSettingsKey kept(L"kept", L"unused");
  kept.AddValue(L"A", 3);
  LoadKey(kept, {0, 0});
  EXPECT_EQ(Get(kept, L"A", 0), 3);
}

TEST(SettingsArchive, ChildKeysAreArchivedByName) {
  MWSettingsKey source(L"source", L"unused");
  auto child = std::make_unique<MWSettingsKey>(L"K", L"child path");
  child->AddValue(L"inner", 4);
  source.AddKey(std::move(child));
  source.AddValue(L"outer", 5);
  const Bytes archive = StoreKey(source);
  EXPECT_EQ(Bytes(archive.begin(), archive.begin() + 2), (Bytes{2, 0}));

  // A key's own name is not archived, so an archived child key comes back
  // nameless: it matches no declared key and is discarded, and the declared
  // child key stays with its payloads.
  MWSettingsKey key(L"target", L"unused");
  auto declared = std::make_unique<MWSettingsKey>(L"K", L"declared path");
  declared->AddValue(L"inner", 1);
  MWSettingsKey* declaredKey = declared.get();
  key.AddKey(std::move(declared));
  key.AddValue(L"outer", 0);
  LoadKey(key, archive);
  EXPECT_EQ(Get(key, L"outer", 0), 5);
  EXPECT_EQ(key.FindKey(L"K"), declaredKey);
  EXPECT_EQ(Get(key, L"inner", 0), 1);

  // Declared nameless, it is taken, together with what it read: nothing, as
  // the new key declared nothing.
  MWSettingsKey nameless(L"target", L"unused");
  auto empty = std::make_unique<MWSettingsKey>();
  empty->AddValue(L"inner", 1);
  nameless.AddKey(std::move(empty));
  LoadKey(nameless, archive);
  MWSettingsKey* loaded = nameless.FindKey(L"");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(nameless.FindValue(L"inner"), nullptr);
  EXPECT_EQ(nameless.FindValue(L"outer"), nullptr);
}

TEST(SettingsArchive, FailedReadKeepsTheKeyAsItWas) {
  MWSettingsKey source(L"source", L"unused");
  source.AddValue(L"B", 20);
  source.AddValue(L"A", 10);
  const Bytes archive = StoreKey(source);

  for (std::size_t cut = 0; cut < archive.size(); ++cut) {
    MWSettingsKey key(L"target", L"unused");
    key.AddValue(L"B", 2);
    key.AddValue(L"A", 1);
    Bytes truncated(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_THROW(LoadKey(key, truncated), CArchiveException) << cut;
    EXPECT_EQ(Get(key, L"A", 0), 1) << cut;
    EXPECT_EQ(Get(key, L"B", 0), 2) << cut;
    // Still whole: it stores its own declarations.
    MWSettingsKey check(L"check", L"unused");
    check.AddValue(L"A", 0);
    check.AddValue(L"B", 0);
    LoadKey(check, StoreKey(key));
    EXPECT_EQ(Get(check, L"A", 0), 1);
    EXPECT_EQ(Get(check, L"B", 0), 2);
  }
}
