#include "framework/archive.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace kx {

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigClassTag = 0x7FFF;
constexpr std::uint16_t kClassTagFlag = 0x8000;
constexpr std::uint32_t kBigClassFlag = 0x80000000;
// The framework's limit of the shared numbering.
constexpr std::uint32_t kMaxMapCount = 0x3FFFFFFE;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::size_t kMaxClassName = 64;

// Keeps the nesting count right when an object's Serialize throws.
class DepthScope {
 public:
  explicit DepthScope(int& depth) : depth_(depth) { ++depth_; }
  ~DepthScope() { --depth_; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

const char* CArchiveException::what() const noexcept {
  switch (m_cause) {
    case none:
      return "archive: no error";
    case readOnly:
      return "archive: writing to a loading archive";
    case endOfFile:
      return "archive: end of data";
    case writeOnly:
      return "archive: reading from a storing archive";
    case badIndex:
      return "archive: invalid object tag or class index";
    case badClass:
      return "archive: unknown or unexpected class";
    case badSchema:
      return "archive: unsupported schema";
    case tooDeep:
      return "archive: objects nested too deeply";
    default:
      return "archive: invalid data";
  }
}

CArchive::CArchive(std::vector<std::uint8_t>& bytes, Mode mode) : bytes_(bytes), mode_(mode) {}

CArchive::~CArchive() = default;

void CArchive::CheckLoading() const {
  if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly);
}

void CArchive::CheckStoring() const {
  if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly);
}

void CArchive::Write(const void* data, std::size_t size) {
  CheckStoring();
  const auto* first = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), first, first + size);
}

std::size_t CArchive::Read(void* data, std::size_t size) {
  CheckLoading();
  const std::size_t count = std::min(size, RemainingBytes());
  if (count) std::memcpy(data, bytes_.data() + position_, count);
  position_ += count;
  return count;
}

std::size_t CArchive::RemainingBytes() const {
  return IsLoading() && position_ < bytes_.size() ? bytes_.size() - position_ : 0;
}

void CArchive::ReadExactly(void* data, std::size_t size) {
  CheckLoading();
  // Nothing is consumed when the item does not fit.
  if (size > RemainingBytes()) throw CArchiveException(CArchiveException::endOfFile);
  Read(data, size);
}

CArchive& CArchive::operator>>(CTime& time) {
  std::int64_t seconds = 0;
  *this >> seconds;
  time = CTime(seconds);
  return *this;
}

void CArchive::WriteString(const std::wstring& text) {
  const std::uint64_t length = text.size();
  *this << std::uint8_t{0xFF} << kWideMarker;
  if (length < 0xFF) {
    *this << static_cast<std::uint8_t>(length);
  } else {
    *this << std::uint8_t{0xFF};
    if (length < 0xFFFE) {
      *this << static_cast<std::uint16_t>(length);
    } else {
      *this << std::uint16_t{0xFFFF};
      if (length < 0xFFFFFFFF) {
        *this << static_cast<std::uint32_t>(length);
      } else {
        *this << std::uint32_t{0xFFFFFFFF} << length;
      }
    }
  }
  Write(text.data(), text.size() * sizeof(wchar_t));
}

std::wstring CArchive::ReadString() {
  CheckLoading();
  bool wide = false;
  std::uint64_t length = 0;
  std::uint8_t shortLength = 0;
  *this >> shortLength;
  if (shortLength < 0xFF) {
    length = shortLength;
  } else {
    std::uint16_t wordLength = 0;
    *this >> wordLength;
    bool done = false;
    if (wordLength == kWideMarker) {
      wide = true;
      *this >> shortLength;
      if (shortLength < 0xFF) {
        length = shortLength;
        done = true;
      } else {
        *this >> wordLength;
      }
    }
    if (!done) {
      if (wordLength < 0xFFFF) {
        length = wordLength;
      } else {
        std::uint32_t dwordLength = 0;
        *this >> dwordLength;
        if (dwordLength < 0xFFFFFFFF) {
          length = dwordLength;
        } else {
          *this >> length;
        }
      }
    }
  }

  // A length beyond the data fails before anything is allocated.
  const std::size_t unit = wide ? sizeof(wchar_t) : 1;
  if (length > RemainingBytes() / unit) throw CArchiveException(CArchiveException::endOfFile);
  if (wide) {
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ReadExactly(text.data(), text.size() * sizeof(wchar_t));
    return text;
  }
  if (length == 0) return {};
  if (length > INT_MAX) throw CArchiveException(CArchiveException::genericException);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ReadExactly(narrow.data(), narrow.size());
  const int size = static_cast<int>(narrow.size());
  const int wideSize = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(wideSize), L'\0');
  if (wideSize > 0) ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, text.data(), wideSize);
  return text;
}

void CArchive::WriteCount(std::uint64_t count) {
  if (count < 0xFFFF) {
    *this << static_cast<std::uint16_t>(count);
    return;
  }
  *this << std::uint16_t{0xFFFF};
  if (count < 0xFFFFFFFF) {
    *this << static_cast<std::uint32_t>(count);
    return;
  }
  *this << std::uint32_t{0xFFFFFFFF} << count;
}

std::uint64_t CArchive::ReadCount() {
  std::uint16_t wordCount = 0;
  *this >> wordCount;
  if (wordCount != 0xFFFF) return wordCount;
  std::uint32_t dwordCount = 0;
  *this >> dwordCount;
  if (dwordCount != 0xFFFFFFFF) return dwordCount;
  std::uint64_t count = 0;
  *this >> count;
  return count;
}

std::uint32_t CArchive::NextIndex() {
  if (mapCount_ >= kMaxMapCount) throw CArchiveException(CArchiveException::badIndex);
  return mapCount_++;
}

void CArchive::WriteObject(const CObject* object) {
  CheckStoring();
  if (!object) {
    *this << kNullTag;
    return;
  }
  const CRuntimeClass* record = object->GetRuntimeClass();
  if (!record->m_pfnCreateObject) throw CArchiveException(CArchiveException::badClass);
  if (depth_ >= kMaxObjectDepth) throw CArchiveException(CArchiveException::tooDeep);

  const auto known = std::find_if(storedClasses_.begin(), storedClasses_.end(),
                                  [record](const auto& entry) { return entry.first == record; });
  if (known == storedClasses_.end()) {
    const std::size_t nameLength = std::strlen(record->m_lpszClassName);
    if (nameLength == 0 || nameLength > kMaxClassName)
      throw CArchiveException(CArchiveException::badClass);
    *this << kNewClassTag << static_cast<std::uint16_t>(record->m_wSchema & 0xFFFF)
          << static_cast<std::uint16_t>(nameLength);
    Write(record->m_lpszClassName, nameLength);
    storedClasses_.emplace_back(record, NextIndex());
  } else if (known->second < kBigClassTag) {
    *this << static_cast<std::uint16_t>(kClassTagFlag | known->second);
  } else {
    *this << kBigClassTag << (kBigClassFlag | known->second);
  }
  NextIndex();  // the object's own, though nothing refers to it
  DepthScope scope(depth_);
  // One Serialize serves both directions, so it is not const.
  const_cast<CObject*>(object)->Serialize(*this);
}

const CRuntimeClass* CArchive::ReadClassTag(std::uint16_t tag) {
  if (tag == kNewClassTag) {
    std::uint16_t schema = 0;
    std::uint16_t nameLength = 0;
    *this >> schema >> nameLength;
    if (nameLength == 0 || nameLength > kMaxClassName)
      throw CArchiveException(CArchiveException::badClass);
    char name[kMaxClassName + 1] = {};
    ReadExactly(name, nameLength);
    if (std::memchr(name, '\0', nameLength)) throw CArchiveException(CArchiveException::badClass);
    const CRuntimeClass* record = CRuntimeClass::FromName(name);
    if (!record || !record->m_pfnCreateObject) throw CArchiveException(CArchiveException::badClass);
    if (!(record->m_wSchema & VERSIONABLE_SCHEMA) && (record->m_wSchema & 0xFFFF) != schema)
      throw CArchiveException(CArchiveException::badSchema);
    NextIndex();
    loadedMap_.push_back(record);
    return record;
  }
  std::uint32_t index = 0;
  if (tag == kBigClassTag) {
    *this >> index;
    // Without the flag it refers to an earlier object: never written here.
    if (!(index & kBigClassFlag)) throw CArchiveException(CArchiveException::badIndex);
    index &= ~kBigClassFlag;
  } else if (tag & kClassTagFlag) {
    index = tag & ~kClassTagFlag;
  } else {
    throw CArchiveException(CArchiveException::badIndex);
  }
  if (index == 0 || index >= loadedMap_.size() || !loadedMap_[index])
    throw CArchiveException(CArchiveException::badIndex);
  return loadedMap_[index];
}

std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass* required) {
  CheckLoading();
  std::uint16_t tag = 0;
  *this >> tag;
  if (tag == kNullTag) return nullptr;
  const CRuntimeClass* record = ReadClassTag(tag);
  if (required && !record->IsDerivedFrom(required))
    throw CArchiveException(CArchiveException::badClass);
  if (depth_ >= kMaxObjectDepth) throw CArchiveException(CArchiveException::tooDeep);
  std::unique_ptr<CObject> object(record->CreateObject());
  if (!object) throw CArchiveException(CArchiveException::badClass);
  // The object's index comes before those of the objects it holds.
  NextIndex();
  loadedMap_.push_back(nullptr);
  DepthScope scope(depth_);
  object->Serialize(*this);
  return object;
}

}  // namespace kx
