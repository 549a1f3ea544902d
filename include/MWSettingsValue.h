// Typed setting values, one class per kind, and their base.
//
// A value that a key holds lives in the library; the object a key's
// FindValue returns stands for it (reads and changes it) and belongs to the
// key: it is deleted when the key deletes the value. Declaring a value in a
// key is the key's AddValue; saving and loading values is the key's Save
// and Load, for all its values at once. A value made by the host (its
// constructors, or an archive read) holds its own name and payload; such a
// value can be archived on its own (Serialize, `ar << value`).
#ifndef KXVM_MWSETTINGSVALUE_H
#define KXVM_MWSETTINGSVALUE_H

#include "kxvm/c_interface.h"

#include <cstdint>
#include <vector>

#if !KXVM_FRAMEWORK_TYPES
#include "kxvm/standard_archive.h"
#endif

class MWSettingsKey;

namespace kxvm::detail {

// Bytes written by fill through the face's own archive over memory.
template <class Fill>
std::vector<std::uint8_t> StoredBytes(Fill fill) {
#if KXVM_FRAMEWORK_TYPES
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    try {
      fill(ar);
    } catch (...) {
      ar.Abort();
      throw;
    }
    ar.Close();
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.GetLength()));
  file.SeekToBegin();
  if (!bytes.empty()) file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
#else
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  fill(ar);
  return bytes;
#endif
}

// use reads bytes through the face's own archive over memory.
template <class Use>
void LoadedBytes(const std::uint8_t* data, std::size_t size, Use use) {
#if KXVM_FRAMEWORK_TYPES
  if (size > UINT_MAX) RaiseInvalidArgument();
  CMemFile file(const_cast<BYTE*>(data), static_cast<UINT>(size));
  CArchive ar(&file, CArchive::load);
  try {
    use(ar);
  } catch (...) {
    ar.Abort();
    throw;
  }
  ar.Close();
#else
  std::vector<std::uint8_t> bytes(data, data + size);
  CArchive ar(bytes, CArchive::load);
  use(ar);
#endif
}

template <class T>
void Assign(T& to, const T& from) {
  to = from;
}
#if KXVM_FRAMEWORK_TYPES
inline void Assign(IntArray& to, const IntArray& from) { to.Copy(from); }
#endif

// Each kind's payload in its archive form (the name comes first).
inline void SerializePayload(Archive& ar, int& value) {
  std::int32_t v = value;
  if (ar.IsStoring()) {
    ar << v;
  } else {
    ar >> v;
    value = v;
  }
}
inline void SerializePayload(Archive& ar, COLORREF& value) {
  if (ar.IsStoring()) {
    ar << value;
  } else {
    ar >> value;
  }
}
inline void SerializePayload(Archive& ar, double& value) {
  if (ar.IsStoring()) {
    ar << value;
  } else {
    ar >> value;
  }
}
inline void SerializePayload(Archive& ar, Text& value) {
  if (ar.IsStoring()) {
    ar << value;
  } else {
    ar >> value;
  }
}
inline void SerializePayload(Archive& ar, Time& value) {
  if (ar.IsStoring()) {
    ar << value;
  } else {
    ar >> value;
  }
}
// Raw signed 32-bit fields; fewer bytes than they take is the end of file.
template <std::size_t N>
inline void SerializeFields(Archive& ar, std::int32_t (&fields)[N]) {
  if (ar.IsStoring()) {
    ar.Write(fields, static_cast<unsigned>(sizeof fields));
  } else if (ar.Read(fields, static_cast<unsigned>(sizeof fields)) != sizeof fields) {
    RaiseArchive(KXVM_ARCHIVE_CAUSE_END_OF_FILE);
  }
}
inline void SerializePayload(Archive& ar, Point& value) {
  std::int32_t fields[2] = {static_cast<std::int32_t>(value.x), static_cast<std::int32_t>(value.y)};
  SerializeFields(ar, fields);
  value = Point(fields[0], fields[1]);
}
inline void SerializePayload(Archive& ar, Rect& value) {
  std::int32_t fields[4] = {
      static_cast<std::int32_t>(value.left), static_cast<std::int32_t>(value.top),
      static_cast<std::int32_t>(value.right), static_cast<std::int32_t>(value.bottom)};
  SerializeFields(ar, fields);
  value = Rect(fields[0], fields[1], fields[2], fields[3]);
}
// The count as a plain signed 32-bit number, then the elements. A count
// larger than the data fails at the end of the data, not by allocating it.
inline void SerializePayload(Archive& ar, IntArray& value) {
  std::int32_t count = static_cast<std::int32_t>(ArraySize(value));
  if (ar.IsStoring()) {
    if (ArraySize(value) > INT32_MAX) RaiseInvalidArgument();
    ar << count;
    for (std::size_t i = 0; i < ArraySize(value); ++i)
      ar << static_cast<std::int32_t>(ArrayData(value)[i]);
    return;
  }
  ar >> count;
  if (count < 0) RaiseInvalidArgument();
  std::vector<int> elements;
  for (; count > 0; --count) {
    std::int32_t element = 0;
    ar >> element;
    elements.push_back(element);
  }
  AssignArray(value, elements.data(), elements.size());
}

}  // namespace kxvm::detail

// The base of the eight kinds: a value's name. A value that an archive
// stored without a kind of its own is one of these.
class MWSettingsValue : public kxvm::Object {
  KXVM_DECLARE_SERIAL(MWSettingsValue)

 public:
  MWSettingsValue() = default;
  ~MWSettingsValue() override {
    // A host that deletes a key's value only lets go of its own object.
    if (m_value) kxvm_value_set_user_data(m_value, nullptr, nullptr);
  }
  MWSettingsValue(const MWSettingsValue&) = delete;
  MWSettingsValue& operator=(const MWSettingsValue&) = delete;

  kxvm::Text GetName() const {
    Refresh();
    return m_strName;
  }

  // The name in the archive's text form, then the kind's payload. Loading
  // into a key's value changes it in the key.
  void Serialize(kxvm::Archive& ar) override {
    if (ar.IsStoring()) {
      Refresh();
      ar << m_strName;
      SerializePayload(ar);
    } else {
      ar >> m_strName;
      SerializePayload(ar);
      Publish();
    }
  }

  // The library's handle of the value a key holds, or null for a value of
  // the host's own.
  kxvm_value* GetHandle() const noexcept { return m_value; }

 protected:
  explicit MWSettingsValue(const kxvm::Text& name) : m_strName(name) {}

  virtual void SerializePayload(kxvm::Archive&) {}

  // A key's value: its name and payload read from the library.
  void Refresh() const {
    if (!m_value) return;
    kxvm::detail::Owned<std::uint8_t> form;
    std::size_t size = 0;
    kxvm::detail::Check(kxvm_value_form(m_value, form.Receive(), &size));
    auto* self = const_cast<MWSettingsValue*>(this);
    kxvm::detail::LoadedBytes(form.Get(), size, [self](kxvm::Archive& ar) {
      ar >> self->m_strName;
      self->SerializePayload(ar);
    });
  }
  // A key's value: this object's name and payload written to the library.
  void Publish() {
    if (!m_value) return;
    const std::vector<std::uint8_t> form = Form();
    kxvm::detail::Check(kxvm_value_set_form(m_value, form.data(), form.size()));
  }

  kxvm::Text m_strName;

 private:
  friend class MWSettingsKey;
#if !KXVM_FRAMEWORK_TYPES
  friend class kxvm::CArchive;
#endif

  // The kind (KXVM_KIND_*) of this object's class.
  std::int32_t Kind() const;
  // A new object of that kind, or null for an unknown kind.
  static MWSettingsValue* Make(std::int32_t kind);
  // The object standing for a value that a key holds, made on first sight
  // and deleted by the library with the value.
  static MWSettingsValue* Of(kxvm_value* value) {
    void* data = nullptr;
    kxvm::detail::Check(kxvm_value_user_data(value, &data));
    if (data) return static_cast<MWSettingsValue*>(data);
    std::int32_t kind = KXVM_KIND_UNTYPED;
    kxvm::detail::Check(kxvm_value_kind(value, &kind));
    MWSettingsValue* object = Make(kind);
    if (!object) object = new MWSettingsValue;
    object->m_value = value;
    kxvm_value_set_user_data(value, object, &MWSettingsValue::Release);
    return object;
  }
  static void KXVM_CALL Release(void* object) noexcept {
    auto* value = static_cast<MWSettingsValue*>(object);
    value->m_value = nullptr;
    delete value;
  }
  // The name and payload in the archive form (kxvm.h, kxvm_key_add_form).
  std::vector<std::uint8_t> Form() {
    return kxvm::detail::StoredBytes([this](kxvm::Archive& ar) {
      ar << m_strName;
      SerializePayload(ar);
    });
  }

  kxvm_value* m_value = nullptr;
};
KXVM_IMPLEMENT_SERIAL(MWSettingsValue, KXVM_OBJECT_RECORD)

// The eight kinds, with the registry form each is stored in. The
// parameterless constructor is the archive's factory.
#define KXVM_VALUE_KIND(Class, Payload, Member, Initial)                                 \
  class Class : public MWSettingsValue {                                                 \
    KXVM_DECLARE_SERIAL(Class)                                                           \
                                                                                         \
   public:                                                                               \
    Class() = default;                                                                   \
    Class(const kxvm::Text& name, const Payload& value) : MWSettingsValue(name) {        \
      kxvm::detail::Assign(Member, value);                                               \
    }                                                                                    \
    void GetValue(Payload& value) const {                                                \
      Refresh();                                                                         \
      kxvm::detail::Assign(value, Member);                                               \
    }                                                                                    \
    void SetValue(const Payload& value) {                                                \
      Refresh();                                                                         \
      kxvm::detail::Assign(Member, value);                                               \
      Publish();                                                                         \
    }                                                                                    \
                                                                                         \
   protected:                                                                            \
    void SerializePayload(kxvm::Archive& ar) override {                                  \
      kxvm::detail::SerializePayload(ar, Member);                                        \
    }                                                                                    \
    Payload Member Initial;                                                              \
  };                                                                                     \
  KXVM_IMPLEMENT_SERIAL(Class, KXVM_RECORD(MWSettingsValue))

KXVM_VALUE_KIND(MWIntValue, int, m_nValue, = 0)                            // REG_DWORD
KXVM_VALUE_KIND(MWColorValue, COLORREF, m_crValue, = 0)                    // REG_DWORD
KXVM_VALUE_KIND(MWDoubleValue, double, m_dValue, = 0.0)                    // REG_BINARY, 8 bytes
KXVM_VALUE_KIND(MWStringValue, kxvm::Text, m_strValue, )                   // REG_SZ
KXVM_VALUE_KIND(MWPointValue, kxvm::Point, m_ptValue, = kxvm::Point(0, 0))  // REG_SZ "x y"
KXVM_VALUE_KIND(MWRectValue, kxvm::Rect, m_rcValue, = kxvm::Rect(0, 0, 0, 0))  // REG_SZ "l t r b"
KXVM_VALUE_KIND(MWTimeValue, kxvm::Time, m_timeValue, = kxvm::Time(0))     // REG_SZ seconds
KXVM_VALUE_KIND(MWIntArrayValue, kxvm::IntArray, m_arrValue, )             // REG_BINARY
#undef KXVM_VALUE_KIND

namespace kxvm::detail {
// The class of each kind, by its KXVM_KIND_* number.
inline RuntimeClassRecord* KindRecord(std::int32_t kind) {
  RuntimeClassRecord* const records[] = {
      &MWSettingsValue::classMWSettingsValue, &MWIntValue::classMWIntValue,
      &MWColorValue::classMWColorValue,       &MWDoubleValue::classMWDoubleValue,
      &MWStringValue::classMWStringValue,     &MWPointValue::classMWPointValue,
      &MWRectValue::classMWRectValue,         &MWTimeValue::classMWTimeValue,
      &MWIntArrayValue::classMWIntArrayValue};
  return kind >= KXVM_KIND_UNTYPED && kind <= KXVM_KIND_INT_ARRAY ? records[kind] : nullptr;
}
}  // namespace kxvm::detail

inline std::int32_t MWSettingsValue::Kind() const {
  for (std::int32_t kind = KXVM_KIND_INT; kind <= KXVM_KIND_INT_ARRAY; ++kind)
    if (GetRuntimeClass() == kxvm::detail::KindRecord(kind)) return kind;
  return KXVM_KIND_UNTYPED;
}

inline MWSettingsValue* MWSettingsValue::Make(std::int32_t kind) {
  kxvm::RuntimeClassRecord* record = kxvm::detail::KindRecord(kind);
  return record ? static_cast<MWSettingsValue*>(record->CreateObject()) : nullptr;
}

// The key, and the archive's object reads and writes, which need both.
#include "MWSettingsKey.h"

#endif  // KXVM_MWSETTINGSVALUE_H
