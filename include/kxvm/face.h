// The two faces of the C++ layer, chosen when the host compiles it.
//
// - The framework face, for a host built on the Microsoft Foundation Classes:
//   used when the host included the framework (afx.h, usually through its
//   precompiled header) before these headers, or defines
//   KXVM_FRAMEWORK_TYPES=1. Text is the host's CString, integer arrays its
//   CArray<int,int>; CPoint, CRect, CTime, CObject, CRuntimeClass and CArchive
//   are the framework's; failures are raised as the framework raises them
//   (CArchiveException*, CInvalidArgException*, CMemoryException*). Unicode
//   builds only.
// - The standard face otherwise (or with KXVM_FRAMEWORK_TYPES=0):
//   std::wstring, std::vector<int> and the layer's own types
//   (kxvm/standard_types.h).
//
// The headers name the face's types through the aliases below, so that each
// class is written once for both.
#ifndef KXVM_FACE_H
#define KXVM_FACE_H

#if (defined(_MSVC_LANG) ? _MSVC_LANG : __cplusplus) < 201703L
#error "KXVirtualMachMgr's C++ layer needs C++17 (/std:c++17 in Visual Studio)"
#endif

#ifndef KXVM_FRAMEWORK_TYPES
#ifdef __AFX_H__
#define KXVM_FRAMEWORK_TYPES 1
#else
#define KXVM_FRAMEWORK_TYPES 0
#endif
#endif

#if KXVM_FRAMEWORK_TYPES
#ifndef __AFX_H__
#error "KXVM_FRAMEWORK_TYPES=1: include the framework (afx.h) before the KXVirtualMachMgr headers"
#endif
#ifndef _UNICODE
#error "KXVirtualMachMgr's framework face needs a Unicode build (its text is CStringW): define UNICODE and _UNICODE"
#endif
#include <afxwin.h>
#include <afxtempl.h>
#else
#include <windows.h>
#include "kxvm/standard_types.h"
#endif

#include <climits>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kxvm {

#if KXVM_FRAMEWORK_TYPES
using Text = ::CString;
using IntArray = ::CArray<int, int>;
using Point = ::CPoint;
using Rect = ::CRect;
using Time = ::CTime;
using Object = ::CObject;
using RuntimeClassRecord = ::CRuntimeClass;
using Archive = ::CArchive;

inline const wchar_t* TextData(const Text& text) { return text.GetString(); }
inline std::size_t TextLength(const Text& text) {
  return static_cast<std::size_t>(text.GetLength());
}
inline Text MakeText(const wchar_t* text, std::size_t length) {
  if (length > INT_MAX) AfxThrowMemoryException();
  return Text(text, static_cast<int>(length));
}
inline const int* ArrayData(const IntArray& array) { return array.GetData(); }
inline std::size_t ArraySize(const IntArray& array) {
  return static_cast<std::size_t>(array.GetSize());
}
inline void AssignArray(IntArray& array, const int* values, std::size_t count) {
  array.SetSize(static_cast<INT_PTR>(count));
  for (std::size_t i = 0; i < count; ++i) array[static_cast<INT_PTR>(i)] = values[i];
}
#else
using Text = std::wstring;
using IntArray = std::vector<int>;
using Point = kxvm::CPoint;
using Rect = kxvm::CRect;
using Time = kxvm::CTime;
using Object = kxvm::CObject;
using RuntimeClassRecord = kxvm::CRuntimeClass;
using Archive = kxvm::CArchive;

inline const wchar_t* TextData(const Text& text) { return text.c_str(); }
inline std::size_t TextLength(const Text& text) { return text.size(); }
inline Text MakeText(const wchar_t* text, std::size_t length) { return Text(text, length); }
inline const int* ArrayData(const IntArray& array) { return array.data(); }
inline std::size_t ArraySize(const IntArray& array) { return array.size(); }
inline void AssignArray(IntArray& array, const int* values, std::size_t count) {
  array.assign(values, values + count);
}
#endif

namespace detail {

// The archive failures of the library's causes (KXVM_ARCHIVE_CAUSE_*), as
// the face raises them.
[[noreturn]] inline void RaiseArchive(int cause) {
#if KXVM_FRAMEWORK_TYPES
  // The framework has no cause for too deep a nesting.
  AfxThrowArchiveException(cause <= CArchiveException::badSchema ? cause
                                                                 : CArchiveException::genericException);
#else
  throw CArchiveException(static_cast<CArchiveException::Cause>(cause));
#endif
  throw std::logic_error("unreachable");
}
[[noreturn]] inline void RaiseInvalidArgument() {
#if KXVM_FRAMEWORK_TYPES
  AfxThrowInvalidArgException();
#else
  throw CInvalidArgException();
#endif
  throw std::logic_error("unreachable");
}

inline constexpr unsigned int kSchema = 0x80000001u;  // versionable, version 1

}  // namespace detail
}  // namespace kxvm

// The members of a serialisable class of this layer, in its class body:
// its class record, its factory, and `ar >> pObject` for it. The record is
// defined after the class by KXVM_IMPLEMENT_SERIAL.
#if KXVM_FRAMEWORK_TYPES
namespace kxvm::detail {
// The first object a factory of this layer made since this was last
// cleared: it tells an object an archive read anew from one it read before.
inline thread_local CObject* t_created = nullptr;
inline CObject* NoteCreated(CObject* object) {
  if (!t_created) t_created = object;
  return object;
}
}  // namespace kxvm::detail

#define KXVM_DECLARE_SERIAL(name)                                                      \
 public:                                                                               \
  static CRuntimeClass class##name;                                                    \
  static CRuntimeClass* PASCAL GetThisClass() { return &class##name; }                 \
  CRuntimeClass* GetRuntimeClass() const override { return &class##name; }             \
  static CObject* PASCAL CreateObject() { return kxvm::detail::NoteCreated(new name); } \
  friend CArchive& AFXAPI operator>>(CArchive& ar, name*& object) {                    \
    object = static_cast<name*>(ar.ReadObject(RUNTIME_CLASS(name)));                   \
    return ar;                                                                         \
  }

namespace kxvm::detail {
// With the framework as a shared library a record names its base through a
// function, as the framework's own records do.
template <class Base>
CRuntimeClass* PASCAL BaseRecord() {
  return RUNTIME_CLASS(Base);
}
}  // namespace kxvm::detail
#ifdef _AFXDLL
#define KXVM_RECORD(base) &kxvm::detail::BaseRecord<base>
#else
#define KXVM_RECORD(base) RUNTIME_CLASS(base)
#endif
#define KXVM_OBJECT_RECORD KXVM_RECORD(CObject)

// The record, filled in the framework's member order (the rest zero), and
// its registration with the framework's class list, as IMPLEMENT_SERIAL
// registers its own: the framework's archive finds the class by its name.
#if defined(__GNUC__)
#define KXVM_RECORD_BEGIN \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wmissing-field-initializers\"")
#define KXVM_RECORD_END _Pragma("GCC diagnostic pop")
#else
#define KXVM_RECORD_BEGIN
#define KXVM_RECORD_END
#endif
#define KXVM_IMPLEMENT_SERIAL(name, baseRecord)                                          \
  KXVM_RECORD_BEGIN                                                                      \
  inline CRuntimeClass name::class##name = {#name, static_cast<int>(sizeof(name)),       \
                                            kxvm::detail::kSchema, &name::CreateObject,  \
                                            baseRecord};                                 \
  KXVM_RECORD_END                                                                        \
  namespace kxvm::detail {                                                               \
  inline AFX_CLASSINIT classInit##name(RUNTIME_CLASS(name));                             \
  }
#else
#define KXVM_DECLARE_SERIAL(name)                                                      \
 public:                                                                               \
  static kxvm::CRuntimeClass class##name;                                              \
  kxvm::CRuntimeClass* GetRuntimeClass() const override { return &class##name; }       \
  static kxvm::CObject* CreateObject() { return new name; }                            \
  friend kxvm::CArchive& operator>>(kxvm::CArchive& ar, name*& object) {               \
    object = static_cast<name*>(ar.ReadObject(RUNTIME_CLASS(name)).release());         \
    return ar;                                                                         \
  }

#define KXVM_RECORD(base) (&base::class##base)
#define KXVM_OBJECT_RECORD (&kxvm::CObject::classCObject)
#define KXVM_IMPLEMENT_SERIAL(name, baseRecord)                                            \
  inline kxvm::CRuntimeClass name::class##name = {#name, static_cast<int>(sizeof(name)),   \
                                                  kxvm::detail::kSchema,                   \
                                                  &name::CreateObject, baseRecord};
#endif

#endif  // KXVM_FACE_H
