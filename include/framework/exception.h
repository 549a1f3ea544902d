// The exceptions of the object archive, thrown on the host's side from the
// library's result codes.
#pragma once

#include <exception>

#include "kxvm.h"

class CException : public std::exception {};

class CArchiveException : public CException {
 public:
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
  const char* what() const noexcept override {
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

  Cause m_cause;
};
static_assert(CArchiveException::genericException == KXVM_ARCHIVE_CAUSE_GENERIC &&
                  CArchiveException::endOfFile == KXVM_ARCHIVE_CAUSE_END_OF_FILE &&
                  CArchiveException::tooDeep == KXVM_ARCHIVE_CAUSE_TOO_DEEP,
              "causes cross the C interface as numbers");

// A value an archive read cannot take, such as a negative element count.
class CInvalidArgException : public CException {
 public:
  const char* what() const noexcept override { return "invalid argument"; }
};
