#include "settings/settings_key.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "framework/archive.h"

namespace kx {

namespace {

bool IsValue(const CObject& object) { return object.IsKindOf(KX_RUNTIME_CLASS(MWSettingsValue)); }
bool IsKey(const CObject& object) { return object.IsKindOf(KX_RUNTIME_CLASS(MWSettingsKey)); }

// A value's or key's own name; any other object has the empty name.
std::wstring ChildName(const CObject& child) {
  if (IsValue(child)) return static_cast<const MWSettingsValue&>(child).GetName();
  if (IsKey(child)) return static_cast<const MWSettingsKey&>(child).GetName();
  return {};
}

template <class List>
bool HasChildNamed(const List& children, const std::wstring& name) {
  for (const auto& child : children)
    if (ChildName(*child) == name) return true;
  return false;
}

}  // namespace

KX_IMPLEMENT_SERIAL(MWSettingsKey, CObject, VERSIONABLE_SCHEMA | 1)

MWSettingsKey::MWSettingsKey() : m_hRoot(HKEY_CURRENT_USER) {}

MWSettingsKey::MWSettingsKey(std::wstring name, std::wstring path)
    : m_strName(std::move(name)), m_strPath(std::move(path)), m_hRoot(HKEY_CURRENT_USER) {}

MWSettingsKey::~MWSettingsKey() { DeleteChildren(m_children); }

HKEY MWSettingsKey::SetRoot(HKEY root) { return std::exchange(m_hRoot, root); }

std::wstring MWSettingsKey::GetName() const { return m_strName; }

// ---------------------------------------------------------------- declaring

template <class Kind, class Payload>
void MWSettingsKey::AddTyped(const std::wstring& name, const Payload& value) {
  auto child = std::make_unique<Kind>(name, value);
  m_children.push_front(std::move(child));
}

void MWSettingsKey::AddValue(const std::wstring& name, const std::wstring& value) {
  AddTyped<MWStringValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, const std::vector<int>& value) {
  AddTyped<MWIntArrayValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, int value) {
  AddTyped<MWIntValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, COLORREF value) {
  AddTyped<MWColorValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, double value) {
  AddTyped<MWDoubleValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, const CPoint& value) {
  AddTyped<MWPointValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, const CRect& value) {
  AddTyped<MWRectValue>(name, value);
}
void MWSettingsKey::AddValue(const std::wstring& name, const CTime& value) {
  AddTyped<MWTimeValue>(name, value);
}

void MWSettingsKey::AddKey(std::unique_ptr<MWSettingsKey> key) {
  if (!key) return;
  key->m_pParent = this;
  m_children.push_front(std::move(key));
}

void MWSettingsKey::AddChild(std::unique_ptr<MWSettingsValue> value) {
  if (value) m_children.push_front(std::move(value));
}

int MWSettingsKey::Level() const {
  int level = 1;
  for (const MWSettingsKey* k = m_pParent; k; k = k->m_pParent) ++level;
  return level;
}

int MWSettingsKey::Height() const {
  int below = 1;  // the values' level, present or not
  for (const auto& child : m_children)
    if (IsKey(*child)) below = std::max(below, static_cast<const MWSettingsKey&>(*child).Height());
  return 1 + below;
}

CObject* MWSettingsKey::ChildAt(std::size_t index) const {
  if (index >= m_children.size()) return nullptr;
  return std::next(m_children.begin(), static_cast<std::ptrdiff_t>(index))->get();
}

// ---------------------------------------------------------------- lookups

MWSettingsValue* MWSettingsKey::FindValue(const std::wstring& name) {
  for (const auto& child : m_children) {
    if (IsValue(*child)) {
      auto* value = static_cast<MWSettingsValue*>(child.get());
      if (value->GetName() == name) return value;
    } else if (IsKey(*child)) {
      if (MWSettingsValue* found = static_cast<MWSettingsKey*>(child.get())->FindValue(name))
        return found;
    }
  }
  return nullptr;
}

MWSettingsKey* MWSettingsKey::FindKey(const std::wstring& name) {
  for (const auto& child : m_children) {
    if (!IsKey(*child)) continue;
    auto* key = static_cast<MWSettingsKey*>(child.get());
    if (key->m_strName == name) return key;
    if (MWSettingsKey* found = key->FindKey(name)) return found;
  }
  return nullptr;
}

template <class Kind, class Payload>
bool MWSettingsKey::GetTyped(const std::wstring& name, Payload& value) {
  auto* found = dynamic_cast<Kind*>(FindValue(name));
  if (found) found->GetValue(value);
  return found != nullptr;
}

template <class Kind, class Payload>
bool MWSettingsKey::SetTyped(const std::wstring& name, const Payload& value) {
  auto* found = dynamic_cast<Kind*>(FindValue(name));
  if (found) found->SetValue(value);
  return found != nullptr;
}

bool MWSettingsKey::GetValue(const std::wstring& name, int& value) {
  return GetTyped<MWIntValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, COLORREF& value) {
  return GetTyped<MWColorValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, double& value) {
  return GetTyped<MWDoubleValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, std::wstring& value) {
  return GetTyped<MWStringValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, std::vector<int>& value) {
  return GetTyped<MWIntArrayValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, CPoint& value) {
  return GetTyped<MWPointValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, CRect& value) {
  return GetTyped<MWRectValue>(name, value);
}
bool MWSettingsKey::GetValue(const std::wstring& name, CTime& value) {
  return GetTyped<MWTimeValue>(name, value);
}

bool MWSettingsKey::SetValue(const std::wstring& name, int value) {
  return SetTyped<MWIntValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, COLORREF value) {
  return SetTyped<MWColorValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, double value) {
  return SetTyped<MWDoubleValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, const std::wstring& value) {
  return SetTyped<MWStringValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, const std::vector<int>& value) {
  return SetTyped<MWIntArrayValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, const CPoint& value) {
  return SetTyped<MWPointValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, const CRect& value) {
  return SetTyped<MWRectValue>(name, value);
}
bool MWSettingsKey::SetValue(const std::wstring& name, const CTime& value) {
  return SetTyped<MWTimeValue>(name, value);
}

// ---------------------------------------------------------------- registry

HKEY MWSettingsKey::OpenRegistryKey(int create, int readOnly) {
  const REGSAM access = readOnly ? KEY_READ : KEY_ALL_ACCESS;
  HKEY key = nullptr;
  LSTATUS status;
  if (create) {
    wchar_t noClass[] = L"";
    status = ::RegCreateKeyExW(m_hRoot, m_strPath.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                               access, nullptr, &key, nullptr);
  } else {
    status = ::RegOpenKeyExW(m_hRoot, m_strPath.c_str(), 0, access, &key);
  }
  return status == ERROR_SUCCESS ? key : nullptr;
}

int MWSettingsKey::Save() {
  int result = 1;
  for (const auto& child : m_children) {
    int saved = 1;
    if (IsValue(*child)) {
      saved = static_cast<MWSettingsValue*>(child.get())->Save(*this);
    } else if (IsKey(*child)) {
      saved = static_cast<MWSettingsKey*>(child.get())->Save();
    }
    if (!saved) result = 0;
  }
  return result;
}

int MWSettingsKey::Load() {
  int result = 1;
  for (const auto& child : m_children) {
    int loaded = 1;
    if (IsValue(*child)) {
      loaded = static_cast<MWSettingsValue*>(child.get())->Load(*this);
    } else if (IsKey(*child)) {
      loaded = static_cast<MWSettingsKey*>(child.get())->Load();
    }
    if (!loaded) result = 0;
  }
  return result;
}

// ---------------------------------------------------------------- archive

void MWSettingsKey::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(m_children.size());
    for (const auto& child : m_children) ar.WriteObject(child.get());
    return;
  }
  // The list is read into a list of its own before anything changes: a read
  // that fails part way deletes what it had read and keeps every declared
  // child, with its payload, exactly as before. Null entries are dropped.
  ChildList loaded;
  for (std::uint64_t count = ar.ReadCount(); count > 0; --count) {
    std::unique_ptr<CObject> child = ar.ReadObject();
    if (!child) continue;
    if (IsKey(*child)) static_cast<MWSettingsKey&>(*child).m_pParent = this;
    loaded.push_back(std::move(child));
  }
  ChildList previous;
  previous.swap(m_children);
  m_children.swap(loaded);
  MergeLoadedChildren(previous);
  DeleteChildren(previous);
}

void MWSettingsKey::MergeFrom(MWSettingsKey& loaded) {
  ChildList previous;
  previous.swap(m_children);
  m_children.swap(loaded.m_children);
  for (const auto& child : m_children)
    if (IsKey(*child)) static_cast<MWSettingsKey&>(*child).m_pParent = this;
  MergeLoadedChildren(previous);
  DeleteChildren(previous);
}

// m_children holds what was read, previous what was declared. Afterwards
// m_children holds the loaded children whose names were declared and the
// declared children whose names were not loaded; previous keeps the declared
// children that a loaded one replaces.
void MWSettingsKey::MergeLoadedChildren(ChildList& previous) {
  for (auto it = m_children.begin(); it != m_children.end();) {
    if (HasChildNamed(previous, ChildName(**it))) {
      ++it;
    } else {
      it = m_children.erase(it);
    }
  }
  // A kept key must leave the tree within what an archive holds; otherwise
  // the read fails and the key keeps what it had.
  const int level = Level();
  for (const auto& child : m_children)
    if (IsKey(*child) && level + static_cast<const MWSettingsKey&>(*child).Height() > kMaxLevels) {
      m_children.swap(previous);
      throw CArchiveException(CArchiveException::tooDeep);
    }
  for (auto it = previous.begin(); it != previous.end();) {
    const auto next = std::next(it);
    if (!HasChildNamed(m_children, ChildName(**it)))
      m_children.splice(m_children.begin(), previous, it);
    it = next;
  }
}

void MWSettingsKey::DeleteChildren(ChildList& children) {
  while (!children.empty()) children.pop_front();
}

}  // namespace kx
