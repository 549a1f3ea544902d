// The standard face's object archive: plain data, text, counts, times and
// the settings classes' objects written to or read from a byte buffer of the
// host's, in the library's archive format (README, "Archive format"), which
// is the framework's: bytes written here load in a framework host's archive
// and the other way round. A file is read into or written from such a buffer
// by its caller.
//
// Storing appends to the buffer, which holds every byte written after each
// call; loading reads the buffer as it was when the archive was made. One
// numbering of classes and objects serves every object written or read
// through one archive.
//
// Objects: WriteObject and ReadObject carry MWSettingsKey objects, the values
// (MWSettingsValue and its eight kinds) and null; any other class is
// CArchiveException(badClass). Failures are exceptions: CArchiveException
// (end of data, an unknown class, a bad index or schema, too deep a nesting,
// the wrong direction) and CInvalidArgException (a value a reader cannot
// take, such as a negative element count).
#ifndef KXVM_STANDARD_ARCHIVE_H
#define KXVM_STANDARD_ARCHIVE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "kxvm/c_interface.h"
#include "kxvm/standard_types.h"

namespace kxvm {

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  // The buffer must outlive the archive.
  CArchive(std::vector<std::uint8_t>& bytes, Mode mode) : bytes_(bytes), mode_(mode) {
    detail::Check(kxvm_archive_create(mode == store ? KXVM_ARCHIVE_STORE : KXVM_ARCHIVE_LOAD,
                                      bytes.data(), mode == load ? bytes.size() : 0, &handle_));
  }
  ~CArchive() { kxvm_archive_destroy(handle_); }
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return mode_ == load; }
  bool IsStoring() const { return mode_ == store; }

  void Write(const void* data, std::size_t size) {
    if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly);
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), first, first + size);
  }
  // Up to size bytes; fewer only at the end of the data.
  std::size_t Read(void* data, std::size_t size) {
    const std::size_t available = RemainingBytes();
    const std::size_t count = size < available ? size : available;
    detail::Check(kxvm_archive_read(handle_, data, count));
    return count;
  }
  // Bytes not yet read (loading).
  std::size_t RemainingBytes() const {
    if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly);
    std::size_t remaining = 0;
    detail::Check(kxvm_archive_remaining(handle_, &remaining));
    return remaining;
  }

  // Numbers: their sizeof(T) bytes, little-endian.
  template <class T>
  std::enable_if_t<std::is_arithmetic_v<T>, CArchive&> operator<<(T value) {
    Write(&value, sizeof value);
    return *this;
  }
  template <class T>
  std::enable_if_t<std::is_arithmetic_v<T>, CArchive&> operator>>(T& value) {
    detail::Check(kxvm_archive_read(handle_, &value, sizeof value));
    return *this;
  }
  CArchive& operator<<(const std::wstring& text) {
    WriteString(text);
    return *this;
  }
  CArchive& operator>>(std::wstring& text) {
    text = ReadString();
    return *this;
  }
  CArchive& operator<<(const CTime& time) { return *this << time.GetTime(); }
  CArchive& operator>>(CTime& time) {
    std::int64_t seconds = 0;
    *this >> seconds;
    time = CTime(seconds);
    return *this;
  }
  // An object with its class record (see WriteObject, ReadObject).
  CArchive& operator<<(const CObject* object) {
    WriteObject(object);
    return *this;
  }
  CArchive& operator>>(CObject*& object) {
    object = ReadObject().release();
    return *this;
  }

  void WriteString(const std::wstring& text) {
    Stored(kxvm_archive_write_string(handle_, text.data(), text.size()));
  }
  std::wstring ReadString() {
    detail::Owned<wchar_t> text;
    std::size_t length = 0;
    detail::Check(kxvm_archive_read_string(handle_, text.Receive(), &length));
    return std::wstring(text.Get() ? text.Get() : L"", length);
  }

  void WriteCount(std::uint64_t count) { Stored(kxvm_archive_write_count(handle_, count)); }
  std::uint64_t ReadCount() {
    std::uint64_t count = 0;
    detail::Check(kxvm_archive_read_count(handle_, &count));
    return count;
  }

  // A settings key, a value, or null (MWSettingsKey.h defines both).
  void WriteObject(const CObject* object);
  // A new object, or null for a stored null. With required, its class must
  // derive from it.
  std::unique_ptr<CObject> ReadObject(const CRuntimeClass* required = nullptr);

  // The archive of the C interface, for hosts that mix both.
  kxvm_archive* GetHandle() const noexcept { return handle_; }

  // After a call that wrote through the C interface: its bytes join the
  // buffer, also when it failed part way (as a direct write would have).
  void Stored(std::int32_t result) {
    if (result < 0) {
      const detail::Failure failure = detail::Failure::Last(result);
      if (IsStoring()) TakeWritten();
      failure.Raise();
    }
    if (IsStoring()) TakeWritten();
  }

 private:
  void TakeWritten() {
    detail::Owned<std::uint8_t> written;
    std::size_t size = 0;
    detail::Check(kxvm_archive_take(handle_, written.Receive(), &size));
    if (size) bytes_.insert(bytes_.end(), written.Get(), written.Get() + size);
  }

  std::vector<std::uint8_t>& bytes_;
  Mode mode_;
  kxvm_archive* handle_ = nullptr;
};

}  // namespace kxvm

#ifndef KXVM_NO_GLOBAL_NAMES
using kxvm::CArchive;
#endif

#endif  // KXVM_STANDARD_ARCHIVE_H
