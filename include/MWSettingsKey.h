// A settings key: a registry key (root and path) with the typed values and
// child keys declared for it, loaded from or saved to the registry as a whole.
//
// The key lives in the library; this object is its owner on the host's side.
// A key added to another (AddKey) or found in one (FindKey) belongs to that
// parent from then on, as before: the pointer stays valid until the parent
// is destroyed or an archive read into the parent replaces that child.
// Save and Load run inside the library: a class derived from MWSettingsKey
// can override them for its own calls, but a parent that saves or loads its
// children runs the library's own.
#ifndef KXVM_MWSETTINGSKEY_H
#define KXVM_MWSETTINGSKEY_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MWSettingsValue.h"
#include "framework/archive.h"
#include "framework/c_interface.h"
#include "framework/geometry.h"
#include "framework/object.h"

class MWSettingsKey : public CObject {
 public:
  MWSettingsKey() : MWSettingsKey(std::wstring(), std::wstring()) {}
  MWSettingsKey(std::wstring name, std::wstring path) {
    kxvm::detail::Check(kxvm_key_create(name.c_str(), path.c_str(), &m_key));
    kxvm_key_set_user_data(m_key, this, nullptr);
  }
  // Deletes every child.
  ~MWSettingsKey() override {
    if (m_owned) kxvm_key_destroy(m_key);
  }
  MWSettingsKey(const MWSettingsKey&) = delete;
  MWSettingsKey& operator=(const MWSettingsKey&) = delete;

  const CRuntimeClass* GetRuntimeClass() const override { return &classMWSettingsKey; }
  static const CRuntimeClass classMWSettingsKey;
  static CObject* CreateObject() { return new MWSettingsKey; }

  // Storing: the children as a list of objects. Loading: only the names
  // declared here are taken from the archive; a loaded child replaces the
  // declared one of its name, undeclared names are discarded, the rest is
  // kept. A read that fails leaves the key as it was.
  void Serialize(CArchive& ar) override { ar.Stored(kxvm_key_serialize(m_key, ar.GetHandle())); }
  // Every child is attempted; 1 when all succeeded.
  virtual int Save() { return Result(kxvm_key_save); }
  virtual int Load() { return Result(kxvm_key_load); }

  // Returns the previous root. The key never closes a root.
  HKEY SetRoot(HKEY root) {
    HKEY previous = nullptr;
    kxvm::detail::Check(kxvm_key_set_root(m_key, root, &previous));
    return previous;
  }
  std::wstring GetName() const {
    return kxvm::detail::TextOf([this](wchar_t** name) { return kxvm_key_name(m_key, name); });
  }

  // Each declaration goes to the front; a later one shadows an earlier one of
  // the same name.
  void AddValue(const std::wstring& name, const std::wstring& value) { Add(name, value); }
  void AddValue(const std::wstring& name, const std::vector<int>& value) { Add(name, value); }
  void AddValue(const std::wstring& name, int value) { Add(name, value); }
  void AddValue(const std::wstring& name, COLORREF value) { Add(name, value); }
  void AddValue(const std::wstring& name, double value) { Add(name, value); }
  void AddValue(const std::wstring& name, const CPoint& value) { Add(name, value); }
  void AddValue(const std::wstring& name, const CRect& value) { Add(name, value); }
  void AddValue(const std::wstring& name, const CTime& value) { Add(name, value); }
  // Adopts the key (null is ignored).
  void AddKey(std::unique_ptr<MWSettingsKey> key) {
    if (!key) return;
    kxvm::detail::Check(kxvm_key_add_key(m_key, key->m_key));
    key->m_owned = false;
    kxvm_key_set_user_data(key->m_key, key.get(), &MWSettingsKey::Release);
    key.release();
  }

  // Depth-first from the front; names compare exactly. The key keeps
  // ownership. A value is the key's view of the value that name finds.
  MWSettingsValue* FindValue(const std::wstring& name) {
    std::int32_t kind = 0;
    if (kxvm::detail::Check(kxvm_key_value_kind(m_key, name.c_str(), &kind)) != KXVM_OK)
      return nullptr;
    std::unique_ptr<MWSettingsValue>& view = m_views[{name, kind}];
    if (!view) view = MWSettingsValue::View(m_key, name, kind);
    return view.get();
  }
  MWSettingsKey* FindKey(const std::wstring& name) {
    kxvm_key* found = nullptr;
    if (kxvm::detail::Check(kxvm_key_find_key(m_key, name.c_str(), &found)) != KXVM_OK)
      return nullptr;
    return Borrowed(found);
  }

  // Through FindValue; nothing happens unless the value found is of the kind.
  void GetValue(const std::wstring& name, int& value) { Get(name, value); }
  void GetValue(const std::wstring& name, COLORREF& value) { Get(name, value); }
  void GetValue(const std::wstring& name, double& value) { Get(name, value); }
  void GetValue(const std::wstring& name, std::wstring& value) { Get(name, value); }
  void GetValue(const std::wstring& name, std::vector<int>& value) { Get(name, value); }
  void GetValue(const std::wstring& name, CPoint& value) { Get(name, value); }
  void GetValue(const std::wstring& name, CRect& value) { Get(name, value); }
  void GetValue(const std::wstring& name, CTime& value) { Get(name, value); }
  // In memory only, until Save.
  void SetValue(const std::wstring& name, int value) { Set(name, value); }
  void SetValue(const std::wstring& name, COLORREF value) { Set(name, value); }
  void SetValue(const std::wstring& name, double value) { Set(name, value); }
  void SetValue(const std::wstring& name, const std::wstring& value) { Set(name, value); }
  void SetValue(const std::wstring& name, const std::vector<int>& value) { Set(name, value); }
  void SetValue(const std::wstring& name, const CPoint& value) { Set(name, value); }
  void SetValue(const std::wstring& name, const CRect& value) { Set(name, value); }
  void SetValue(const std::wstring& name, const CTime& value) { Set(name, value); }

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
  friend class CArchive;

  // The owner of a key the library made (from an archive), or the view of
  // one it holds.
  MWSettingsKey(kxvm_key* key, bool owned) noexcept : m_key(key), m_owned(owned) {}

  // The host's object of a key that a parent holds, made on first sight and
  // deleted by the library with the key.
  static MWSettingsKey* Borrowed(kxvm_key* key) {
    void* data = nullptr;
    kxvm::detail::Check(kxvm_key_user_data(key, &data));
    if (data) return static_cast<MWSettingsKey*>(data);
    auto* borrowed = new MWSettingsKey(key, false);
    kxvm_key_set_user_data(key, borrowed, &MWSettingsKey::Release);
    return borrowed;
  }
  static void KXVM_CALL Release(void* key) noexcept { delete static_cast<MWSettingsKey*>(key); }

  template <class T>
  void Add(const std::wstring& name, const T& value) {
    kxvm::detail::Add(m_key, name.c_str(), value);
  }
  template <class T>
  void Get(const std::wstring& name, T& value) {
    kxvm::detail::Get(m_key, name.c_str(), value);
  }
  template <class T>
  void Set(const std::wstring& name, const T& value) {
    kxvm::detail::Set(m_key, name.c_str(), value);
  }
  int Result(std::int32_t(KXVM_CALL* call)(kxvm_key*, std::int32_t*)) {
    std::int32_t result = 0;
    kxvm::detail::Check(call(m_key, &result));
    return result;
  }

  kxvm_key* m_key = nullptr;
  bool m_owned = true;
  std::map<std::pair<std::wstring, std::int32_t>, std::unique_ptr<MWSettingsValue>> m_views;
};

inline const CRuntimeClass MWSettingsKey::classMWSettingsKey = {
    "MWSettingsKey", static_cast<int>(sizeof(MWSettingsKey)), VERSIONABLE_SCHEMA | 1,
    &MWSettingsKey::CreateObject, &CObject::classCObject};

inline void CArchive::WriteObject(const CObject* object) {
  if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly);
  const kxvm_key* key = nullptr;
  if (object) {
    if (!object->IsKindOf(&MWSettingsKey::classMWSettingsKey))
      throw CArchiveException(CArchiveException::badClass);
    key = static_cast<const MWSettingsKey*>(object)->m_key;
  }
  Stored(kxvm_archive_write_key(handle_, key));
}

inline std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass* required) {
  kxvm_key* key = nullptr;
  kxvm::detail::Check(kxvm_archive_read_key(handle_, &key));
  if (!key) return nullptr;
  std::unique_ptr<MWSettingsKey> object;
  try {
    object.reset(new MWSettingsKey(key, true));
  } catch (...) {
    kxvm_key_destroy(key);
    throw;
  }
  kxvm_key_set_user_data(key, object.get(), nullptr);
  if (required && !object->IsKindOf(required)) throw CArchiveException(CArchiveException::badClass);
  return object;
}

#endif  // KXVM_MWSETTINGSKEY_H
