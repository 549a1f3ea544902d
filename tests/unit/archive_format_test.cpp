// The archive's byte format and its failures, with a serialisable probe class
// of the test's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/archive.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

// A node with a number and an optional child, counting its live instances.
class ArchiveProbe : public CObject {
  KX_DECLARE_SERIAL(ArchiveProbe)

 public:
  ArchiveProbe() { ++live; }
  explicit ArchiveProbe(std::int32_t n) : number(n) { ++live; }
  ~ArchiveProbe() override { --live; }

  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << number;
      ar.WriteObject(child.get());
    } else {
      ar >> number;
      child = ar.ReadObject();
    }
  }

  std::int32_t number = 0;
  std::unique_ptr<CObject> child;
  static inline int live = 0;
};
KX_IMPLEMENT_SERIAL(ArchiveProbe, CObject, VERSIONABLE_SCHEMA | 1)

// Schema 2 and not versionable: reads only what schema 2 wrote.
class StrictProbe : public CObject {
  KX_DECLARE_SERIAL(StrictProbe)
};
KX_IMPLEMENT_SERIAL(StrictProbe, CObject, 2)

Bytes Store(const std::function<void(CArchive&)>& write) {
  Bytes bytes;
  CArchive ar(bytes, CArchive::store);
  write(ar);
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

CArchiveException::Cause LoadFailure(Bytes bytes, const std::function<void(CArchive&)>& read) {
  CArchive ar(bytes, CArchive::load);
  try {
    read(ar);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return CArchiveException::none;
}

}  // namespace

TEST(ArchiveFormat, NumbersAreLittleEndianOfTheirOwnSize) {
  const Bytes bytes = Store([](CArchive& ar) {
    ar << std::int32_t{-5} << std::uint16_t{0x1234} << true << 1.0 << std::int64_t{-2};
  });
  EXPECT_EQ(bytes, (Bytes{0xFB, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x01, 0,    0,    0,    0,   0,
                          0,    0xF0, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

  Bytes copy = bytes;
  CArchive ar(copy, CArchive::load);
  std::int32_t i = 0;
  std::uint16_t w = 0;
  bool b = false;
  double d = 0;
  std::int64_t q = 0;
  ar >> i >> w >> b >> d >> q;
  EXPECT_EQ(i, -5);
  EXPECT_EQ(w, 0x1234);
  EXPECT_TRUE(b);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(q, -2);
  EXPECT_EQ(ar.RemainingBytes(), 0u);
  // A short item fails and consumes nothing.
  Bytes three{1, 2, 3};
  CArchive shortAr(three, CArchive::load);
  std::int32_t big = 7;
  EXPECT_THROW(shortAr >> big, CArchiveException);
  EXPECT_EQ(big, 7);
  EXPECT_EQ(shortAr.RemainingBytes(), 3u);
}

TEST(ArchiveFormat, CountsWidenAtEachLimit) {
  struct Case {
    std::uint64_t count;
    Bytes bytes;
  };
  const Case cases[] = {
      {0, {0, 0}},
      {0xFFFE, {0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
      {0xFFFFFFFE, {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Bytes bytes = Store([&](CArchive& ar) { ar.WriteCount(c.count); });
    EXPECT_EQ(bytes, c.bytes) << c.count;
    CArchive ar(bytes, CArchive::load);
    EXPECT_EQ(ar.ReadCount(), c.count);
  }
}

TEST(ArchiveFormat, TextIsWrittenWideAndReadInBothForms) {
  EXPECT_EQ(Store([](CArchive& ar) { ar << std::wstring(); }), (Bytes{0xFF, 0xFE, 0xFF, 0x00}));
  EXPECT_EQ(Store([](CArchive& ar) { ar << std::wstring(L"a\x20AC"); }),
            (Bytes{0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 0xAC, 0x20}));

  // Each length form at its limits, written and read back.
  for (std::size_t length : {254u, 255u, 0xFFFEu, 0xFFFFu, 70000u}) {
    const std::wstring text(length, L'x');
    Bytes bytes = Store([&](CArchive& ar) { ar << text; });
    Bytes prefix(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(length * 2));
    if (length < 0xFF) {
      EXPECT_EQ(prefix, (Bytes{0xFF, 0xFE, 0xFF, static_cast<std::uint8_t>(length)}));
    } else if (length < 0xFFFF) {
      EXPECT_EQ(prefix, (Bytes{0xFF, 0xFE, 0xFF, 0xFF, static_cast<std::uint8_t>(length),
                               static_cast<std::uint8_t>(length >> 8)}));
    } else {
      EXPECT_EQ(prefix,
                (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, static_cast<std::uint8_t>(length),
                       static_cast<std::uint8_t>(length >> 8),
                       static_cast<std::uint8_t>(length >> 16), 0}));
    }
    CArchive ar(bytes, CArchive::load);
    EXPECT_EQ(ar.ReadString(), text) << length;
    EXPECT_EQ(ar.RemainingBytes(), 0u);
  }

  // 8-bit strings, converted from the ANSI code page (1252 in this prefix).
  Bytes shortForm{3, 'a', 'b', 0xE9};
  CArchive a(shortForm, CArchive::load);
  EXPECT_EQ(a.ReadString(), L"ab\x00E9");
  Bytes wordForm = Concat({{0xFF, 0x00, 0x01}, Bytes(256, 'q')});
  CArchive b(wordForm, CArchive::load);
  EXPECT_EQ(b.ReadString(), std::wstring(256, L'q'));
  Bytes dwordForm = Concat({{0xFF, 0xFF, 0xFF, 3, 0, 0, 0}, Ascii("xyz")});
  CArchive c(dwordForm, CArchive::load);
  EXPECT_EQ(c.ReadString(), L"xyz");
  Bytes emptyNarrow{0};
  CArchive d(emptyNarrow, CArchive::load);
  EXPECT_EQ(d.ReadString(), L"");
}

TEST(ArchiveFormat, TextLongerThanTheDataFailsAtEndOfFile) {
  auto readString = [](CArchive& ar) { ar.ReadString(); };
  // Wide, 3 code units announced, 2 present.
  EXPECT_EQ(LoadFailure({0xFF, 0xFE, 0xFF, 3, 'a', 0, 'b', 0}, readString),
            CArchiveException::endOfFile);
  // A 64-bit length near the top of the range: fails without allocating it.
  EXPECT_EQ(LoadFailure({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a',  0},
                        readString),
            CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure({0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a'}, readString),
            CArchiveException::endOfFile);
  // The length itself cut short.
  EXPECT_EQ(LoadFailure({0xFF, 0xFE}, readString), CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure({}, readString), CArchiveException::endOfFile);
}

TEST(ArchiveFormat, TimeIsSixtyFourBitSeconds) {
  Bytes bytes = Store([](CArchive& ar) { ar << CTime(-1) << CTime(5000000000); });
  EXPECT_EQ(bytes, (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xF2, 0x05, 0x2A,
                          0x01, 0, 0, 0}));
  CArchive ar(bytes, CArchive::load);
  CTime first, second;
  ar >> first >> second;
  EXPECT_EQ(first.GetTime(), -1);
  EXPECT_EQ(second.GetTime(), 5000000000);
}

TEST(ArchiveFormat, DirectionIsEnforced) {
  Bytes bytes{1, 2, 3, 4};
  CArchive loading(bytes, CArchive::load);
  EXPECT_TRUE(loading.IsLoading());
  try {
    loading << std::int32_t{1};
    ADD_FAILURE() << "wrote to a loading archive";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::readOnly);
  }
  Bytes out;
  CArchive storing(out, CArchive::store);
  std::int32_t value = 0;
  try {
    storing >> value;
    ADD_FAILURE() << "read from a storing archive";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
  }
  // Storing appends to what the buffer holds.
  Bytes existing{9};
  CArchive appending(existing, CArchive::store);
  appending << std::uint8_t{8};
  EXPECT_EQ(existing, (Bytes{9, 8}));
}

TEST(ArchiveFormat, ObjectsCarryTheirClassOnceThenAnIndex) {
  ArchiveProbe first(1);
  first.child = std::make_unique<ArchiveProbe>(2);
  Bytes bytes = Store([&](CArchive& ar) {
    ar.WriteObject(&first);
    ar.WriteObject(nullptr);
  });
  const Bytes expected = Concat({{0xFF, 0xFF, 0x01, 0x00, 12, 0},
                                 Ascii("ArchiveProbe"),
                                 {1, 0, 0, 0},
                                 {0x01, 0x80},
                                 {2, 0, 0, 0},
                                 {0, 0},
                                 {0, 0}});
  EXPECT_EQ(bytes, expected);

  CArchive ar(bytes, CArchive::load);
  std::unique_ptr<CObject> read = ar.ReadObject(KX_RUNTIME_CLASS(ArchiveProbe));
  ASSERT_NE(read, nullptr);
  auto* probe = dynamic_cast<ArchiveProbe*>(read.get());
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->number, 1);
  auto* child = dynamic_cast<ArchiveProbe*>(probe->child.get());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->number, 2);
  EXPECT_EQ(child->child, nullptr);
  EXPECT_EQ(ar.ReadObject(), nullptr);

  // The long class tag names the same class.
  Bytes longTag = Concat({{0xFF, 0xFF, 0x01, 0x00, 12, 0},
                          Ascii("ArchiveProbe"),
                          {7, 0, 0, 0},
                          {0, 0},
                          {0xFF, 0x7F, 1, 0, 0, 0},
                          {8, 0, 0, 0},
                          {0, 0}});
  CArchive longAr(longTag, CArchive::load);
  EXPECT_EQ(dynamic_cast<ArchiveProbe&>(*longAr.ReadObject()).number, 7);
  EXPECT_EQ(dynamic_cast<ArchiveProbe&>(*longAr.ReadObject()).number, 8);
}

TEST(ArchiveFormat, BadObjectRecordsFailAndLeaveNothingBehind) {
  ASSERT_EQ(ArchiveProbe::live, 0);
  auto readObject = [](CArchive& ar) { ar.ReadObject(); };
  auto record = [](const std::string& name, std::uint16_t schema = 1) {
    return Concat(
        {{0xFF, 0xFF, static_cast<std::uint8_t>(schema), static_cast<std::uint8_t>(schema >> 8),
          static_cast<std::uint8_t>(name.size()), 0},
         Ascii(name)});
  };
  EXPECT_EQ(LoadFailure(record("NoSuchClass"), readObject), CArchiveException::badClass);
  EXPECT_EQ(LoadFailure(record("CObject"), readObject), CArchiveException::badClass);
  EXPECT_EQ(LoadFailure(Concat({record("ArchiveProbe"), {0}}), readObject),
            CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure({0xFF, 0xFF, 1, 0, 0, 0}, readObject), CArchiveException::badClass);
  EXPECT_EQ(LoadFailure(Concat({{0xFF, 0xFF, 1, 0, 65, 0}, Bytes(65, 'A')}), readObject),
            CArchiveException::badClass);
  EXPECT_EQ(
      LoadFailure(Concat({{0xFF, 0xFF, 1, 0, 13, 0}, Ascii("ArchiveProbe"), {0}}), readObject),
      CArchiveException::badClass);
  EXPECT_EQ(LoadFailure({0xFF, 0xFF, 1, 0, 12, 0, 'A', 'r'}, readObject),
            CArchiveException::endOfFile);
  // Class indices that name nothing, and references to earlier objects.
  EXPECT_EQ(LoadFailure({0x01, 0x80}, readObject), CArchiveException::badIndex);
  EXPECT_EQ(LoadFailure({0x00, 0x80}, readObject), CArchiveException::badIndex);
  EXPECT_EQ(LoadFailure({0xFF, 0x7F, 0, 0, 0, 0}, readObject), CArchiveException::badIndex);
  EXPECT_EQ(LoadFailure({0x01, 0x00}, readObject), CArchiveException::badIndex);
  EXPECT_EQ(LoadFailure({0x05, 0x00}, readObject), CArchiveException::badIndex);
  // A class that is not the one required.
  EXPECT_EQ(LoadFailure(Concat({record("ArchiveProbe"), {1, 0, 0, 0, 0, 0}}),
                        [](CArchive& ar) { ar.ReadObject(KX_RUNTIME_CLASS(StrictProbe)); }),
            CArchiveException::badClass);
  // Schemas: a non-versionable class reads only its own.
  EXPECT_EQ(LoadFailure(record("StrictProbe", 3), readObject), CArchiveException::badSchema);
  Bytes strict = record("StrictProbe", 2);
  CArchive strictAr(strict, CArchive::load);
  EXPECT_NE(strictAr.ReadObject(), nullptr);
  Bytes versioned = Concat({record("ArchiveProbe", 0x1234), {4, 0, 0, 0, 0, 0}});
  CArchive versionedAr(versioned, CArchive::load);
  EXPECT_NE(versionedAr.ReadObject(), nullptr);

  // A child that fails part way: parent and child are deleted.
  Bytes partial = Concat(
      {record("ArchiveProbe"), {1, 0, 0, 0}, {0x01, 0x80}, {2, 0, 0, 0}, {0x01, 0x80}, {3, 0}});
  EXPECT_EQ(LoadFailure(partial, readObject), CArchiveException::endOfFile);
  EXPECT_EQ(ArchiveProbe::live, 0);

  // Storing an object whose class cannot be recreated.
  class Plain : public CObject {};
  Plain plain;
  Bytes out;
  CArchive storing(out, CArchive::store);
  try {
    storing.WriteObject(&plain);
    ADD_FAILURE() << "stored an object without a factory";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::badClass);
  }
}

TEST(ArchiveFormat, NestingIsBoundedBothWays) {
  ASSERT_EQ(ArchiveProbe::live, 0);
  auto chain = [](int depth) {
    auto root = std::make_unique<ArchiveProbe>(0);
    ArchiveProbe* tail = root.get();
    for (int i = 1; i < depth; ++i) {
      tail->child = std::make_unique<ArchiveProbe>(i);
      tail = static_cast<ArchiveProbe*>(tail->child.get());
    }
    return root;
  };
  {
    auto deepest = chain(CArchive::kMaxObjectDepth);
    Bytes bytes = Store([&](CArchive& ar) { ar.WriteObject(deepest.get()); });
    CArchive ar(bytes, CArchive::load);
    EXPECT_NE(ar.ReadObject(), nullptr);

    auto tooDeep = chain(CArchive::kMaxObjectDepth + 1);
    Bytes out;
    CArchive storing(out, CArchive::store);
    try {
      storing.WriteObject(tooDeep.get());
      ADD_FAILURE() << "stored past the nesting limit";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, CArchiveException::tooDeep);
    }
  }
  // A hostile archive nesting far beyond the limit ends in an exception, not
  // in a stack overflow.
  Bytes hostile = Concat({{0xFF, 0xFF, 1, 0, 12, 0}, Ascii("ArchiveProbe"), {0, 0, 0, 0}});
  for (int i = 0; i < 100000; ++i) hostile.insert(hostile.end(), {0x01, 0x80, 0, 0, 0, 0});
  EXPECT_EQ(LoadFailure(hostile, [](CArchive& ar) { ar.ReadObject(); }),
            CArchiveException::tooDeep);
  EXPECT_EQ(ArchiveProbe::live, 0);
}
