// Typed setting values, as a host reaches them: through the settings key
// that owns them (MWSettingsKey::FindValue), one class per kind.
//
// A value lives in the library, owned by its key; what FindValue returns is
// the key's view of the value of that name, which reads and changes it.
// Declaring a value is the key's AddValue; saving, loading and archiving
// values is the key's Save, Load and Serialize, for all its values at once.
// Values are not made, saved, loaded or archived on their own.
#ifndef KXVM_MWSETTINGSVALUE_H
#define KXVM_MWSETTINGSVALUE_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/c_interface.h"
#include "framework/geometry.h"
#include "framework/object.h"

namespace kxvm {
namespace detail {

// One overload per kind, shared by the key and the views: add a value,
// read the payload of the value a name finds (false when it is not of
// that kind), replace it.
inline void Add(kxvm_key* k, const wchar_t* n, int v) { Check(kxvm_key_add_int(k, n, v)); }
inline void Add(kxvm_key* k, const wchar_t* n, COLORREF v) { Check(kxvm_key_add_color(k, n, v)); }
inline void Add(kxvm_key* k, const wchar_t* n, double v) { Check(kxvm_key_add_double(k, n, v)); }
inline void Add(kxvm_key* k, const wchar_t* n, const std::wstring& v) {
  Check(kxvm_key_add_text(k, n, v.data(), v.size()));
}
inline void Add(kxvm_key* k, const wchar_t* n, const CPoint& v) {
  Check(kxvm_key_add_point(k, n, v.x, v.y));
}
inline void Add(kxvm_key* k, const wchar_t* n, const CRect& v) {
  Check(kxvm_key_add_rect(k, n, v.left, v.top, v.right, v.bottom));
}
inline void Add(kxvm_key* k, const wchar_t* n, const CTime& v) {
  Check(kxvm_key_add_time(k, n, v.GetTime()));
}
inline void Add(kxvm_key* k, const wchar_t* n, const std::vector<int>& v) {
  Check(kxvm_key_add_int_array(k, n, v.data(), v.size()));
}

inline bool Get(kxvm_key* k, const wchar_t* n, int& v) {
  std::int32_t x = 0;
  if (Check(kxvm_key_get_int(k, n, &x)) != KXVM_OK) return false;
  v = x;
  return true;
}
inline bool Get(kxvm_key* k, const wchar_t* n, COLORREF& v) {
  std::uint32_t x = 0;
  if (Check(kxvm_key_get_color(k, n, &x)) != KXVM_OK) return false;
  v = x;
  return true;
}
inline bool Get(kxvm_key* k, const wchar_t* n, double& v) {
  return Check(kxvm_key_get_double(k, n, &v)) == KXVM_OK;
}
inline bool Get(kxvm_key* k, const wchar_t* n, std::wstring& v) {
  Owned<wchar_t> text;
  std::size_t length = 0;
  if (Check(kxvm_key_get_text(k, n, text.Receive(), &length)) != KXVM_OK) return false;
  v.assign(text.Get() ? text.Get() : L"", length);
  return true;
}
inline bool Get(kxvm_key* k, const wchar_t* n, CPoint& v) {
  CPoint x;
  if (Check(kxvm_key_get_point(k, n, &x.x, &x.y)) != KXVM_OK) return false;
  v = x;
  return true;
}
inline bool Get(kxvm_key* k, const wchar_t* n, CRect& v) {
  CRect x;
  if (Check(kxvm_key_get_rect(k, n, &x.left, &x.top, &x.right, &x.bottom)) != KXVM_OK) return false;
  v = x;
  return true;
}
inline bool Get(kxvm_key* k, const wchar_t* n, CTime& v) {
  std::int64_t seconds = 0;
  if (Check(kxvm_key_get_time(k, n, &seconds)) != KXVM_OK) return false;
  v = CTime(seconds);
  return true;
}
inline bool Get(kxvm_key* k, const wchar_t* n, std::vector<int>& v) {
  Owned<std::int32_t> values;
  std::size_t count = 0;
  if (Check(kxvm_key_get_int_array(k, n, values.Receive(), &count)) != KXVM_OK) return false;
  v.assign(values.Get(), values.Get() + count);
  return true;
}

inline void Set(kxvm_key* k, const wchar_t* n, int v) { Check(kxvm_key_set_int(k, n, v)); }
inline void Set(kxvm_key* k, const wchar_t* n, COLORREF v) { Check(kxvm_key_set_color(k, n, v)); }
inline void Set(kxvm_key* k, const wchar_t* n, double v) { Check(kxvm_key_set_double(k, n, v)); }
inline void Set(kxvm_key* k, const wchar_t* n, const std::wstring& v) {
  Check(kxvm_key_set_text(k, n, v.data(), v.size()));
}
inline void Set(kxvm_key* k, const wchar_t* n, const CPoint& v) {
  Check(kxvm_key_set_point(k, n, v.x, v.y));
}
inline void Set(kxvm_key* k, const wchar_t* n, const CRect& v) {
  Check(kxvm_key_set_rect(k, n, v.left, v.top, v.right, v.bottom));
}
inline void Set(kxvm_key* k, const wchar_t* n, const CTime& v) {
  Check(kxvm_key_set_time(k, n, v.GetTime()));
}
inline void Set(kxvm_key* k, const wchar_t* n, const std::vector<int>& v) {
  Check(kxvm_key_set_int_array(k, n, v.data(), v.size()));
}

}  // namespace detail
}  // namespace kxvm

// The base of the eight kinds: a value's name and its class. A value that
// an archive stored without a kind of its own is one of these.
class MWSettingsValue : public CObject {
 public:
  const CRuntimeClass* GetRuntimeClass() const override { return &classMWSettingsValue; }
  static const CRuntimeClass classMWSettingsValue;

  MWSettingsValue(const MWSettingsValue&) = delete;
  MWSettingsValue& operator=(const MWSettingsValue&) = delete;

  std::wstring GetName() const { return m_strName; }

 protected:
  // A view of the value that name finds in key.
  MWSettingsValue(kxvm_key* key, std::wstring name) : m_key(key), m_strName(std::move(name)) {}

  // The payload when the value is still of this kind; otherwise unchanged.
  template <class T>
  void Read(T& value) const {
    kxvm::detail::Get(m_key, m_strName.c_str(), value);
  }
  template <class T>
  void Write(const T& value) {
    kxvm::detail::Set(m_key, m_strName.c_str(), value);
  }

 private:
  friend class MWSettingsKey;
  static std::unique_ptr<MWSettingsValue> View(kxvm_key* key, const std::wstring& name,
                                               std::int32_t kind);

  kxvm_key* m_key;
  std::wstring m_strName;
};

// The eight kinds, with the registry form each is stored in.
#define KXVM_VALUE_KIND(Class, Payload, ConstPayload)                                        \
  class Class : public MWSettingsValue {                                                     \
   public:                                                                                   \
    const CRuntimeClass* GetRuntimeClass() const override { return &class##Class; }          \
    static const CRuntimeClass class##Class;                                                 \
    void GetValue(Payload& value) const { Read(value); }                                     \
    void SetValue(ConstPayload value) { Write(value); }                                      \
                                                                                             \
   private:                                                                                  \
    friend class MWSettingsValue;                                                            \
    using MWSettingsValue::MWSettingsValue;                                                  \
  };                                                                                         \
  inline const CRuntimeClass Class::class##Class = {#Class, static_cast<int>(sizeof(Class)), \
                                                    VERSIONABLE_SCHEMA | 1, nullptr,         \
                                                    &MWSettingsValue::classMWSettingsValue};

inline const CRuntimeClass MWSettingsValue::classMWSettingsValue = {
    "MWSettingsValue", static_cast<int>(sizeof(MWSettingsValue)), VERSIONABLE_SCHEMA | 1, nullptr,
    &CObject::classCObject};

KXVM_VALUE_KIND(MWIntValue, int, int)                                        // REG_DWORD
KXVM_VALUE_KIND(MWColorValue, COLORREF, COLORREF)                            // REG_DWORD
KXVM_VALUE_KIND(MWDoubleValue, double, double)                               // REG_BINARY, 8 bytes
KXVM_VALUE_KIND(MWStringValue, std::wstring, const std::wstring&)            // REG_SZ
KXVM_VALUE_KIND(MWPointValue, CPoint, const CPoint&)                         // REG_SZ "x y"
KXVM_VALUE_KIND(MWRectValue, CRect, const CRect&)                            // REG_SZ "l t r b"
KXVM_VALUE_KIND(MWTimeValue, CTime, const CTime&)                            // REG_SZ seconds
KXVM_VALUE_KIND(MWIntArrayValue, std::vector<int>, const std::vector<int>&)  // REG_BINARY
#undef KXVM_VALUE_KIND

inline std::unique_ptr<MWSettingsValue> MWSettingsValue::View(kxvm_key* key,
                                                              const std::wstring& name,
                                                              std::int32_t kind) {
  switch (kind) {
    case KXVM_KIND_INT:
      return std::unique_ptr<MWSettingsValue>(new MWIntValue(key, name));
    case KXVM_KIND_COLOR:
      return std::unique_ptr<MWSettingsValue>(new MWColorValue(key, name));
    case KXVM_KIND_DOUBLE:
      return std::unique_ptr<MWSettingsValue>(new MWDoubleValue(key, name));
    case KXVM_KIND_TEXT:
      return std::unique_ptr<MWSettingsValue>(new MWStringValue(key, name));
    case KXVM_KIND_POINT:
      return std::unique_ptr<MWSettingsValue>(new MWPointValue(key, name));
    case KXVM_KIND_RECT:
      return std::unique_ptr<MWSettingsValue>(new MWRectValue(key, name));
    case KXVM_KIND_TIME:
      return std::unique_ptr<MWSettingsValue>(new MWTimeValue(key, name));
    case KXVM_KIND_INT_ARRAY:
      return std::unique_ptr<MWSettingsValue>(new MWIntArrayValue(key, name));
    default:
      return std::unique_ptr<MWSettingsValue>(new MWSettingsValue(key, name));
  }
}

#endif  // KXVM_MWSETTINGSVALUE_H
