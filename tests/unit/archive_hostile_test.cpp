// Hostile archives against a loading settings key: each one loads or fails
// with an exception of the archive layer, and nothing is leaked. The program
// replaces the global allocator to count live allocations, the library's
// included (it is linked into this program).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "framework/archive.h"

namespace {
std::atomic<long> g_liveAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = std::malloc(size ? size : 1)) {
    ++g_liveAllocations;
    return p;
  }
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept {
  if (!p) return;
  --g_liveAllocations;
  std::free(p);
}
void operator delete[](void* p) noexcept { ::operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { ::operator delete(p); }

using Bytes = std::vector<std::uint8_t>;

namespace {

enum class Outcome { loaded, archiveError, invalidArgument, otherException };

struct Tally {
  int loaded = 0;
  int archiveErrors = 0;
  int invalidArguments = 0;
  int otherExceptions = 0;
  int leaks = 0;
  int damagedKeys = 0;
};

// One declared key per run, so the merge paths are all reached: A and S are
// in the valid archive, B and Z are not.
void DeclareInto(MWSettingsKey& key) {
  key.AddValue(L"Z", std::vector<int>{1, 2});
  key.AddValue(L"B", CRect(1, 2, 3, 4));
  key.AddValue(L"S", std::wstring(L"declared"));
  key.AddValue(L"A", 7);
}

// Loads one archive into a declared key and checks, with no allocation of its
// own in between, that the key is whole afterwards and nothing stayed behind.
void Feed(const Bytes& archive, Tally& tally) {
  Bytes bytes = archive;
  const long before = g_liveAllocations.load();
  {
    MWSettingsKey key(L"target", L"unused");
    DeclareInto(key);
    Outcome outcome = Outcome::loaded;
    try {
      CArchive ar(bytes, CArchive::load);
      key.Serialize(ar);
    } catch (const CArchiveException&) {
      outcome = Outcome::archiveError;
    } catch (const CInvalidArgException&) {
      outcome = Outcome::invalidArgument;
    } catch (...) {
      outcome = Outcome::otherException;
    }
    switch (outcome) {
      case Outcome::loaded:
        ++tally.loaded;
        break;
      case Outcome::archiveError:
        ++tally.archiveErrors;
        break;
      case Outcome::invalidArgument:
        ++tally.invalidArguments;
        break;
      case Outcome::otherException:
        ++tally.otherExceptions;
        break;
    }
    // Undeclared names never enter; a failed read keeps the declarations.
    const bool whole = outcome == Outcome::loaded
                           ? key.FindValue(L"C") == nullptr && key.FindValue(L"B") != nullptr
                           : key.FindValue(L"A") != nullptr && key.FindValue(L"B") != nullptr &&
                                 key.FindValue(L"S") != nullptr && key.FindValue(L"Z") != nullptr;
    if (!whole) ++tally.damagedKeys;
    int a = 0;
    key.GetValue(L"A", a);
    std::wstring s;
    key.GetValue(L"S", s);
    key.Load();  // every child of whatever class survived must still be usable
  }
  if (g_liveAllocations.load() != before) ++tally.leaks;
}

Bytes ValidArchive() {
  MWSettingsKey source(L"source", L"unused");
  source.AddValue(L"C", CTime(99));
  source.AddValue(L"B", std::vector<int>{5, 6, 7});
  source.AddValue(L"S", std::wstring(L"archived text"));
  source.AddValue(L"P", CPoint(3, 4));
  source.AddValue(L"D", 2.5);
  source.AddValue(L"K", COLORREF{0x00FF00});
  auto child = std::make_unique<MWSettingsKey>(L"child", L"unused");
  child->AddValue(L"A", 8);
  child->AddValue(L"R", CRect(5, 6, 7, 8));
  source.AddKey(std::move(child));
  source.AddValue(L"A", 42);
  Bytes bytes;
  CArchive ar(bytes, CArchive::store);
  source.Serialize(ar);
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Record(const std::string& className) {
  return Concat({{0xFF, 0xFF, 0x01, 0x00, static_cast<std::uint8_t>(className.size()), 0},
                 Bytes(className.begin(), className.end())});
}

void ExpectClean(const Tally& tally, int total) {
  EXPECT_EQ(tally.loaded + tally.archiveErrors + tally.invalidArguments, total);
  EXPECT_EQ(tally.otherExceptions, 0);
  EXPECT_EQ(tally.leaks, 0);
  EXPECT_EQ(tally.damagedKeys, 0);
}

}  // namespace

TEST(ArchiveHostile, CountingSeesALeak) {
  // The counter is live: an allocation kept past the measurement shows.
  const long before = g_liveAllocations.load();
  auto* kept = new MWIntValue(L"kept", 1);
  EXPECT_EQ(g_liveAllocations.load(), before + 1);
  delete kept;
  EXPECT_EQ(g_liveAllocations.load(), before);
}

TEST(ArchiveHostile, TruncatedArchives) {
  const Bytes valid = ValidArchive();
  Tally warmUp;
  Feed(valid, warmUp);
  ASSERT_EQ(warmUp.loaded, 1);

  Tally tally;
  for (std::size_t cut = 0; cut <= valid.size(); ++cut)
    Feed(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(cut)), tally);
  ExpectClean(tally, static_cast<int>(valid.size()) + 1);
  EXPECT_EQ(tally.loaded, 1);  // only the whole archive
}

TEST(ArchiveHostile, BitFlippedArchives) {
  const Bytes valid = ValidArchive();
  std::mt19937 random(20231);
  Tally tally;
  constexpr int kRuns = 4000;
  for (int run = 0; run < kRuns; ++run) {
    Bytes flipped = valid;
    const int flips = 1 + run % 4;
    for (int i = 0; i < flips; ++i)
      flipped[random() % flipped.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    Feed(flipped, tally);
  }
  ExpectClean(tally, kRuns);
  EXPECT_GT(tally.loaded, 0);
  EXPECT_GT(tally.archiveErrors, 0);
}

TEST(ArchiveHostile, RandomArchives) {
  std::mt19937 random(7);
  Tally tally;
  constexpr int kRuns = 3000;
  const Bytes prefixes[] = {
      {}, {1, 0}, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, Concat({{1, 0}, Record("MWIntValue")})};
  for (int run = 0; run < kRuns; ++run) {
    Bytes bytes = prefixes[run % 4];
    const std::size_t length = random() % 64;
    for (std::size_t i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(random()));
    Feed(bytes, tally);
  }
  ExpectClean(tally, kRuns);
}

TEST(ArchiveHostile, CraftedArchives) {
  const Bytes name = {0xFF, 0xFE, 0xFF, 0x01, 'A', 0};
  const std::vector<Bytes> crafted = {
      // Counts far beyond the data.
      {0xFE, 0xFF},
      {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
      // Null entries, then a count running past them.
      {3, 0, 0, 0, 0, 0, 0, 0},
      {4, 0, 0, 0, 0, 0, 0, 0},
      // Negative and huge array counts.
      Concat({{1, 0}, Record("MWIntArrayValue"), name, {0xFF, 0xFF, 0xFF, 0xFF}}),
      Concat({{1, 0}, Record("MWIntArrayValue"), name, {0x00, 0x00, 0x00, 0x80}}),
      Concat({{1, 0}, Record("MWIntArrayValue"), name, {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}}),
      // Unknown, abstract, overlong and broken class names.
      Concat({{1, 0}, Record("MWNoSuchValue"), name}),
      Concat({{1, 0}, Record("CObject"), name}),
      Concat({{1, 0}, Record(std::string(64, 'M')), name}),
      Concat({{1, 0}, {0xFF, 0xFF, 1, 0, 0xFF, 0xFF}, Bytes(300, 'M')}),
      Concat({{1, 0}, Record(std::string("MWIntValue\0", 11)), name, {1, 0, 0, 0}}),
      // Class indices and object references that name nothing.
      {1, 0, 0x01, 0x80},
      {1, 0, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF},
      {1, 0, 0x02, 0x00},
      Concat({{2, 0}, Record("MWIntValue"), name, {1, 0, 0, 0}, {0x02, 0x80}}),
      // Strings longer than the data, in every length form.
      Concat({{1, 0}, Record("MWStringValue"), {0xFF, 0xFE, 0xFF, 0xFE, 'A', 0}}),
      Concat({{1, 0}, Record("MWStringValue"), {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 'A', 0}}),
      Concat({{1, 0},
              Record("MWStringValue"),
              {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}}),
      Concat({{1, 0},
              Record("MWStringValue"),
              {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
               0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}),
      Concat({{1, 0}, Record("MWStringValue"), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F}}),
      Concat({{1, 0}, Record("MWStringValue"), name, {200, 'a', 'b'}}),
      // A loaded value of another class under a declared name, then valid.
      Concat({{1, 0}, Record("MWPointValue"), name, {1, 0, 0, 0, 2, 0, 0, 0}}),
      Concat({{1, 0}, Record("MWSettingsValue"), name}),
      Concat({{1, 0}, Record("MWSettingsKey"), {0, 0}}),
  };
  Tally tally;
  for (const Bytes& bytes : crafted) Feed(bytes, tally);
  ExpectClean(tally, static_cast<int>(crafted.size()));
  EXPECT_EQ(tally.invalidArguments, 2);
  EXPECT_EQ(tally.loaded, 4);

  // Keys nested far beyond the archive's limit: an exception, not a stack
  // overflow.
  Bytes nested = Concat({{1, 0}, Record("MWSettingsKey")});
  for (int i = 0; i < 50000; ++i) nested.insert(nested.end(), {1, 0, 0x01, 0x80});
  Tally deep;
  Feed(nested, deep);
  ExpectClean(deep, 1);
  EXPECT_EQ(deep.archiveErrors, 1);
}
