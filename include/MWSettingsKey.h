// A settings key: a registry key (root and path) with the typed values and
// child keys declared for it, loaded from or saved to the registry as a whole.
//
// The key lives in the library; this object is its owner on the host's side.
// A key added to another (AddKey) or found in one (FindKey) belongs to that
// parent from then on: the pointer stays valid until the parent is destroyed
// or an archive read into the parent replaces that child. Save and Load run
// inside the library: a class derived from MWSettingsKey can override them
// for its own calls, but a parent that saves or loads its children runs the
// library's own.
#ifndef KXVM_MWSETTINGSKEY_H
#define KXVM_MWSETTINGSKEY_H

#include "MWSettingsValue.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class MWSettingsKey : public kxvm::Object {
  KXVM_DECLARE_SERIAL(MWSettingsKey)

 public:
  MWSettingsKey() : MWSettingsKey(kxvm::Text(), kxvm::Text()) {}
  MWSettingsKey(const kxvm::Text& name, const kxvm::Text& path) {
    kxvm::detail::Check(
        kxvm_key_create(kxvm::TextData(name), kxvm::TextData(path), &m_key));
    kxvm_key_set_user_data(m_key, this, nullptr);
  }
  // Deletes every child.
  ~MWSettingsKey() override {
    if (m_owned) {
      kxvm_key_destroy(m_key);
    } else if (m_key) {
      // A host that deletes a key another holds only lets go of its object.
      kxvm_key_set_user_data(m_key, nullptr, nullptr);
    }
  }
  MWSettingsKey(const MWSettingsKey&) = delete;
  MWSettingsKey& operator=(const MWSettingsKey&) = delete;

  // Storing: the children as a list of objects. Loading: only the names
  // declared here are taken from the archive; a loaded child replaces the
  // declared one of its name, undeclared names are discarded, the rest is
  // kept. A read that fails leaves the key as it was.
  void Serialize(kxvm::Archive& ar) override;
  // Every child is attempted; 1 when all succeeded.
  virtual int Save() { return Result(kxvm_key_save); }
  virtual int Load() { return Result(kxvm_key_load); }

  // Returns the previous root. The key never closes a root.
  HKEY SetRoot(HKEY root) {
    HKEY previous = nullptr;
    kxvm::detail::Check(kxvm_key_set_root(m_key, root, &previous));
    return previous;
  }
  kxvm::Text GetName() const {
    return kxvm::detail::TextOf([this](wchar_t** name) { return kxvm_key_name(m_key, name); });
  }

  // Each declaration goes to the front; a later one shadows an earlier one of
  // the same name.
  void AddValue(const kxvm::Text& name, const kxvm::Text& value) {
    Check(kxvm_key_add_text(m_key, Name(name), kxvm::TextData(value), kxvm::TextLength(value)));
  }
  void AddValue(const kxvm::Text& name, const kxvm::IntArray& value) {
    Check(kxvm_key_add_int_array(m_key, Name(name), kxvm::ArrayData(value), kxvm::ArraySize(value)));
  }
  void AddValue(const kxvm::Text& name, int value) { Check(kxvm_key_add_int(m_key, Name(name), value)); }
  void AddValue(const kxvm::Text& name, COLORREF value) {
    Check(kxvm_key_add_color(m_key, Name(name), value));
  }
  void AddValue(const kxvm::Text& name, double value) {
    Check(kxvm_key_add_double(m_key, Name(name), value));
  }
  void AddValue(const kxvm::Text& name, const kxvm::Point& value) {
    Check(kxvm_key_add_point(m_key, Name(name), value.x, value.y));
  }
  void AddValue(const kxvm::Text& name, const kxvm::Rect& value) {
    Check(kxvm_key_add_rect(m_key, Name(name), value.left, value.top, value.right, value.bottom));
  }
  void AddValue(const kxvm::Text& name, const kxvm::Time& value) {
    Check(kxvm_key_add_time(m_key, Name(name), value.GetTime()));
  }
  // Adopts the key (null is ignored). The parent owns it in every case: a
  // key that cannot be adopted is deleted, and the refusal raised.
  void AddKey(MWSettingsKey* key) { AddKey(std::unique_ptr<MWSettingsKey>(key)); }
  void AddKey(std::unique_ptr<MWSettingsKey> key) {
    if (!key) return;
    kxvm::detail::Check(kxvm_key_add_key(m_key, key->m_key));
    key->m_owned = false;
    kxvm_key_set_user_data(key->m_key, key.get(), &MWSettingsKey::Release);
    key.release();
  }

  // Depth-first from the front; names compare exactly. The key keeps
  // ownership of what they return.
  MWSettingsValue* FindValue(const kxvm::Text& name) {
    kxvm_value* value = nullptr;
    if (Check(kxvm_key_find_value(m_key, Name(name), &value)) != KXVM_OK) return nullptr;
    return MWSettingsValue::Of(value);
  }
  MWSettingsKey* FindKey(const kxvm::Text& name) {
    kxvm_key* found = nullptr;
    if (Check(kxvm_key_find_key(m_key, Name(name), &found)) != KXVM_OK) return nullptr;
    return Borrowed(found);
  }

  // Through FindValue; nothing happens unless the value found is of the kind.
  void GetValue(const kxvm::Text& name, int& value) {
    std::int32_t v = 0;
    if (Check(kxvm_key_get_int(m_key, Name(name), &v)) == KXVM_OK) value = v;
  }
  void GetValue(const kxvm::Text& name, COLORREF& value) {
    std::uint32_t v = 0;
    if (Check(kxvm_key_get_color(m_key, Name(name), &v)) == KXVM_OK) value = v;
  }
  void GetValue(const kxvm::Text& name, double& value) {
    Check(kxvm_key_get_double(m_key, Name(name), &value));
  }
  void GetValue(const kxvm::Text& name, kxvm::Text& value) {
    kxvm::detail::Owned<wchar_t> text;
    std::size_t length = 0;
    if (Check(kxvm_key_get_text(m_key, Name(name), text.Receive(), &length)) == KXVM_OK)
      value = kxvm::MakeText(text.Get() ? text.Get() : L"", length);
  }
  void GetValue(const kxvm::Text& name, kxvm::IntArray& value) {
    kxvm::detail::Owned<std::int32_t> values;
    std::size_t count = 0;
    if (Check(kxvm_key_get_int_array(m_key, Name(name), values.Receive(), &count)) == KXVM_OK)
      kxvm::AssignArray(value, values.Get(), count);
  }
  void GetValue(const kxvm::Text& name, kxvm::Point& value) {
    std::int32_t x = 0, y = 0;
    if (Check(kxvm_key_get_point(m_key, Name(name), &x, &y)) == KXVM_OK)
      value = kxvm::Point(x, y);
  }
  void GetValue(const kxvm::Text& name, kxvm::Rect& value) {
    std::int32_t l = 0, t = 0, r = 0, b = 0;
    if (Check(kxvm_key_get_rect(m_key, Name(name), &l, &t, &r, &b)) == KXVM_OK)
      value = kxvm::Rect(l, t, r, b);
  }
  void GetValue(const kxvm::Text& name, kxvm::Time& value) {
    std::int64_t seconds = 0;
    if (Check(kxvm_key_get_time(m_key, Name(name), &seconds)) == KXVM_OK)
      value = kxvm::Time(seconds);
  }
  // In memory only, until Save.
  void SetValue(const kxvm::Text& name, int value) {
    Check(kxvm_key_set_int(m_key, Name(name), value));
  }
  void SetValue(const kxvm::Text& name, COLORREF value) {
    Check(kxvm_key_set_color(m_key, Name(name), value));
  }
  void SetValue(const kxvm::Text& name, double value) {
    Check(kxvm_key_set_double(m_key, Name(name), value));
  }
  void SetValue(const kxvm::Text& name, const kxvm::Text& value) {
    Check(kxvm_key_set_text(m_key, Name(name), kxvm::TextData(value), kxvm::TextLength(value)));
  }
  void SetValue(const kxvm::Text& name, const kxvm::IntArray& value) {
    Check(kxvm_key_set_int_array(m_key, Name(name), kxvm::ArrayData(value), kxvm::ArraySize(value)));
  }
  void SetValue(const kxvm::Text& name, const kxvm::Point& value) {
    Check(kxvm_key_set_point(m_key, Name(name), value.x, value.y));
  }
  void SetValue(const kxvm::Text& name, const kxvm::Rect& value) {
    Check(kxvm_key_set_rect(m_key, Name(name), value.left, value.top, value.right, value.bottom));
  }
  void SetValue(const kxvm::Text& name, const kxvm::Time& value) {
    Check(kxvm_key_set_time(m_key, Name(name), value.GetTime()));
  }

  // root\path with KEY_ALL_ACCESS, or KEY_READ when readOnly; created when
  // create is non-zero. Null on failure; the caller closes the handle.
  HKEY OpenRegistryKey(int create, int readOnly) {
    HKEY key = nullptr;
    kxvm::detail::Check(kxvm_key_open_registry_key(m_key, create, readOnly, &key));
    return key;
  }

  // The key of the C interface, for hosts that mix both.
  kxvm_key* GetHandle() const noexcept { return m_key; }

 private:
#if !KXVM_FRAMEWORK_TYPES
  friend class kxvm::CArchive;
#endif

  // The owner of a key the library made (from an archive), or the object of
  // one a parent holds.
  MWSettingsKey(kxvm_key* key, bool owned) noexcept : m_key(key), m_owned(owned) {}

  // The object of a key that a parent holds, made on first sight and
  // deleted by the library with the key.
  static MWSettingsKey* Borrowed(kxvm_key* key) {
    void* data = nullptr;
    kxvm::detail::Check(kxvm_key_user_data(key, &data));
    if (data) return static_cast<MWSettingsKey*>(data);
    auto* borrowed = new MWSettingsKey(key, false);
    kxvm_key_set_user_data(key, borrowed, &MWSettingsKey::Release);
    return borrowed;
  }
  static void KXVM_CALL Release(void* object) noexcept {
    Detach(object);
    delete static_cast<MWSettingsKey*>(object);
  }
  // The library deleted the key of an object that lives on elsewhere.
  static void KXVM_CALL Detach(void* object) noexcept {
    static_cast<MWSettingsKey*>(object)->m_key = nullptr;
  }
  // A key the library made, owned by a new object.
  static MWSettingsKey* Adopt(kxvm_key* key) {
    MWSettingsKey* object = nullptr;
    try {
      object = new MWSettingsKey(key, true);
    } catch (...) {
      kxvm_key_destroy(key);
      throw;
    }
    kxvm_key_set_user_data(key, object, nullptr);
    return object;
  }

  static const wchar_t* Name(const kxvm::Text& name) { return kxvm::TextData(name); }
  static std::int32_t Check(std::int32_t result) { return kxvm::detail::Check(result); }
  int Result(std::int32_t(KXVM_CALL* call)(kxvm_key*, std::int32_t*)) {
    std::int32_t result = 0;
    Check(call(m_key, &result));
    return result;
  }

  kxvm_key* m_key = nullptr;
  bool m_owned = true;
#if KXVM_FRAMEWORK_TYPES
  std::vector<std::unique_ptr<CObject>> m_read;  // what Serialize read through the framework
#endif
};
KXVM_IMPLEMENT_SERIAL(MWSettingsKey, KXVM_OBJECT_RECORD)

#if KXVM_FRAMEWORK_TYPES
// The framework's archive numbers classes and objects itself, so the key
// writes and reads its children through it, object by object, and the
// library merges what was read.
inline void MWSettingsKey::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    std::size_t count = 0;
    Check(kxvm_key_child_count(m_key, &count));
    ar.WriteCount(static_cast<DWORD_PTR>(count));
    for (std::size_t i = 0; i < count; ++i) {
      kxvm_key* key = nullptr;
      kxvm_value* value = nullptr;
      Check(kxvm_key_child(m_key, i, &key, &value));
      if (key) {
        ar << Borrowed(key);
      } else {
        ar << MWSettingsValue::Of(value);
      }
    }
    return;
  }
  // The framework's archive hands out an object it read before again where
  // its bytes refer back to it: such a value is taken as a copy, such a key
  // (which cannot have two parents) is refused. The objects read anew stay
  // alive with this key, as later references in the archive may name them.
  struct Scope {
    CObject* outer = kxvm::detail::t_created;
    ~Scope() { kxvm::detail::t_created = outer; }
  } scope;
  std::vector<std::unique_ptr<CObject>> fresh;
  std::vector<CObject*> children;
  for (DWORD_PTR count = ar.ReadCount(); count > 0; --count) {
    kxvm::detail::t_created = nullptr;
    CObject* child = ar.ReadObject(nullptr);
    if (!child) continue;
    if (child == kxvm::detail::t_created) fresh.emplace_back(child);
    children.push_back(child);
  }
  // The loaded children in their order, under a key of their own until the
  // merge; a failure on the way leaves this key as it was.
  MWSettingsKey loaded;
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    const bool isFresh = !fresh.empty() && std::any_of(fresh.begin(), fresh.end(), [&](const auto& f) {
      return f.get() == *child;
    });
    if ((*child)->IsKindOf(RUNTIME_CLASS(MWSettingsKey)) && isFresh) {
      auto* key = static_cast<MWSettingsKey*>(*child);
      Check(kxvm_key_add_key(loaded.m_key, key->m_key));
      key->m_owned = false;
      kxvm_key_set_user_data(key->m_key, key, &MWSettingsKey::Detach);
    } else if ((*child)->IsKindOf(RUNTIME_CLASS(MWSettingsValue))) {
      auto& value = static_cast<MWSettingsValue&>(**child);
      value.Refresh();
      const std::vector<std::uint8_t> form = value.Form();
      Check(kxvm_key_add_form(loaded.m_key, value.Kind(), form.data(), form.size()));
    } else {
      kxvm::detail::RaiseArchive((*child)->IsKindOf(RUNTIME_CLASS(MWSettingsKey))
                                     ? KXVM_ARCHIVE_CAUSE_BAD_INDEX
                                     : KXVM_ARCHIVE_CAUSE_BAD_CLASS);
    }
  }
  Check(kxvm_key_merge(m_key, loaded.m_key));
  for (auto& object : fresh) m_read.push_back(std::move(object));
}
#else
inline void MWSettingsKey::Serialize(kxvm::CArchive& ar) {
  ar.Stored(kxvm_key_serialize(m_key, ar.GetHandle()));
}

inline void kxvm::CArchive::WriteObject(const CObject* object) {
  if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly);
  if (!object) {
    Stored(kxvm_archive_write_key(handle_, nullptr));
  } else if (object->IsKindOf(RUNTIME_CLASS(MWSettingsKey))) {
    Stored(kxvm_archive_write_key(handle_, static_cast<const MWSettingsKey*>(object)->m_key));
  } else if (object->IsKindOf(RUNTIME_CLASS(MWSettingsValue))) {
    auto& value = const_cast<MWSettingsValue&>(static_cast<const MWSettingsValue&>(*object));
    value.Refresh();
    const std::vector<std::uint8_t> form = value.Form();
    Stored(kxvm_archive_write_form(handle_, value.Kind(), form.data(), form.size()));
  } else {
    throw CArchiveException(CArchiveException::badClass);
  }
}

inline std::unique_ptr<kxvm::CObject> kxvm::CArchive::ReadObject(const CRuntimeClass* required) {
  std::int32_t kind = KXVM_KIND_NONE;
  kxvm_key* key = nullptr;
  detail::Owned<std::uint8_t> form;
  std::size_t size = 0;
  detail::Check(kxvm_archive_read_object(handle_, &kind, &key, form.Receive(), &size));
  std::unique_ptr<CObject> object;
  if (kind == KXVM_KIND_KEY) {
    object.reset(MWSettingsKey::Adopt(key));
  } else if (kind != KXVM_KIND_NONE) {
    std::unique_ptr<MWSettingsValue> value(MWSettingsValue::Make(kind));
    if (!value) throw CArchiveException(CArchiveException::badClass);
    detail::LoadedBytes(form.Get(), size, [&value](CArchive& ar) {
      ar >> value->m_strName;
      value->SerializePayload(ar);
    });
    object = std::move(value);
  }
  if (object && required && !object->IsKindOf(required))
    throw CArchiveException(CArchiveException::badClass);
  return object;
}
#endif

#endif  // KXVM_MWSETTINGSKEY_H
