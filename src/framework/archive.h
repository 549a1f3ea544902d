// The object archive: objects and plain data written to or read from an
// in-memory byte buffer. A file is read into or written from such a buffer by
// its caller.
//
// Byte format. Every number is little-endian.
//
//   Plain numbers (operator<< / operator>>): the sizeof(T) bytes of the value;
//   bool is one byte, wchar_t two.
//
//   Count (WriteCount / ReadCount), unsigned:
//     n < 0xFFFF                 WORD n
//     n < 0xFFFFFFFF             WORD FFFF, DWORD n
//     otherwise                  WORD FFFF, DWORD FFFFFFFF, QWORD n
//
//   Text (WriteString / ReadString). Written in the wide form: BYTE FF and
//   WORD FFFE mark it, then the length in UTF-16 code units
//     n < 0xFF                   BYTE n
//     n < 0xFFFE                 BYTE FF, WORD n
//     n < 0xFFFFFFFF             BYTE FF, WORD FFFF, DWORD n
//     otherwise                  BYTE FF, WORD FFFF, DWORD FFFFFFFF, QWORD n
//   then the n code units. Reading also accepts the 8-bit form, which has no
//   marker and one byte per character, converted from the ANSI code page, and
//   a wide WORD length of FFFE:
//     n < 0xFF                   BYTE n
//     n < 0xFFFE                 BYTE FF, WORD n   (FFFE is the wide marker)
//     then as above              BYTE FF, WORD FFFF, DWORD n / DWORD FFFFFFFF, QWORD n
//
//   Time (CTime): the signed 64-bit count of seconds since 1970-01-01 UTC.
//
//   Object (WriteObject / ReadObject), as the Microsoft Foundation Classes
//   write them. Classes and objects share one numbering: each class the
//   archive meets for the first time, and then each object, takes the next
//   index, counting from 1 (a key holding an integer and two doubles: key
//   class 1, key 2, integer class 3, integer 4, double class 5, double 6,
//   and the second double is tagged 8005 and takes 7). One WORD tag first:
//     0000                       no object (null)
//     FFFF                       an object of a class not yet seen in this archive:
//                                WORD schema (low 16 bits of the class record's),
//                                WORD name length (1..64), the class name's bytes
//                                (ASCII, no NUL)
//     8000 | i   (1 <= i < 7FFF) an object of the class with index i
//     7FFF, DWORD 80000000 | i   the same, for any index
//     then the object's own Serialize output.
//   Every object is stored in full where it is referenced: this archive never
//   writes a reference to an earlier object (0001..7FFE, or 7FFF with a DWORD
//   below 80000000) and refuses one when reading, so a read never yields one
//   object twice and every object read has exactly one owner. Objects nest
//   (an object's Serialize writes further objects) at most kMaxObjectDepth
//   deep, so a hostile archive cannot exhaust the stack.
//
// Failures are exceptions of this layer: CArchiveException (end of file, an
// unknown class, a bad index or schema, too deep a nesting, the wrong
// direction) and CInvalidArgException (a value a reader cannot accept, such as
// a negative element count).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/archive_exception.h"
#include "framework/geometry.h"
#include "framework/object.h"

namespace kx {

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };
  static constexpr int kMaxObjectDepth = 128;

  // Storing appends to bytes; loading reads bytes from the start. The buffer
  // must outlive the archive.
  CArchive(std::vector<std::uint8_t>& bytes, Mode mode);
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return mode_ == load; }
  bool IsStoring() const { return mode_ == store; }

  void Write(const void* data, std::size_t size);
  // Up to size bytes; fewer only at the end of the data.
  std::size_t Read(void* data, std::size_t size);
  // Bytes not yet read (loading).
  std::size_t RemainingBytes() const;
  // Exactly size bytes, or CArchiveException(endOfFile) with nothing consumed.
  void ReadExactly(void* data, std::size_t size);

  template <class T>
  requires std::is_arithmetic_v<T> CArchive& operator<<(T value) {
    static_assert(std::endian::native == std::endian::little);
    Write(&value, sizeof value);
    return *this;
  }
  template <class T>
  requires std::is_arithmetic_v<T> CArchive& operator>>(T& value) {
    ReadExactly(&value, sizeof value);
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
  CArchive& operator>>(CTime& time);

  void WriteString(const std::wstring& text);
  std::wstring ReadString();

  void WriteCount(std::uint64_t count);
  std::uint64_t ReadCount();

  // The object's class must have a factory, so that a reader can recreate it.
  void WriteObject(const CObject* object);
  // A new object, or null for a stored null. With required, the stored class
  // must derive from it. Whatever fails part way is deleted before the throw.
  std::unique_ptr<CObject> ReadObject(const CRuntimeClass* required = nullptr);

 private:
  const CRuntimeClass* ReadClassTag(std::uint16_t tag);
  std::uint32_t NextIndex();
  void CheckLoading() const;
  void CheckStoring() const;

  std::vector<std::uint8_t>& bytes_;
  Mode mode_;
  std::size_t position_ = 0;
  // The next index of the shared numbering of classes and objects.
  std::uint32_t mapCount_ = 1;
  // Storing: each class written, with its index. Loading: entry i names the
  // class of index i, or is null where i is an object (or unused, at 0).
  std::vector<std::pair<const CRuntimeClass*, std::uint32_t>> storedClasses_;
  std::vector<const CRuntimeClass*> loadedMap_{nullptr};
  int depth_ = 0;
};

}  // namespace kx
