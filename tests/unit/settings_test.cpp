// The settings store on the registry, its archive under hostile input, the
// language. The global allocator counts live allocations, the library's too.
#include <gtest/gtest.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "settings/settings_key.h"
#include "child_process.h"
#include "environment/debug_log.h"
#include "environment/folder_value.h"
#include "environment/language.h"
#include "files.h"
#include "framework/archive.h"
#include "framework/scoped_hkey.h"
#include "registry.h"

using namespace kx;

static std::atomic<long> g_liveAllocations{0};
static std::atomic<std::size_t> g_largestAllocation{0};

// libstdc++'s array new and delete call these.
void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++g_liveAllocations;
  if (size > g_largestAllocation) g_largestAllocation = size;  // checked single-threaded
  return p;
}
void operator delete(void* p) noexcept {
  if (p) --g_liveAllocations;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

using Bytes = std::vector<std::uint8_t>;

namespace {

const std::wstring kRoot = L"Software\\KxSettingsTest";
const std::wstring kPath = kRoot + L"\\Key";

class Settings : public testing::Test {
  kxtest::ScopedRegistryTrees trees_{{HKEY_CURRENT_USER, kRoot}, {HKEY_LOCAL_MACHINE, kRoot}};
};

// UTF-16LE with the terminating NUL, as a REG_SZ holds it.
Bytes Utf16(const std::wstring& text) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.c_str());
  return Bytes(data, data + (text.size() + 1) * sizeof(wchar_t));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

template <class T>
T Get(MWSettingsKey& key, const std::wstring& name, T initial) {
  key.GetValue(name, initial);
  return initial;
}

// One value declared alone under kPath: Load's result and the payload after it.
template <class T>
std::pair<int, T> LoadAs(const wchar_t* name, T initial) {
  MWSettingsKey key(L"k", kPath);
  key.AddValue(name, initial);
  const int result = key.Load();
  return {result, Get(key, name, initial)};
}

// Every kind, with the payloads to store or with others.
void DeclareEveryKind(MWSettingsKey& key, bool stored) {
  key.AddValue(L"int", stored ? -5 : 1);
  key.AddValue(L"colour", COLORREF{stored ? 0xFF123456u : 1u});
  key.AddValue(L"double", stored ? -2.5 : 1.0);
  key.AddValue(L"text", std::wstring(stored ? L"abc" : L"x"));
  key.AddValue(L"empty", std::wstring(stored ? L"" : L"x"));
  key.AddValue(L"point", stored ? CPoint(10, -3) : CPoint(1, 1));
  key.AddValue(L"rect", stored ? CRect(0, 0, 640, 480) : CRect(1, 1, 1, 1));
  key.AddValue(L"time", CTime(stored ? -86400 : 1));
  key.AddValue(L"late", CTime(stored ? 4294967296LL + 5 : 1));  // beyond 32 bits
  key.AddValue(L"array", stored ? std::vector<int>{1, 2, 3} : std::vector<int>{9});
  key.AddValue(L"no array", std::vector<int>(stored ? 0 : 1));
}

// The access rights a handle was granted: ObjectBasicInformation's second field.
ACCESS_MASK GrantedAccess(HKEY key) {
  using QueryObject = NTSTATUS(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  ULONG info[14] = {};
  return query && query(key, 0, info, sizeof info, nullptr) == 0 ? info[1] : 0;
}

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

// A class record as the archive writes it the first time.
Bytes NewClass(const std::string& name) {
  return Concat({{0xFF, 0xFF, 0x01, 0x00, static_cast<std::uint8_t>(name.size()), 0x00},
                 Bytes(name.begin(), name.end())});
}

// Text in the archive's wide form, shorter than 255 code units.
Bytes Text(const std::wstring& text) {
  const Bytes utf16 = Utf16(text);
  return Concat({{0xFF, 0xFE, 0xFF, static_cast<std::uint8_t>(text.size())},
                 Bytes(utf16.begin(), utf16.end() - 2)});
}

// Into a key declaring every kind and B: 'l' loaded (declared names only); thrown, the key as
// it was: 'a' archive, 'd' too deep, 'i' invalid argument; '!' a fault or a leak.
char Feed(const Bytes& archive) {
  const long before = g_liveAllocations.load();
  char outcome = '!';
  {
    MWSettingsKey key(L"target", L"unused");
    DeclareEveryKind(key, false);
    key.AddValue(L"B", CRect(1, 2, 3, 4));
    const Bytes declared = StoreKey(key);
    try {
      LoadKey(key, archive);
      if (!key.FindValue(L"C") && key.FindValue(L"B") && !StoreKey(key).empty()) outcome = 'l';
    } catch (const CException& e) {  // the layer's two kinds
      const auto* error = dynamic_cast<const CArchiveException*>(&e);
      if (StoreKey(key) == declared)
        outcome = !error ? 'i' : error->m_cause == CArchiveException::tooDeep ? 'd' : 'a';
    } catch (...) {
    }
  }
  return g_liveAllocations.load() == before ? outcome : '!';
}

}  // namespace

TEST_F(Settings, EveryKindIsStoredInItsFormAndReadBack) {
  const std::tuple<const wchar_t*, DWORD, Bytes> stored[] = {
      {L"int", REG_DWORD, {0xFB, 0xFF, 0xFF, 0xFF}},
      {L"colour", REG_DWORD, {0x56, 0x34, 0x12, 0xFF}},
      {L"double", REG_BINARY, {0, 0, 0, 0, 0, 0, 0x04, 0xC0}},
      {L"text", REG_SZ, Utf16(L"abc")},
      {L"empty", REG_SZ, {0, 0}},
      {L"point", REG_SZ, Utf16(L"10 -3")},  // 12 bytes
      {L"rect", REG_SZ, Utf16(L"0 0 640 480")},
      {L"time", REG_SZ, Utf16(L"-86400")},
      {L"late", REG_SZ, Utf16(L"4294967301")},
      {L"array", REG_BINARY, {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}},
      {L"no array", REG_BINARY, {}}};
  MWSettingsKey saved(L"saved", kPath), loaded(L"loaded", kPath);
  DeclareEveryKind(saved, true);
  DeclareEveryKind(loaded, false);
  // No key, then no values: each reports 0, keeps its default, creates nothing.
  const Bytes defaults = StoreKey(loaded);
  for (bool keyExists : {false, true}) {
    for (const auto& [name, type, bytes] : stored)
      EXPECT_EQ(loaded.FindValue(name)->Load(loaded), 0) << kxtest::Narrow(name);
    EXPECT_EQ(StoreKey(loaded), defaults);
    EXPECT_EQ(kxtest::KeyExists(HKEY_CURRENT_USER, kPath), keyExists);
    kxtest::CreateKey(HKEY_CURRENT_USER, kPath);
  }
  EXPECT_EQ(saved.Save(), 1);
  for (const auto& [name, type, bytes] : stored) {
    const auto raw = kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, name).value_or(kxtest::RawValue{});
    EXPECT_EQ(std::pair(raw.type, raw.bytes), std::pair(type, bytes)) << kxtest::Narrow(name);
  }
  // Other defaults take every stored payload.
  EXPECT_EQ(loaded.Load(), 1);
  EXPECT_EQ(StoreKey(loaded), StoreKey(saved));

  // Decimal only; beyond 64 bits reads as 0.
  for (const auto& [text, seconds] :
       {std::pair(L"010", 10), std::pair(L"0x1F", 0), std::pair(L"99999999999999999999", 0)}) {
    kxtest::SetString(HKEY_CURRENT_USER, kPath, L"time", text);
    EXPECT_EQ(LoadAs(L"time", CTime(1)), std::pair(1, CTime(seconds))) << kxtest::Narrow(text);
  }
}

TEST_F(Settings, EveryStoredTypeAndLengthAgainstEveryKind) {
  const wchar_t* const v = kDebugValueName;  // the log switch's reader reads only this name
  const std::wstring pattern = L"12 -34 56 78 90";
  Bytes source = Utf16(pattern);
  source.resize(4096, 0);
  // Sizes and the numbers their text holds (an odd byte is half a code unit); a folder takes
  // 254 characters and the NUL, not 255.
  const std::vector<int> all{12, -34, 56, 78, 90};
  const std::pair<DWORD, std::vector<int>> lengths[] = {
      {0, {}},         {3, {1}},           {4, {12}},  {5, {12}},  {8, {12}},  {9, {12}},
      {14, {12, -34}}, {16, {12, -34, 5}}, {510, all}, {512, all}, {4096, all}};
  for (DWORD type :
       std::initializer_list<DWORD>{REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                                    REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD, 0x1234}) {
    for (const auto& [size, numbers] : lengths) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", " << size << " bytes");
      kxtest::SetRaw(HKEY_CURRENT_USER, kPath, v, type, source.data(), size);
      // The registry may add a NUL that the count left out of a string type.
      const Bytes stored = kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, v)->bytes;
      std::uint64_t low = 0;
      std::memcpy(&low, stored.data(), std::min<std::size_t>(stored.size(), 8));
      const int fits4 = stored.size() <= 4, fits8 = stored.size() <= 8;
      EXPECT_EQ(LoadAs(v, -1), std::pair(fits4, fits4 ? static_cast<int>(low) : -1));
      EXPECT_EQ(LoadAs(v, COLORREF{7}), std::pair(fits4, fits4 ? COLORREF(low) : 7));
      EXPECT_EQ(LoadAs(v, -7.25), std::pair(fits8, fits8 ? std::bit_cast<double>(low) : -7.25));
      EXPECT_EQ(LoadAs(v, std::wstring(L"x")), std::pair(1, pattern.substr(0, size / 2)));
      // Fields that do not convert keep their values.
      int f[4] = {-1, -2, -3, -4};
      std::copy_n(numbers.begin(), std::min<std::size_t>(numbers.size(), 4), f);
      EXPECT_EQ(LoadAs(v, CPoint(-1, -2)), std::pair(1, CPoint(f[0], f[1])));
      EXPECT_EQ(LoadAs(v, CRect(-1, -2, -3, -4)), std::pair(1, CRect(f[0], f[1], f[2], f[3])));
      EXPECT_EQ(LoadAs(v, CTime(-5)), std::pair(1, CTime(numbers.empty() ? 0 : f[0])));
      // Only a binary value sets the array, whole elements only.
      const auto* elements = reinterpret_cast<const int*>(stored.data());
      std::vector<int> array{42, 43};
      if (type == REG_BINARY) array.assign(elements, elements + stored.size() / 4);
      EXPECT_EQ(LoadAs(v, std::vector<int>{42, 43}), std::pair(1, array));
      // The environment's readers: a folder, and the log switch (4 bytes at most).
      EXPECT_EQ(ReadFolderValue(HKEY_CURRENT_USER, kPath.c_str(), v).status,
                stored.size() > 510 ? FolderStatus::kTooLong
                : stored.size() < 2 ? FolderStatus::kEmpty
                                    : FolderStatus::kNotAbsolute);
      const StoredDebugSwitch flag = ReadStoredDebugSwitch(
          kx::ScopedHKey(MWSettingsKey(L"k", kPath).OpenRegistryKey(0, 1)).Get());
      EXPECT_EQ(std::pair(flag.read, flag.value), std::pair(bool(fits4), fits4 ? DWORD(low) : 0));
    }
  }
}

TEST_F(Settings, AnArrayRewrittenDuringItsReadIsTakenWholeOrNotAtAll) {
  // A writer flips the value between empty and four elements meanwhile.
  const std::vector<int> full{1, 2, 3, 4};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (bool big = false; !stop; big = !big)
      kxtest::SetRaw(HKEY_CURRENT_USER, kPath, L"a", REG_BINARY, full.data(), big ? 16 : 0);
  });
  std::set<std::pair<int, std::vector<int>>> seen;
  for (const DWORD end = ::GetTickCount() + 2000; ::GetTickCount() < end;)
    seen.insert(LoadAs(L"a", std::vector<int>{9}));
  stop = true;
  writer.join();
  // Read whole, or failed with the default kept; read whole at least once.
  seen.erase({0, {9}});
  EXPECT_FALSE(seen.empty());
  for (const auto& [result, value] : seen)
    EXPECT_TRUE(result == 1 && (value.empty() || value == full)) << result << " " << value.size();
}

TEST_F(Settings, KeysOpenWithExactRightsAndSearchAndWorkChildrenOnTheirOwnPlace) {
  const std::wstring childPath = kRoot + L"\\Child", deeperPath = childPath + L"\\Deeper";
  MWSettingsKey parent(L"parent", kPath);
  // Nothing made to read; the rights asked for, no more.
  EXPECT_EQ(parent.OpenRegistryKey(0, 1), nullptr);
  EXPECT_EQ(parent.OpenRegistryKey(0, 0), nullptr);
  const std::tuple<int, int, ACCESS_MASK> rights[] = {
      {1, 0, KEY_ALL_ACCESS}, {0, 1, KEY_READ}, {0, 0, KEY_ALL_ACCESS}, {1, 1, KEY_READ}};
  for (const auto& [create, readOnly, granted] : rights) {
    kx::ScopedHKey opened(parent.OpenRegistryKey(create, readOnly));
    EXPECT_EQ(GrantedAccess(opened.Get()), granted) << create << readOnly;
  }
  parent.AddValue(L"p", 0);
  parent.AddValue(L"x", 1);
  auto child = std::make_unique<MWSettingsKey>(L"child", childPath);
  auto grandchild = std::make_unique<MWSettingsKey>(L"grandchild", deeperPath);
  MWSettingsKey* const grandchildKey = grandchild.get();
  child->AddValue(L"x", 2);
  grandchild->AddValue(L"g", 3);
  child->AddKey(std::move(grandchild));
  EXPECT_EQ(child->SetRoot(HKEY_LOCAL_MACHINE), HKEY_CURRENT_USER);
  parent.AddKey(std::move(child));
  parent.AddKey(nullptr);
  // From the front: the child, added after x, is searched before it.
  EXPECT_EQ(std::pair(Get(parent, L"x", 0), Get(parent, L"g", 0)), std::pair(2, 3));
  EXPECT_EQ(parent.FindKey(L"grandchild"), grandchildKey);
  EXPECT_EQ(parent.FindKey(L"parent"), nullptr);
  // Each key saves under its own root and path; the grandchild keeps the default root.
  EXPECT_EQ(parent.Save(), 1);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, L"x")->bytes[0], 1);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_LOCAL_MACHINE, childPath, L"x")->bytes[0], 2);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, deeperPath, L"g")->bytes[0], 3);
  // Every child is attempted: the child's missing key gives 0, all else is read.
  kxtest::DeleteTree(HKEY_LOCAL_MACHINE, childPath);
  kxtest::SetDword(HKEY_CURRENT_USER, deeperPath, L"g", 12);
  kxtest::SetDword(HKEY_CURRENT_USER, kPath, L"p", 11);
  EXPECT_EQ(parent.Load(), 0);
  EXPECT_EQ(std::pair(Get(parent, L"g", 0), Get(parent, L"p", 0)), std::pair(12, 11));
  // Saving too: the child, first in the list, fails on a root that is no key.
  parent.FindKey(L"child")->SetRoot(reinterpret_cast<HKEY>(ULONG_PTR{0x7654}));
  parent.SetValue(L"p", 21);
  parent.SetValue(L"g", 22);
  EXPECT_EQ(parent.Save(), 0);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, L"p")->bytes[0], 21);
  EXPECT_EQ(kxtest::ReadRaw(HKEY_CURRENT_USER, deeperPath, L"g")->bytes[0], 22);
}

TEST(SettingsArchive, BytesOfEveryKindAndFormsAtTheirLimitsAndHostileArchivesLeakNothing) {
  MWSettingsKey key(L"forms", L"unused");
  DeclareEveryKind(key, true);
  // The list from its front; a class seen before is written as its index,
  // classes and objects numbered together.
  const auto seen = [](std::uint8_t index) { return Bytes{index, 0x80}; };
  const std::tuple<Bytes, const wchar_t*, Bytes> records[] = {
      {NewClass("MWIntArrayValue"), L"no array", {0, 0, 0, 0}},
      {seen(1), L"array", {3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}},
      {NewClass("MWTimeValue"), L"late", {5, 0, 0, 0, 1, 0, 0, 0}},
      {seen(4), L"time", {0x80, 0xAE, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {NewClass("MWRectValue"), L"rect", {0, 0, 0, 0, 0, 0, 0, 0, 0x80, 2, 0, 0, 0xE0, 1, 0, 0}},
      {NewClass("MWPointValue"), L"point", {10, 0, 0, 0, 0xFD, 0xFF, 0xFF, 0xFF}},
      {NewClass("MWStringValue"), L"empty", Text(L"")},
      {seen(11), L"text", Text(L"abc")},
      {NewClass("MWDoubleValue"), L"double", {0, 0, 0, 0, 0, 0, 0x04, 0xC0}},
      {NewClass("MWColorValue"), L"colour", {0x56, 0x34, 0x12, 0xFF}},
      {NewClass("MWIntValue"), L"int", {0xFB, 0xFF, 0xFF, 0xFF}}};
  Bytes expected{11, 0};
  for (const auto& [tag, name, payload] : records)
    expected = Concat({expected, tag, Text(name), payload});
  EXPECT_EQ(StoreKey(key), expected);
  // Read into declarations of another class, which the loaded objects replace.
  MWSettingsKey copy(L"copy", L"unused");
  for (const auto& record : records) copy.AddValue(std::get<1>(record), std::wstring(L"declared"));
  LoadKey(copy, expected);
  EXPECT_EQ(StoreKey(copy), expected);

  // Text lengths and counts each side of where their length field widens.
  const std::tuple<std::size_t, std::size_t, std::size_t> limits[] = {
      {254, 4, 2}, {255, 6, 2}, {0xFFFD, 6, 2}, {0xFFFE, 10, 2}, {0xFFFF, 10, 6}, {70000, 10, 6}};
  for (const auto& [n, textPrefix, countBytes] : limits) {
    const std::wstring text(n, L'x');
    Bytes bytes;
    CArchive out(bytes, CArchive::store);
    out << text;
    out.WriteCount(n);
    EXPECT_EQ(bytes.size(), textPrefix + 2 * n + countBytes) << n;
    CArchive in(bytes, CArchive::load);
    EXPECT_EQ(in.ReadString(), text) << n;
    EXPECT_EQ(in.ReadCount(), n) << n;
  }

  // Hostile archives load or throw, and leak nothing. The valid one: every kind, C and a child key.
  ASSERT_GT(g_liveAllocations.load(), 0) << "the counter is not live";
  key.AddValue(L"C", CTime(99));
  key.AddKey(std::make_unique<MWSettingsKey>(L"child", L"unused"));
  key.FindKey(L"child")->AddValue(L"R", CRect(5, 6, 7, 8));
  const Bytes valid = StoreKey(key);
  std::string truncated, fuzzed, crafted;
  for (std::size_t cut = 0; cut <= valid.size(); ++cut)
    truncated += Feed(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(cut)));
  EXPECT_EQ(truncated, std::string(valid.size(), 'a') + 'l');

  // Bits flipped in the valid archive, or random bytes after a plausible start.
  std::mt19937 random(20231);
  const Bytes starts[] = {
      {}, {1, 0}, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, Concat({{1, 0}, NewClass("MWIntValue")})};
  for (int run = 0; run < 8000; ++run) {
    Bytes bytes = run % 2 ? valid : starts[run / 2 % 4];
    for (int i = 0; run % 2 && i <= run / 2 % 4; ++i)
      bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    for (std::size_t i = run % 2 ? 0 : random() % 64; i > 0; --i) bytes.push_back(random() & 0xFF);
    fuzzed += Feed(bytes);
  }
  EXPECT_EQ(fuzzed.find('!'), std::string::npos);
  EXPECT_TRUE(fuzzed.find('l') != std::string::npos && fuzzed.find('a') != std::string::npos);

  // Keys nested past the archive's limit fail before the stack could run out.
  Bytes deep = Concat({{1, 0}, NewClass("MWSettingsKey")});
  for (int i = 0; i < 1000; ++i) deep.insert(deep.end(), {1, 0, 0x01, 0x80});
  auto one = [](const std::string& className, const Bytes& payload) {
    return Concat({{1, 0}, NewClass(className), Text(L"int"), payload});
  };
  // Bad counts, lengths, classes and indices; another class under a declared name.
  const Bytes cases[] = {
      deep,
      {0xFE, 0xFF},
      {3, 0, 0, 0, 0, 0, 0, 0},
      {4, 0, 0, 0, 0, 0, 0, 0},
      one("MWIntArrayValue", {0xFF, 0xFF, 0xFF, 0xFF}),
      one("MWIntArrayValue", {0, 0, 0, 0x80}),
      one("MWIntArrayValue", {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}),
      one("MWNoSuchValue", {}),
      one("CObject", {}),
      one(std::string(64, 'M'), {}),
      Concat({{1, 0}, {0xFF, 0xFF, 1, 0, 0xFF, 0xFF}, Bytes(300, 'M')}),
      {1, 0, 0x01, 0x80},
      {1, 0, 0x02, 0x00},
      one("MWStringValue", {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 'A', 0}),
      one("MWStringValue", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F, 'A', 0}),
      one("MWPointValue", {1, 0, 0, 0, 2, 0, 0, 0}),
      one("MWStringValue", {3, 'a', 'b', 'c'}),  // an older writer's 8-bit text
      Concat({{1, 0}, NewClass("MWSettingsKey"), {0, 0}})};
  g_largestAllocation = 0;
  for (const Bytes& bytes : cases) crafted += Feed(bytes);
  EXPECT_EQ(crafted, "dalaiiaaaaaaaaalll");
  // Lengths and counts beyond the data fail before anything that size is made.
  EXPECT_LT(g_largestAllocation.load(), 1u << 20);
}

TEST(LanguageCode, StoredNamesMapExactly) {
  auto trees = kxtest::ProductTrees();
  // Only the current user's setting counts; reading it makes nothing.
  kxtest::SetString(HKEY_LOCAL_MACHINE, kxtest::kProductKey, L"Language", L"German");
  EXPECT_EQ(ResolveLanguageCode(), L"eng");
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kxtest::kProductKey));

  // Exact and case-sensitive; anything else is English.
  const wchar_t* names[] = {
      L"Italian",  L"English", L"French", L"German",     L"Japanese",
      L"Polish",   L"Spanish", L"Czech",  L"Chinese",    L"Chinese-Traditional",
      L"German ",  L"german",  L"",       L"Portuguese", L"Chinese-",
      L"automatic"};
  const std::wstring codes = L"ita eng fra deu jpn plk esp ces zho zho eng eng eng eng eng eng";
  for (std::size_t i = 0; i < std::size(names); ++i) {
    kxtest::SetString(HKEY_CURRENT_USER, kxtest::kProductKey, L"Language", names[i]);
    EXPECT_EQ(ResolveLanguageCode(), codes.substr(4 * i, 3)) << kxtest::Narrow(names[i]);
  }
}

// Run under three Unix locales by language_*_test (tests/extra_tests.cmake):
// the primary language, then the codes with the CAD host's option 1, 2, none.
TEST(LanguageCode, AutomaticFollowsTheCadHostOptionThenTheUserDefaultLanguage) {
  const std::wstring expected = kxtest::GetEnv(L"KXT_EXPECTED_CODES");
  if (expected.empty()) GTEST_SKIP() << "run under a locale by the language_*_test entries";
  auto trees = kxtest::ProductTrees();
  kxtest::SetString(HKEY_CURRENT_USER, kxtest::kProductKey, L"Language", L"Automatic");
  std::wstring codes = std::to_wstring(PRIMARYLANGID(::GetUserDefaultLangID())) + L":";
  for (DWORD useEnglish : {1, 2}) {
    kxtest::SetDword(HKEY_CURRENT_USER, L"Software\\Solidworks\\General", L"Use English language",
                     useEnglish);
    codes += ResolveLanguageCode() + L",";
  }
  kxtest::DeleteTree(HKEY_CURRENT_USER, L"Software\\Solidworks");
  EXPECT_EQ(codes + ResolveLanguageCode(), expected);
}
