#include "settings/settings_value.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "settings/settings_key.h"
#include "framework/archive.h"
#include "framework/scoped_hkey.h"

namespace kx {

namespace {

constexpr unsigned int kSchema = VERSIONABLE_SCHEMA | 1;

// Each Save and Load opens its own handle and closes it on every path.
kx::ScopedHKey OpenForWriting(MWSettingsKey& key) {
  return kx::ScopedHKey(key.OpenRegistryKey(1, 0));
}
kx::ScopedHKey OpenForReading(MWSettingsKey& key) {
  return kx::ScopedHKey(key.OpenRegistryKey(0, 1));
}

int WriteRegistryValue(MWSettingsKey& key, const std::wstring& name, DWORD type, const void* data,
                       DWORD size) {
  kx::ScopedHKey hkey = OpenForWriting(key);
  if (!hkey.IsValid()) return 0;
  return ::RegSetValueExW(hkey.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          size) == ERROR_SUCCESS
             ? 1
             : 0;
}

int WriteRegistryText(MWSettingsKey& key, const std::wstring& name, const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD) return 0;
  return WriteRegistryValue(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(bytes));
}

// Integer, colour, double: the stored bytes into a zeroed buffer of the
// payload's size, whatever the stored type. Longer data does not fit and
// fails. Data shorter than a double leaves its missing high bytes 0.
int ReadRegistryFixed(MWSettingsKey& key, const std::wstring& name, void* payload, DWORD size) {
  kx::ScopedHKey hkey = OpenForReading(key);
  if (!hkey.IsValid()) return 0;
  BYTE buffer[8] = {};
  DWORD received = size;
  if (::RegQueryValueExW(hkey.Get(), name.c_str(), nullptr, nullptr, buffer, &received) !=
      ERROR_SUCCESS)
    return 0;
  std::memcpy(payload, buffer, size);
  return 1;
}

// Text kinds: the stored bytes read as UTF-16, whatever the stored type, up
// to the first NUL or all of them. An odd last byte is half a code unit and
// is dropped.
int ReadRegistryText(MWSettingsKey& key, const std::wstring& name, std::wstring& text) {
  kx::ScopedHKey hkey = OpenForReading(key);
  if (!hkey.IsValid()) return 0;
  DWORD size = 0;
  if (::RegQueryValueExW(hkey.Get(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS)
    return 0;
  std::wstring buffer((size + 1) / sizeof(wchar_t), L'\0');
  DWORD received = size;
  if (::RegQueryValueExW(hkey.Get(), name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer.data()), &received) != ERROR_SUCCESS)
    return 0;
  buffer.resize(std::min<std::size_t>(received / sizeof(wchar_t), buffer.size()));
  const std::size_t end = buffer.find(L'\0');
  if (end != std::wstring::npos) buffer.resize(end);
  text = std::move(buffer);
  return 1;
}

}  // namespace

// ---------------------------------------------------------------- base

KX_IMPLEMENT_SERIAL(MWSettingsValue, CObject, kSchema)

MWSettingsValue::MWSettingsValue() = default;
MWSettingsValue::MWSettingsValue(std::wstring name) : m_strName(std::move(name)) {}
MWSettingsValue::~MWSettingsValue() = default;

void MWSettingsValue::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_strName;
  } else {
    ar >> m_strName;
  }
}

int MWSettingsValue::Save(MWSettingsKey&) { return 0; }
int MWSettingsValue::Load(MWSettingsKey&) { return 0; }

std::wstring MWSettingsValue::GetName() const { return m_strName; }

// ---------------------------------------------------------------- integer

KX_IMPLEMENT_SERIAL(MWIntValue, MWSettingsValue, kSchema)

MWIntValue::MWIntValue() = default;
MWIntValue::MWIntValue(std::wstring name, int value)
    : MWSettingsValue(std::move(name)), m_nValue(value) {}
MWIntValue::~MWIntValue() = default;

void MWIntValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  if (ar.IsStoring()) {
    ar << static_cast<std::int32_t>(m_nValue);
  } else {
    std::int32_t value = 0;
    ar >> value;
    m_nValue = value;
  }
}

int MWIntValue::Save(MWSettingsKey& key) {
  return WriteRegistryValue(key, m_strName, REG_DWORD, &m_nValue, sizeof m_nValue);
}

int MWIntValue::Load(MWSettingsKey& key) {
  return ReadRegistryFixed(key, m_strName, &m_nValue, sizeof m_nValue);
}

void MWIntValue::GetValue(int& value) const { value = m_nValue; }
void MWIntValue::SetValue(int value) { m_nValue = value; }

// ---------------------------------------------------------------- colour

KX_IMPLEMENT_SERIAL(MWColorValue, MWSettingsValue, kSchema)

MWColorValue::MWColorValue() = default;
MWColorValue::MWColorValue(std::wstring name, COLORREF value)
    : MWSettingsValue(std::move(name)), m_crValue(value) {}
MWColorValue::~MWColorValue() = default;

void MWColorValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  if (ar.IsStoring()) {
    ar << static_cast<std::uint32_t>(m_crValue);
  } else {
    std::uint32_t value = 0;
    ar >> value;
    m_crValue = value;
  }
}

int MWColorValue::Save(MWSettingsKey& key) {
  return WriteRegistryValue(key, m_strName, REG_DWORD, &m_crValue, sizeof m_crValue);
}

int MWColorValue::Load(MWSettingsKey& key) {
  return ReadRegistryFixed(key, m_strName, &m_crValue, sizeof m_crValue);
}

void MWColorValue::GetValue(COLORREF& value) const { value = m_crValue; }
void MWColorValue::SetValue(COLORREF value) { m_crValue = value; }

// ---------------------------------------------------------------- double

KX_IMPLEMENT_SERIAL(MWDoubleValue, MWSettingsValue, kSchema)

MWDoubleValue::MWDoubleValue() = default;
MWDoubleValue::MWDoubleValue(std::wstring name, double value)
    : MWSettingsValue(std::move(name)), m_dValue(value) {}
MWDoubleValue::~MWDoubleValue() = default;

void MWDoubleValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  if (ar.IsStoring()) {
    ar << m_dValue;
  } else {
    double value = 0.0;
    ar >> value;
    m_dValue = value;
  }
}

int MWDoubleValue::Save(MWSettingsKey& key) {
  return WriteRegistryValue(key, m_strName, REG_BINARY, &m_dValue, sizeof m_dValue);
}

int MWDoubleValue::Load(MWSettingsKey& key) {
  return ReadRegistryFixed(key, m_strName, &m_dValue, sizeof m_dValue);
}

void MWDoubleValue::GetValue(double& value) const { value = m_dValue; }
void MWDoubleValue::SetValue(double value) { m_dValue = value; }

// ---------------------------------------------------------------- text

KX_IMPLEMENT_SERIAL(MWStringValue, MWSettingsValue, kSchema)

MWStringValue::MWStringValue() = default;
MWStringValue::MWStringValue(std::wstring name, std::wstring value)
    : MWSettingsValue(std::move(name)), m_strValue(std::move(value)) {}
MWStringValue::~MWStringValue() = default;

void MWStringValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  if (ar.IsStoring()) {
    ar << m_strValue;
  } else {
    ar >> m_strValue;
  }
}

int MWStringValue::Save(MWSettingsKey& key) {
  return WriteRegistryText(key, m_strName, m_strValue);
}

int MWStringValue::Load(MWSettingsKey& key) { return ReadRegistryText(key, m_strName, m_strValue); }

void MWStringValue::GetValue(std::wstring& value) const { value = m_strValue; }
void MWStringValue::SetValue(const std::wstring& value) { m_strValue = value; }

// ---------------------------------------------------------------- point

KX_IMPLEMENT_SERIAL(MWPointValue, MWSettingsValue, kSchema)

MWPointValue::MWPointValue() = default;
MWPointValue::MWPointValue(std::wstring name, const CPoint& value)
    : MWSettingsValue(std::move(name)), m_ptValue(value) {}
MWPointValue::~MWPointValue() = default;

void MWPointValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  std::int32_t raw[2] = {m_ptValue.x, m_ptValue.y};
  if (ar.IsStoring()) {
    ar.Write(raw, sizeof raw);
    return;
  }
  if (ar.Read(raw, sizeof raw) != sizeof raw) throw CArchiveException(CArchiveException::endOfFile);
  m_ptValue = CPoint(raw[0], raw[1]);
}

int MWPointValue::Save(MWSettingsKey& key) {
  const std::wstring text = std::to_wstring(m_ptValue.x) + L' ' + std::to_wstring(m_ptValue.y);
  return WriteRegistryText(key, m_strName, text);
}

int MWPointValue::Load(MWSettingsKey& key) {
  std::wstring text;
  if (!ReadRegistryText(key, m_strName, text)) return 0;
  // Formatted-scan rules: fields after the first that does not convert keep
  // their values.
  int fields[2] = {m_ptValue.x, m_ptValue.y};
  std::swscanf(text.c_str(), L"%d %d", &fields[0], &fields[1]);
  m_ptValue = CPoint(fields[0], fields[1]);
  return 1;
}

void MWPointValue::GetValue(CPoint& value) const { value = m_ptValue; }
void MWPointValue::SetValue(const CPoint& value) { m_ptValue = value; }

// ---------------------------------------------------------------- rectangle

KX_IMPLEMENT_SERIAL(MWRectValue, MWSettingsValue, kSchema)

MWRectValue::MWRectValue() = default;
MWRectValue::MWRectValue(std::wstring name, const CRect& value)
    : MWSettingsValue(std::move(name)), m_rcValue(value) {}
MWRectValue::~MWRectValue() = default;

void MWRectValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  std::int32_t raw[4] = {m_rcValue.left, m_rcValue.top, m_rcValue.right, m_rcValue.bottom};
  if (ar.IsStoring()) {
    ar.Write(raw, sizeof raw);
    return;
  }
  if (ar.Read(raw, sizeof raw) != sizeof raw) throw CArchiveException(CArchiveException::endOfFile);
  m_rcValue = CRect(raw[0], raw[1], raw[2], raw[3]);
}

int MWRectValue::Save(MWSettingsKey& key) {
  const std::wstring text =
      std::to_wstring(m_rcValue.left) + L' ' + std::to_wstring(m_rcValue.top) + L' ' +
      std::to_wstring(m_rcValue.right) + L' ' + std::to_wstring(m_rcValue.bottom);
  return WriteRegistryText(key, m_strName, text);
}

int MWRectValue::Load(MWSettingsKey& key) {
  std::wstring text;
  if (!ReadRegistryText(key, m_strName, text)) return 0;
  long fields[4] = {m_rcValue.left, m_rcValue.top, m_rcValue.right, m_rcValue.bottom};
  std::swscanf(text.c_str(), L"%ld %ld %ld %ld", &fields[0], &fields[1], &fields[2], &fields[3]);
  m_rcValue = CRect(static_cast<std::int32_t>(fields[0]), static_cast<std::int32_t>(fields[1]),
                    static_cast<std::int32_t>(fields[2]), static_cast<std::int32_t>(fields[3]));
  return 1;
}

void MWRectValue::GetValue(CRect& value) const { value = m_rcValue; }
void MWRectValue::SetValue(const CRect& value) { m_rcValue = value; }

// ---------------------------------------------------------------- time

KX_IMPLEMENT_SERIAL(MWTimeValue, MWSettingsValue, kSchema)

MWTimeValue::MWTimeValue() = default;
MWTimeValue::MWTimeValue(std::wstring name, const CTime& value)
    : MWSettingsValue(std::move(name)), m_timeValue(value) {}
MWTimeValue::~MWTimeValue() = default;

void MWTimeValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  if (ar.IsStoring()) {
    ar << m_timeValue;
  } else {
    ar >> m_timeValue;
  }
}

int MWTimeValue::Save(MWSettingsKey& key) {
  // All 64 bits, so that every date round-trips, 2038 and later included.
  return WriteRegistryText(key, m_strName, std::to_wstring(m_timeValue.GetTime()));
}

int MWTimeValue::Load(MWSettingsKey& key) {
  std::wstring text;
  if (!ReadRegistryText(key, m_strName, text)) return 0;
  // Formatted-scan rules: leading blanks, a sign, the digits up to the first
  // other character. No number, or one beyond 64 bits, gives 0.
  errno = 0;
  const long long seconds = std::wcstoll(text.c_str(), nullptr, 10);
  m_timeValue = CTime(errno == ERANGE ? 0 : seconds);
  return 1;
}

void MWTimeValue::GetValue(CTime& value) const { value = m_timeValue; }
void MWTimeValue::SetValue(const CTime& value) { m_timeValue = value; }

// ---------------------------------------------------------------- integer array

KX_IMPLEMENT_SERIAL(MWIntArrayValue, MWSettingsValue, kSchema)

MWIntArrayValue::MWIntArrayValue() = default;
MWIntArrayValue::MWIntArrayValue(std::wstring name, const std::vector<int>& value)
    : MWSettingsValue(std::move(name)), m_arrValue(value) {}
MWIntArrayValue::~MWIntArrayValue() = default;

void MWIntArrayValue::Serialize(CArchive& ar) {
  MWSettingsValue::Serialize(ar);
  if (ar.IsStoring()) {
    ar << static_cast<std::int32_t>(m_arrValue.size());
    for (int element : m_arrValue) ar << static_cast<std::int32_t>(element);
    return;
  }
  std::int32_t count = 0;
  ar >> count;
  if (count < 0) throw CInvalidArgException();
  // A count the data cannot hold fails before the array grows to it.
  if (static_cast<std::size_t>(count) > ar.RemainingBytes() / sizeof(std::int32_t))
    throw CArchiveException(CArchiveException::endOfFile);
  m_arrValue.resize(static_cast<std::size_t>(count));
  for (int& element : m_arrValue) {
    std::int32_t value = 0;
    ar >> value;
    element = value;
  }
}

int MWIntArrayValue::Save(MWSettingsKey& key) {
  const std::size_t bytes = m_arrValue.size() * sizeof(int);
  if (bytes > MAXDWORD) return 0;
  return WriteRegistryValue(key, m_strName, REG_BINARY, m_arrValue.data(),
                            static_cast<DWORD>(bytes));
}

int MWIntArrayValue::Load(MWSettingsKey& key) {
  kx::ScopedHKey hkey = OpenForReading(key);
  if (!hkey.IsValid()) return 0;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (::RegQueryValueExW(hkey.Get(), m_strName.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS)
    return 0;
  if (type != REG_BINARY) return 1;
  // A length that is not a multiple of 4 yields its whole elements; the
  // remaining 1 to 3 bytes are ignored. The data is read into a buffer of its
  // own size, never a null one: another writer may change the value between
  // the two queries, and what no longer fits fails the load instead.
  std::vector<BYTE> bytes(size > 0 ? size : 1);
  DWORD received = size;
  if (::RegQueryValueExW(hkey.Get(), m_strName.c_str(), nullptr, &type, bytes.data(), &received) !=
          ERROR_SUCCESS ||
      received > size)
    return 0;
  if (type != REG_BINARY) return 1;
  m_arrValue.resize(received / sizeof(int));
  if (!m_arrValue.empty())
    std::memcpy(m_arrValue.data(), bytes.data(), m_arrValue.size() * sizeof(int));
  return 1;
}

void MWIntArrayValue::GetValue(std::vector<int>& value) const { value = m_arrValue; }
void MWIntArrayValue::SetValue(const std::vector<int>& value) { m_arrValue = value; }

}  // namespace kx
