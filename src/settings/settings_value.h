// Typed setting values: one named datum each, stored as one registry value
// under the registry key of the settings key that owns it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/geometry.h"
#include "framework/object.h"

namespace kx {

class MWSettingsKey;

// Data of a host's that lives as long as the key or value it is attached
// to: release runs when that object is deleted, whoever deletes it.
class HostAttachment {
 public:
  using Release = void(__stdcall*)(void*);
  HostAttachment() = default;
  ~HostAttachment() {
    if (release_) release_(data_);
  }
  HostAttachment(const HostAttachment&) = delete;
  HostAttachment& operator=(const HostAttachment&) = delete;
  void Set(void* data, Release release) {
    data_ = data;
    release_ = release;
  }
  void* Get() const { return data_; }

 private:
  void* data_ = nullptr;
  Release release_ = nullptr;
};

// The base of the eight kinds. Save and Load take the owning key by
// reference: a value is only ever read or written on behalf of the key that
// owns it, and that key names the registry key (MWSettingsKey::OpenRegistryKey).
// They take the slots after CObject's, the same slots as the key's own
// argument-free Save and Load.
class MWSettingsValue : public CObject {
  KX_DECLARE_SERIAL(MWSettingsValue)

 public:
  MWSettingsValue();
  explicit MWSettingsValue(std::wstring name);
  ~MWSettingsValue() override;
  MWSettingsValue(const MWSettingsValue&) = delete;
  MWSettingsValue& operator=(const MWSettingsValue&) = delete;

  // The name only; each kind adds its payload.
  void Serialize(CArchive& ar) override;
  // 1 on success, 0 on failure. The base stores nothing and returns 0.
  virtual int Save(MWSettingsKey& key);
  virtual int Load(MWSettingsKey& key);

  std::wstring GetName() const;
  // The host's data for this value (kxvm_value_set_user_data).
  HostAttachment& Host() { return m_host; }

 protected:
  std::wstring m_strName;  // the registry value name; empty: the key's default value

 private:
  HostAttachment m_host;
};

// REG_DWORD, 4 bytes.
class MWIntValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWIntValue)

 public:
  MWIntValue();
  MWIntValue(std::wstring name, int value);
  ~MWIntValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(int& value) const;
  void SetValue(int value);

 protected:
  int m_nValue = 0;
};

// REG_DWORD, 4 bytes.
class MWColorValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWColorValue)

 public:
  MWColorValue();
  MWColorValue(std::wstring name, COLORREF value);
  ~MWColorValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(COLORREF& value) const;
  void SetValue(COLORREF value);

 protected:
  COLORREF m_crValue = 0;
};

// REG_BINARY, the 8 bytes of the double.
class MWDoubleValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWDoubleValue)

 public:
  MWDoubleValue();
  MWDoubleValue(std::wstring name, double value);
  ~MWDoubleValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(double& value) const;
  void SetValue(double value);

 protected:
  double m_dValue = 0.0;
};

// REG_SZ, the text and one NUL.
class MWStringValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWStringValue)

 public:
  MWStringValue();
  MWStringValue(std::wstring name, std::wstring value);
  ~MWStringValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(std::wstring& value) const;
  void SetValue(const std::wstring& value);

 protected:
  std::wstring m_strValue;
};

// REG_SZ text "x y".
class MWPointValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWPointValue)

 public:
  MWPointValue();
  MWPointValue(std::wstring name, const CPoint& value);
  ~MWPointValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(CPoint& value) const;
  void SetValue(const CPoint& value);

 protected:
  CPoint m_ptValue;
};

// REG_SZ text "left top right bottom".
class MWRectValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWRectValue)

 public:
  MWRectValue();
  MWRectValue(std::wstring name, const CRect& value);
  ~MWRectValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(CRect& value) const;
  void SetValue(const CRect& value);

 protected:
  CRect m_rcValue;
};

// REG_SZ text of the seconds since 1970, a signed 64-bit number.
class MWTimeValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWTimeValue)

 public:
  MWTimeValue();
  MWTimeValue(std::wstring name, const CTime& value);
  ~MWTimeValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(CTime& value) const;
  void SetValue(const CTime& value);

 protected:
  CTime m_timeValue;
};

// REG_BINARY, 4 bytes per element.
class MWIntArrayValue : public MWSettingsValue {
  KX_DECLARE_SERIAL(MWIntArrayValue)

 public:
  MWIntArrayValue();
  MWIntArrayValue(std::wstring name, const std::vector<int>& value);
  ~MWIntArrayValue() override;
  void Serialize(CArchive& ar) override;
  int Save(MWSettingsKey& key) override;
  int Load(MWSettingsKey& key) override;
  void GetValue(std::vector<int>& value) const;
  void SetValue(const std::vector<int>& value);

 protected:
  std::vector<int> m_arrValue;
};

}  // namespace kx
