// The standard face's own types, for hosts without the Microsoft Foundation
// Classes: point, rectangle, time, the object model and the archive's
// exceptions, in namespace kxvm. They are brought to the global namespace
// (as the names hosts were written against) unless the host defines
// KXVM_NO_GLOBAL_NAMES, for example because ATL's or its own CPoint, CRect
// or CTime are there already.
#ifndef KXVM_STANDARD_TYPES_H
#define KXVM_STANDARD_TYPES_H

#include <cstdint>
#include <exception>

namespace kxvm {

struct CPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(std::int32_t initX, std::int32_t initY) : x(initX), y(initY) {}
  friend constexpr bool operator==(const CPoint& a, const CPoint& b) {
    return a.x == b.x && a.y == b.y;
  }
  friend constexpr bool operator!=(const CPoint& a, const CPoint& b) { return !(a == b); }
};

struct CRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
      : left(l), top(t), right(r), bottom(b) {}
  constexpr std::int32_t Width() const { return right - left; }
  constexpr std::int32_t Height() const { return bottom - top; }
  friend constexpr bool operator==(const CRect& a, const CRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend constexpr bool operator!=(const CRect& a, const CRect& b) { return !(a == b); }
};

// Seconds since 1970-01-01 00:00:00 UTC; made from a count implicitly, as
// the framework's CTime is.
class CTime {
 public:
  constexpr CTime() = default;
  constexpr CTime(std::int64_t seconds) : seconds_(seconds) {}
  constexpr std::int64_t GetTime() const { return seconds_; }
  friend constexpr bool operator==(const CTime& a, const CTime& b) {
    return a.seconds_ == b.seconds_;
  }
  friend constexpr bool operator!=(const CTime& a, const CTime& b) { return !(a == b); }
  friend constexpr bool operator<(const CTime& a, const CTime& b) {
    return a.seconds_ < b.seconds_;
  }

 private:
  std::int64_t seconds_ = 0;
};

class CArchive;
class CObject;

// Schema flag of a class that reads every stored version of itself.
inline constexpr unsigned int VERSIONABLE_SCHEMA = 0x80000000u;

// The class record of a class, for GetRuntimeClass, IsKindOf and the
// archive's object reads.
struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  unsigned int m_wSchema;  // 0x80000001: versionable schema, version 1
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* m_pBaseClass;

  // A new object from the factory, or null for classes without one.
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
  bool IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
      if (c == base) return true;
    return false;
  }
};

class CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
  virtual ~CObject() = default;
  virtual void Serialize(CArchive&) {}

  bool IsKindOf(const CRuntimeClass* record) const {
    return GetRuntimeClass()->IsDerivedFrom(record);
  }

  static CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

inline CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                              nullptr, nullptr};

// The archive's failures.
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
    static const char* const kTexts[] = {"archive: no error",
                                         "archive: invalid data",
                                         "archive: writing to a loading archive",
                                         "archive: end of data",
                                         "archive: reading from a storing archive",
                                         "archive: invalid object tag or class index",
                                         "archive: unknown or unexpected class",
                                         "archive: unsupported schema",
                                         "archive: objects nested too deeply"};
    return m_cause >= none && m_cause <= tooDeep ? kTexts[m_cause] : kTexts[genericException];
  }

  Cause m_cause;
};

// A value an archive read cannot take, such as a negative element count.
class CInvalidArgException : public CException {
 public:
  const char* what() const noexcept override { return "invalid argument"; }
};

}  // namespace kxvm

#ifndef RUNTIME_CLASS
#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)
#endif
// The name earlier versions of these headers used.
#define KX_RUNTIME_CLASS(class_name) RUNTIME_CLASS(class_name)

#ifndef KXVM_NO_GLOBAL_NAMES
using kxvm::CArchiveException;
using kxvm::CException;
using kxvm::CInvalidArgException;
using kxvm::CObject;
using kxvm::CPoint;
using kxvm::CRect;
using kxvm::CRuntimeClass;
using kxvm::CTime;
using kxvm::VERSIONABLE_SCHEMA;
#endif

#endif  // KXVM_STANDARD_TYPES_H
