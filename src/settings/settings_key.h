// A settings key: a registry key (root and path) with the typed values and
// child keys declared for it, loaded from or saved to the registry as a whole.
#pragma once

#include <windows.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "framework/geometry.h"
#include "framework/object.h"
#include "kxvm.h"
#include "settings/settings_value.h"

namespace kx {

class MWSettingsKey : public CObject {
  KX_DECLARE_SERIAL(MWSettingsKey)

 public:
  MWSettingsKey();
  MWSettingsKey(std::wstring name, std::wstring path);
  // Deletes every child.
  ~MWSettingsKey() override;
  MWSettingsKey(const MWSettingsKey&) = delete;
  MWSettingsKey& operator=(const MWSettingsKey&) = delete;

  // Storing: the children as a list of objects. Loading: only the names
  // declared here are taken from the archive (see MWSettingsKey.cpp).
  void Serialize(CArchive& ar) override;
  // Every child is attempted; 1 when all succeeded. The key's own versions
  // take no argument: a key works on its own root and path.
  virtual int Save();
  virtual int Load();

  // Returns the previous root. The key never closes a root.
  HKEY SetRoot(HKEY root);
  std::wstring GetName() const;

  // Each declaration goes to the front; a later one shadows an earlier one of
  // the same name.
  void AddValue(const std::wstring& name, const std::wstring& value);
  void AddValue(const std::wstring& name, const std::vector<int>& value);
  void AddValue(const std::wstring& name, int value);
  void AddValue(const std::wstring& name, COLORREF value);
  void AddValue(const std::wstring& name, double value);
  void AddValue(const std::wstring& name, const CPoint& value);
  void AddValue(const std::wstring& name, const CRect& value);
  void AddValue(const std::wstring& name, const CTime& value);
  // Adopts the key (null is ignored).
  void AddKey(std::unique_ptr<MWSettingsKey> key);

  // Depth-first from the front; names compare exactly. The key keeps ownership.
  MWSettingsValue* FindValue(const std::wstring& name);
  MWSettingsKey* FindKey(const std::wstring& name);

  // Through FindValue; false, and nothing happens, unless the value found is
  // of the kind.
  bool GetValue(const std::wstring& name, int& value);
  bool GetValue(const std::wstring& name, COLORREF& value);
  bool GetValue(const std::wstring& name, double& value);
  bool GetValue(const std::wstring& name, std::wstring& value);
  bool GetValue(const std::wstring& name, std::vector<int>& value);
  bool GetValue(const std::wstring& name, CPoint& value);
  bool GetValue(const std::wstring& name, CRect& value);
  bool GetValue(const std::wstring& name, CTime& value);
  // In memory only, until Save.
  bool SetValue(const std::wstring& name, int value);
  bool SetValue(const std::wstring& name, COLORREF value);
  bool SetValue(const std::wstring& name, double value);
  bool SetValue(const std::wstring& name, const std::wstring& value);
  bool SetValue(const std::wstring& name, const std::vector<int>& value);
  bool SetValue(const std::wstring& name, const CPoint& value);
  bool SetValue(const std::wstring& name, const CRect& value);
  bool SetValue(const std::wstring& name, const CTime& value);

  // root\path with KEY_ALL_ACCESS, or KEY_READ when readOnly; created when
  // create is non-zero. Null on failure; the caller closes the handle.
  HKEY OpenRegistryKey(int create, int readOnly);

  // The key that holds this one among its children; null for a key of its own.
  MWSettingsKey* Parent() const { return m_pParent; }

  // The levels of objects an archive takes for a tree, and the most it holds:
  // a tree deeper than that could be written but not read back, and walking
  // it could exhaust the stack. Level: 1 for a key of its own, one more per
  // parent. Height: the key, its deepest child key's height, and a level for
  // the values below every key.
  static constexpr int kMaxLevels = 128;
  int Level() const;
  int Height() const;
  // The host's data for this key (kxvm_key_set_user_data).
  HostAttachment& Host() { return m_host; }

  // The children in list order, for a host that walks them.
  std::size_t ChildCount() const { return m_children.size(); }
  CObject* ChildAt(std::size_t index) const;
  // Declares a value made elsewhere (from its archive form).
  void AddChild(std::unique_ptr<MWSettingsValue> value);
  // An archive read whose list of children the host has read itself: the
  // children of loaded (which ends empty) are merged as Serialize merges
  // the children it reads.
  void MergeFrom(MWSettingsKey& loaded);

 private:
  using ChildList = std::list<std::unique_ptr<CObject>>;

  template <class Kind, class Payload>
  void AddTyped(const std::wstring& name, const Payload& value);
  template <class Kind, class Payload>
  bool GetTyped(const std::wstring& name, Payload& value);
  template <class Kind, class Payload>
  bool SetTyped(const std::wstring& name, const Payload& value);

  void MergeLoadedChildren(ChildList& previous);
  static void DeleteChildren(ChildList& children);

  std::wstring m_strName;  // a label among siblings and in archives; no part of registry access
  std::wstring m_strPath;  // relative to m_hRoot, no leading backslash
  HKEY m_hRoot;
  ChildList m_children;  // most recently added first
  MWSettingsKey* m_pParent = nullptr;
  HostAttachment m_host;
};

}  // namespace kx
