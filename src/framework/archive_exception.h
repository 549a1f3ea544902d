// The failures of the object archive. The C interface turns them into
// KXVM_E_ARCHIVE (with the cause as detail) and
// KXVM_E_ARCHIVE_INVALID_ARGUMENT.
#pragma once

#include <exception>

namespace kx {

class CException : public std::exception {};

class CArchiveException : public CException {
 public:
  // The numbers are the C interface's KXVM_ARCHIVE_CAUSE_*.
  enum Cause {
    none,
    genericException,
    readOnly,   // writing to a loading archive
    endOfFile,  // the data ends before the item read
    writeOnly,  // reading from a storing archive
    badIndex,   // an object tag or class index that names nothing
    badClass,   // an unknown, unserialisable or unexpected class
    badSchema,  // a schema that a non-versionable class does not accept
    tooDeep,    // objects nested too deeply
  };
  explicit CArchiveException(Cause cause) noexcept : m_cause(cause) {}
  const char* what() const noexcept override;

  Cause m_cause;
};

// A value an archive read cannot take, such as a negative element count.
class CInvalidArgException : public CException {
 public:
  const char* what() const noexcept override { return "invalid argument"; }
};

}  // namespace kx
