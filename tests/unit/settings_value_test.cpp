// The eight kinds against the real registry: stored forms read back with the
// raw registry API, and loads of every stored type and length.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "MWSettingsKey.h"
#include "files.h"
#include "registry.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

const std::wstring kPath = L"Software\\KxSettingsTest\\Values";

kxtest::ScopedRegistryTrees TestTree() {
  return kxtest::ScopedRegistryTrees{{HKEY_CURRENT_USER, L"Software\\KxSettingsTest"}};
}

Bytes Utf16(const std::wstring& text, bool withNul = true) {
  Bytes bytes(
      reinterpret_cast<const std::uint8_t*>(text.c_str()),
      reinterpret_cast<const std::uint8_t*>(text.c_str() + text.size() + (withNul ? 1 : 0)));
  return bytes;
}

Bytes Stored(const std::wstring& name, DWORD expectedType) {
  const std::optional<kxtest::RawValue> raw = kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, name);
  if (!raw) {
    ADD_FAILURE() << "no stored value " << kxtest::Narrow(name);
    return {};
  }
  EXPECT_EQ(raw->type, expectedType) << kxtest::Narrow(name);
  return raw->bytes;
}

template <class T>
T Get(MWSettingsKey& key, const std::wstring& name, T initial) {
  key.GetValue(name, initial);
  return initial;
}

std::uint64_t Bits(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

}  // namespace

TEST(SettingsValueRegistry, EveryKindIsStoredInItsFormAndReadBack) {
  auto tree = TestTree();
  const double infinity = std::numeric_limits<double>::infinity();
  {
    MWSettingsKey key(L"values", kPath);
    key.AddValue(L"int", -5);
    key.AddValue(L"colour", COLORREF{0xFF123456});
    key.AddValue(L"double", -0.0);
    key.AddValue(L"infinity", -infinity);
    key.AddValue(L"text", std::wstring(L"abc"));
    key.AddValue(L"empty", std::wstring());
    key.AddValue(L"point", CPoint(10, -3));
    key.AddValue(L"rect", CRect(0, 0, 640, 480));
    key.AddValue(L"time", CTime(1000000000));
    key.AddValue(L"old time", CTime(-86400));
    key.AddValue(L"array", std::vector<int>{1, 2, 3});
    key.AddValue(L"no array", std::vector<int>{});
    EXPECT_EQ(key.Save(), 1);
  }

  EXPECT_EQ(Stored(L"int", REG_DWORD), (Bytes{0xFB, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Stored(L"colour", REG_DWORD), (Bytes{0x56, 0x34, 0x12, 0xFF}));
  EXPECT_EQ(Stored(L"double", REG_BINARY), (Bytes{0, 0, 0, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(Stored(L"infinity", REG_BINARY), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0xFF}));
  EXPECT_EQ(Stored(L"text", REG_SZ), Utf16(L"abc"));
  EXPECT_EQ(Stored(L"text", REG_SZ).size(), 8u);
  EXPECT_EQ(Stored(L"empty", REG_SZ), (Bytes{0, 0}));
  EXPECT_EQ(Stored(L"point", REG_SZ), Utf16(L"10 -3"));
  EXPECT_EQ(Stored(L"point", REG_SZ).size(), 12u);
  EXPECT_EQ(Stored(L"rect", REG_SZ), Utf16(L"0 0 640 480"));
  EXPECT_EQ(Stored(L"time", REG_SZ), Utf16(L"1000000000"));
  EXPECT_EQ(Stored(L"old time", REG_SZ), Utf16(L"-86400"));
  EXPECT_EQ(Stored(L"array", REG_BINARY), (Bytes{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(Stored(L"no array", REG_BINARY), Bytes{});

  // A fresh key with other defaults takes every stored payload.
  MWSettingsKey key(L"values", kPath);
  key.AddValue(L"int", 1);
  key.AddValue(L"colour", COLORREF{1});
  key.AddValue(L"double", 1.0);
  key.AddValue(L"infinity", 1.0);
  key.AddValue(L"text", std::wstring(L"x"));
  key.AddValue(L"empty", std::wstring(L"x"));
  key.AddValue(L"point", CPoint(1, 1));
  key.AddValue(L"rect", CRect(1, 1, 1, 1));
  key.AddValue(L"time", CTime(1));
  key.AddValue(L"old time", CTime(1));
  key.AddValue(L"array", std::vector<int>{9});
  key.AddValue(L"no array", std::vector<int>{9});
  EXPECT_EQ(key.Load(), 1);
  EXPECT_EQ(Get(key, L"int", 0), -5);
  EXPECT_EQ(Get(key, L"colour", COLORREF{0}), COLORREF{0xFF123456});
  EXPECT_EQ(Bits(Get(key, L"double", 0.0)), Bits(-0.0));
  EXPECT_EQ(Get(key, L"infinity", 0.0), -infinity);
  EXPECT_EQ(Get(key, L"text", std::wstring()), L"abc");
  EXPECT_EQ(Get(key, L"empty", std::wstring(L"?")), L"");
  EXPECT_EQ(Get(key, L"point", CPoint()), CPoint(10, -3));
  EXPECT_EQ(Get(key, L"rect", CRect()), CRect(0, 0, 640, 480));
  EXPECT_EQ(Get(key, L"time", CTime()).GetTime(), 1000000000);
  EXPECT_EQ(Get(key, L"old time", CTime()).GetTime(), -86400);
  EXPECT_EQ(Get(key, L"array", std::vector<int>()), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Get(key, L"no array", std::vector<int>{5}), std::vector<int>{});

  // Doubles keep every bit, NaN payloads included.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  MWSettingsKey nanKey(L"nan", kPath);
  nanKey.AddValue(L"nan", nan);
  EXPECT_EQ(nanKey.Save(), 1);
  nanKey.SetValue(L"nan", 0.0);
  EXPECT_EQ(nanKey.Load(), 1);
  EXPECT_EQ(Bits(Get(nanKey, L"nan", 0.0)), Bits(nan));
}

TEST(SettingsValueRegistry, TimesKeepTheirLowThirtyTwoBits) {
  auto tree = TestTree();
  MWSettingsKey key(L"times", kPath);
  key.AddValue(L"late", CTime(4294967296LL + 5));
  key.AddValue(L"max", CTime(2147483647));
  key.AddValue(L"min", CTime(-2147483647LL - 1));
  key.AddValue(L"wraps", CTime(2147483648LL));
  ASSERT_EQ(key.Save(), 1);
  EXPECT_EQ(Stored(L"late", REG_SZ), Utf16(L"5"));
  EXPECT_EQ(Stored(L"max", REG_SZ), Utf16(L"2147483647"));
  EXPECT_EQ(Stored(L"min", REG_SZ), Utf16(L"-2147483648"));
  EXPECT_EQ(Stored(L"wraps", REG_SZ), Utf16(L"-2147483648"));
  ASSERT_EQ(key.Load(), 1);
  EXPECT_EQ(Get(key, L"late", CTime()).GetTime(), 5);
  EXPECT_EQ(Get(key, L"max", CTime()).GetTime(), 2147483647);
  EXPECT_EQ(Get(key, L"min", CTime()).GetTime(), -2147483648LL);
  EXPECT_EQ(Get(key, L"wraps", CTime()).GetTime(), -2147483648LL);
}

TEST(SettingsValueRegistry, StoredDataOfOtherFormsFollowsTheLoadRules) {
  auto tree = TestTree();
  const HKEY hkcu = HKEY_CURRENT_USER;
  // Integer: shorter data fills the low bytes; longer data does not fit.
  kxtest::SetString(hkcu, kPath, L"i", L"");
  MWSettingsKey ints(L"ints", kPath);
  ints.AddValue(L"i", 77);
  EXPECT_EQ(ints.Load(), 1);
  EXPECT_EQ(Get(ints, L"i", -1), 0);
  const Bytes eight{1, 2, 3, 4, 5, 6, 7, 8};
  kxtest::SetRaw(hkcu, kPath, L"i", REG_BINARY, eight.data(), 8);
  ints.SetValue(L"i", 77);
  EXPECT_EQ(ints.Load(), 0);
  EXPECT_EQ(Get(ints, L"i", -1), 77);
  const Bytes two{0x34, 0x12};
  kxtest::SetRaw(hkcu, kPath, L"i", REG_BINARY, two.data(), 2);
  EXPECT_EQ(ints.Load(), 1);
  EXPECT_EQ(Get(ints, L"i", -1), 0x1234);

  // Double: short data leaves the missing high bytes 0; nine bytes fail.
  const Bytes four{1, 2, 3, 4};
  kxtest::SetRaw(hkcu, kPath, L"d", REG_BINARY, four.data(), 4);
  MWSettingsKey doubles(L"doubles", kPath);
  doubles.AddValue(L"d", 2.5);
  EXPECT_EQ(doubles.Load(), 1);
  EXPECT_EQ(Bits(Get(doubles, L"d", 0.0)), 0x04030201u);
  const Bytes nine(9, 0x11);
  kxtest::SetRaw(hkcu, kPath, L"d", REG_BINARY, nine.data(), 9);
  doubles.SetValue(L"d", 2.5);
  EXPECT_EQ(doubles.Load(), 0);
  EXPECT_EQ(Get(doubles, L"d", 0.0), 2.5);

  // Point and rectangle: the fields that do not convert keep their values.
  kxtest::SetString(hkcu, kPath, L"p", L"7");
  MWSettingsKey points(L"points", kPath);
  points.AddValue(L"p", CPoint(1, 2));
  EXPECT_EQ(points.Load(), 1);
  EXPECT_EQ(Get(points, L"p", CPoint()), CPoint(7, 2));
  kxtest::SetString(hkcu, kPath, L"p", L"");
  EXPECT_EQ(points.Load(), 1);
  EXPECT_EQ(Get(points, L"p", CPoint()), CPoint(7, 2));
  kxtest::SetString(hkcu, kPath, L"r", L"10 20 30");
  MWSettingsKey rects(L"rects", kPath);
  rects.AddValue(L"r", CRect(1, 2, 3, 4));
  EXPECT_EQ(rects.Load(), 1);
  EXPECT_EQ(Get(rects, L"r", CRect()), CRect(10, 20, 30, 4));
  kxtest::SetString(hkcu, kPath, L"r", L"  5 x 6 7");
  EXPECT_EQ(rects.Load(), 1);
  EXPECT_EQ(Get(rects, L"r", CRect()), CRect(5, 20, 30, 4));

  // Time: letters read as 0, still a success.
  kxtest::SetString(hkcu, kPath, L"t", L"abc");
  MWSettingsKey times(L"times", kPath);
  times.AddValue(L"t", CTime(123));
  EXPECT_EQ(times.Load(), 1);
  EXPECT_EQ(Get(times, L"t", CTime(9)).GetTime(), 0);

  // Text: stored characters up to the first NUL, or all when there is none.
  const Bytes unterminated = Utf16(L"xyz", false);
  kxtest::SetRaw(hkcu, kPath, L"s", REG_BINARY, unterminated.data(), 6);
  MWSettingsKey texts(L"texts", kPath);
  texts.AddValue(L"s", std::wstring(L"d"));
  EXPECT_EQ(texts.Load(), 1);
  EXPECT_EQ(Get(texts, L"s", std::wstring()), L"xyz");
  const Bytes embedded = Utf16(std::wstring(L"ab\0cd", 5));
  kxtest::SetRaw(hkcu, kPath, L"s", REG_SZ, embedded.data(), static_cast<DWORD>(embedded.size()));
  EXPECT_EQ(texts.Load(), 1);
  EXPECT_EQ(Get(texts, L"s", std::wstring()), L"ab");

  // Array: a binary value sets the length; other types leave it.
  const Bytes twelve{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
  kxtest::SetRaw(hkcu, kPath, L"a", REG_BINARY, twelve.data(), 12);
  MWSettingsKey arrays(L"arrays", kPath);
  arrays.AddValue(L"a", std::vector<int>{9, 9, 9, 9, 9});
  EXPECT_EQ(arrays.Load(), 1);
  EXPECT_EQ(Get(arrays, L"a", std::vector<int>()), (std::vector<int>{1, 2, 3}));
  kxtest::SetString(hkcu, kPath, L"a", L"1 2 3");
  arrays.SetValue(L"a", std::vector<int>{4, 5});
  EXPECT_EQ(arrays.Load(), 1);
  EXPECT_EQ(Get(arrays, L"a", std::vector<int>()), (std::vector<int>{4, 5}));
  // Not a multiple of 4: the whole elements only.
  const Bytes fourteen{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0x7F, 0x7F};
  kxtest::SetRaw(hkcu, kPath, L"a", REG_BINARY, fourteen.data(), 14);
  EXPECT_EQ(arrays.Load(), 1);
  EXPECT_EQ(Get(arrays, L"a", std::vector<int>()), (std::vector<int>{1, 2, 3}));
  kxtest::SetRaw(hkcu, kPath, L"a", REG_BINARY, fourteen.data(), 3);
  EXPECT_EQ(arrays.Load(), 1);
  EXPECT_EQ(Get(arrays, L"a", std::vector<int>{1}), std::vector<int>{});
}

TEST(SettingsValueRegistry, MissingKeyOrValueChangesNothingAndCreatesNothing) {
  auto tree = TestTree();
  MWSettingsKey key(L"absent", kPath);
  key.AddValue(L"int", 3);
  key.AddValue(L"colour", COLORREF{4});
  key.AddValue(L"double", 5.5);
  key.AddValue(L"text", std::wstring(L"six"));
  key.AddValue(L"point", CPoint(7, 8));
  key.AddValue(L"rect", CRect(9, 10, 11, 12));
  key.AddValue(L"time", CTime(13));
  key.AddValue(L"array", std::vector<int>{14});
  auto unchanged = [&] {
    EXPECT_EQ(Get(key, L"int", 0), 3);
    EXPECT_EQ(Get(key, L"colour", COLORREF{0}), COLORREF{4});
    EXPECT_EQ(Get(key, L"double", 0.0), 5.5);
    EXPECT_EQ(Get(key, L"text", std::wstring()), L"six");
    EXPECT_EQ(Get(key, L"point", CPoint()), CPoint(7, 8));
    EXPECT_EQ(Get(key, L"rect", CRect()), CRect(9, 10, 11, 12));
    EXPECT_EQ(Get(key, L"time", CTime()).GetTime(), 13);
    EXPECT_EQ(Get(key, L"array", std::vector<int>()), std::vector<int>{14});
  };
  // Each kind alone reports the missing key.
  const std::vector<void (*)(MWSettingsKey&)> kinds = {
      [](MWSettingsKey& k) { k.AddValue(L"v", 1); },
      [](MWSettingsKey& k) { k.AddValue(L"v", COLORREF{1}); },
      [](MWSettingsKey& k) { k.AddValue(L"v", 1.0); },
      [](MWSettingsKey& k) { k.AddValue(L"v", std::wstring(L"1")); },
      [](MWSettingsKey& k) { k.AddValue(L"v", CPoint(1, 1)); },
      [](MWSettingsKey& k) { k.AddValue(L"v", CRect(1, 1, 1, 1)); },
      [](MWSettingsKey& k) { k.AddValue(L"v", CTime(1)); },
      [](MWSettingsKey& k) { k.AddValue(L"v", std::vector<int>{1}); },
  };
  for (auto declare : kinds) {
    MWSettingsKey single(L"single", kPath);
    declare(single);
    EXPECT_EQ(single.Load(), 0);
  }
  EXPECT_EQ(key.Load(), 0);
  unchanged();
  EXPECT_FALSE(kxtest::KeyExists(HKEY_CURRENT_USER, kPath));

  // The key exists but holds none of the values.
  kxtest::CreateKey(HKEY_CURRENT_USER, kPath);
  EXPECT_EQ(key.Load(), 0);
  unchanged();
  for (const auto& name : {L"int", L"text", L"array"})
    EXPECT_FALSE(kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, name).has_value());
}

TEST(SettingsValueRegistry, EveryStoredTypeAndLengthAgainstEveryKind) {
  auto tree = TestTree();
  // Text whose prefixes hold 0 to 5 numbers, then NULs.
  const std::wstring pattern = L"12 -34 56 78 90";
  Bytes source = Utf16(pattern);
  source.resize(4096, 0);

  // The text a text kind reads from the stored bytes.
  auto textOf = [](const Bytes& stored) {
    std::wstring text(stored.size() / 2, L'\0');
    std::memcpy(text.data(), stored.data(), text.size() * 2);
    return text.substr(0, text.find(L'\0'));
  };
  // Leading fields of the text that are whole decimal numbers.
  auto numbersOf = [](const std::wstring& text) {
    std::vector<long> numbers;
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = std::min(text.find(L' ', start), text.size());
      const std::wstring field = text.substr(start, end - start);
      const bool number =
          !field.empty() && field != L"-" &&
          field.find_first_not_of(L"0123456789", field[0] == L'-') == std::wstring::npos;
      if (!number) break;
      numbers.push_back(std::stol(field));
      start = end + 1;
    }
    return numbers;
  };
  auto zeroExtended = [](const Bytes& stored) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, stored.data(), std::min<std::size_t>(stored.size(), 8));
    return bits;
  };

  const DWORD types[] = {REG_NONE,     REG_SZ,    REG_EXPAND_SZ,
                         REG_BINARY,   REG_DWORD, REG_DWORD_BIG_ENDIAN,
                         REG_MULTI_SZ, REG_QWORD, 0x1234};
  const std::size_t lengths[] = {0,  1,  2,  3,  4,  5,  6,  7,   8,   9,
                                 11, 12, 13, 16, 29, 30, 31, 255, 4096};
  int checked = 0;
  for (DWORD type : types) {
    for (std::size_t n : lengths) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", " << n << " bytes");
      kxtest::DeleteTree(HKEY_CURRENT_USER, kPath);
      kxtest::SetRaw(HKEY_CURRENT_USER, kPath, L"v", type, source.data(), static_cast<DWORD>(n));
      // The registry may add a NUL that the count left out of a string type.
      const auto raw = kxtest::ReadRaw(HKEY_CURRENT_USER, kPath, L"v");
      ASSERT_TRUE(raw.has_value());
      const Bytes& stored = raw->bytes;
      const std::size_t size = stored.size();
      const std::wstring text = textOf(stored);
      const std::vector<long> numbers = numbersOf(text);

      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", -1);
        EXPECT_EQ(key.Load(), size <= 4 ? 1 : 0);
        EXPECT_EQ(Get(key, L"v", 0), size <= 4 ? static_cast<int>(zeroExtended(stored)) : -1);
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", COLORREF{0xABCDEF});
        EXPECT_EQ(key.Load(), size <= 4 ? 1 : 0);
        EXPECT_EQ(Get(key, L"v", COLORREF{0}),
                  size <= 4 ? static_cast<COLORREF>(zeroExtended(stored)) : COLORREF{0xABCDEF});
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", -7.25);
        EXPECT_EQ(key.Load(), size <= 8 ? 1 : 0);
        EXPECT_EQ(Bits(Get(key, L"v", 0.0)), size <= 8 ? zeroExtended(stored) : Bits(-7.25));
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", std::wstring(L"default"));
        EXPECT_EQ(key.Load(), 1);
        EXPECT_EQ(Get(key, L"v", std::wstring()), text);
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", CPoint(-100, -200));
        EXPECT_EQ(key.Load(), 1);
        CPoint expected(-100, -200);
        if (numbers.size() > 0) expected.x = numbers[0];
        if (numbers.size() > 1) expected.y = numbers[1];
        EXPECT_EQ(Get(key, L"v", CPoint()), expected);
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", CRect(-1, -2, -3, -4));
        EXPECT_EQ(key.Load(), 1);
        std::int32_t fields[4] = {-1, -2, -3, -4};
        for (std::size_t i = 0; i < numbers.size() && i < 4; ++i) fields[i] = numbers[i];
        EXPECT_EQ(Get(key, L"v", CRect()), CRect(fields[0], fields[1], fields[2], fields[3]));
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", CTime(-5));
        EXPECT_EQ(key.Load(), 1);
        EXPECT_EQ(Get(key, L"v", CTime(1)).GetTime(), numbers.empty() ? 0 : numbers[0]);
      }
      {
        MWSettingsKey key(L"k", kPath);
        key.AddValue(L"v", std::vector<int>{42, 43});
        EXPECT_EQ(key.Load(), 1);
        std::vector<int> expected{42, 43};
        if (type == REG_BINARY) {
          expected.assign(size / 4, 0);
          if (!expected.empty()) std::memcpy(expected.data(), stored.data(), expected.size() * 4);
        }
        EXPECT_EQ(Get(key, L"v", std::vector<int>()), expected);
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 9 * 19);
}
