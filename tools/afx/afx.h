// afx.h: core of a header-only stand-in for the part of the Microsoft
// Foundation Classes that add-ins use (README.md). Host code written for the
// framework builds against it unchanged, and CArchive reads and writes the
// framework's own persistent object format.
#ifndef __AFX_H__
#define __AFX_H__

// A vendor's headers are system headers to their users; clang then stays
// quiet about the GetRuntimeClass the macros declare without 'override'.
// AFX_STANDIN_SHOW_WARNINGS shows the stand-in's own warnings.
#ifndef AFX_STANDIN_SHOW_WARNINGS
#pragma GCC system_header
#endif

#ifndef __cplusplus
#error The framework stand-in needs C++.
#endif

#define AFX_STANDIN 1

// The framework treats both spellings as one switch.
#if defined(_UNICODE) && !defined(UNICODE)
#define UNICODE
#endif
#if defined(UNICODE) && !defined(_UNICODE)
#define _UNICODE
#endif

#include <windows.h>
#include <tchar.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

// winbase.h's macro would turn CTime::GetCurrentTime into GetTickCount.
#ifdef GetCurrentTime
#undef GetCurrentTime
#endif

/////////////////////////////////////////////////////////////////////////////
// Basics

#ifndef AFXAPI
#define AFXAPI __stdcall
#endif
#ifndef PASCAL
#define PASCAL __stdcall
#endif
#define AFX_CDECL __cdecl
#define AFX_INLINE inline
#define AFX_API
#define AFX_DATA
#define AFX_CORE_DATA
#define AFX_COMDAT
#define AFX_NOVTABLE

// Release-build diagnostics: nothing is checked, VERIFY still evaluates.
#ifndef ASSERT
#define ASSERT(f) ((void)0)
#endif
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(pOb) ((void)0)
#define ASSERT_KINDOF(class_name, object) ((void)0)
#define DEBUG_ONLY(f) ((void)0)
#define TRACE(...) ((void)0)
#define TRACE0(sz) ((void)0)
#define TRACE1(sz, p1) ((void)0)
#define TRACE2(sz, p1, p2) ((void)0)
#define TRACE3(sz, p1, p2, p3) ((void)0)
#define DEBUG_NEW new

#ifndef _countof
#define _countof(array) (sizeof(array) / sizeof((array)[0]))
#endif

struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)(INT_PTR)-1)

class CObject;
struct CRuntimeClass;
struct AFX_CLASSINIT;
class CArchive;
class CDumpContext;
class CDocument;
class CFile;
class CException;

[[noreturn]] inline void AFXAPI AfxThrowMemoryException();
[[noreturn]] inline void AFXAPI AfxThrowInvalidArgException();
[[noreturn]] inline void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] inline void AFXAPI AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName = NULL);
[[noreturn]] inline void AFXAPI AfxThrowFileException(int cause, LONG lOsError = -1,
                                                      LPCTSTR lpszFileName = NULL);

namespace afx_detail {
template <class T>
T Min(T a, T b) {
  return b < a ? b : a;
}
template <class T>
T Max(T a, T b) {
  return a < b ? b : a;
}
}  // namespace afx_detail

#include "afxstr.h"

/////////////////////////////////////////////////////////////////////////////
// Run-time classes

#define VERSIONABLE_SCHEMA (0x80000000)

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF: not serialisable
  CObject*(PASCAL* m_pfnCreateObject)();
#ifdef _AFXDLL
  CRuntimeClass*(PASCAL* m_pfnGetBaseClass)();
#else
  CRuntimeClass* m_pBaseClass;
#endif

  CObject* CreateObject();
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

  static CRuntimeClass* PASCAL FromName(LPCSTR lpszClassName);
  static CRuntimeClass* PASCAL FromName(LPCWSTR lpszClassName);
  static CObject* PASCAL CreateObject(LPCSTR lpszClassName);
  static CObject* PASCAL CreateObject(LPCWSTR lpszClassName);

  void Store(CArchive& ar) const;
  static CRuntimeClass* PASCAL Load(CArchive& ar, UINT* pwSchemaNum);

  // Implementation; the stand-in keeps its registry apart and leaves these null.
  CRuntimeClass* m_pNextClass;
  const AFX_CLASSINIT* m_pClassInit;
};

struct AFX_CLASSINIT {
  AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

void AFXAPI AfxClassInit(CRuntimeClass* pNewClass);

namespace afx_detail {

// Records may sit in read-only memory: the list of serialisable classes is
// kept here instead of being threaded through them. A function-local static,
// so that registrations from other files' static initialisers find it built.
class ClassRegistry {
 public:
  ClassRegistry() { ::InitializeCriticalSection(&m_lock); }
  ~ClassRegistry() {
    Gone() = true;
    ::DeleteCriticalSection(&m_lock);
  }
  ClassRegistry(const ClassRegistry&) = delete;
  ClassRegistry& operator=(const ClassRegistry&) = delete;

  static ClassRegistry* Get() {
    static ClassRegistry registry;
    return Gone() ? NULL : &registry;
  }
  void Add(CRuntimeClass* pClass) {
    Lock lock(m_lock);
    if (std::find(m_classes.begin(), m_classes.end(), pClass) == m_classes.end())
      m_classes.push_back(pClass);
  }
  CRuntimeClass* Find(LPCSTR lpszClassName) {
    Lock lock(m_lock);
    for (auto it = m_classes.rbegin(); it != m_classes.rend(); ++it)
      if (strcmp((*it)->m_lpszClassName, lpszClassName) == 0) return *it;
    return NULL;
  }

 private:
  // Set once the registry is destroyed at exit; later look-ups find nothing.
  static bool& Gone() {
    static bool gone = false;
    return gone;
  }
  struct Lock {
    explicit Lock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~Lock() { ::LeaveCriticalSection(&m_cs); }
    CRITICAL_SECTION& m_cs;
  };

  CRITICAL_SECTION m_lock;
  std::vector<CRuntimeClass*> m_classes;
};

}  // namespace afx_detail

inline void AFXAPI AfxClassInit(CRuntimeClass* pNewClass) {
  if (pNewClass == NULL || pNewClass->m_lpszClassName == NULL) return;
  if (afx_detail::ClassRegistry* pRegistry = afx_detail::ClassRegistry::Get())
    pRegistry->Add(pNewClass);
}

inline AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) { AfxClassInit(pNewClass); }

#define _RUNTIME_CLASS(class_name) ((CRuntimeClass*)(&class_name::class##class_name))
#ifdef _AFXDLL
#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())
#else
#define RUNTIME_CLASS(class_name) _RUNTIME_CLASS(class_name)
#endif

#ifdef _AFXDLL
#define DECLARE_DYNAMIC(class_name)             \
 protected:                                     \
  static CRuntimeClass* PASCAL _GetBaseClass(); \
                                                \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  static CRuntimeClass* PASCAL GetThisClass();  \
  virtual CRuntimeClass* GetRuntimeClass() const;

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew, class_init)        \
  CRuntimeClass* PASCAL class_name::_GetBaseClass() { return RUNTIME_CLASS(base_class_name); }  \
  AFX_COMDAT const CRuntimeClass class_name::class##class_name = {                              \
      #class_name, sizeof(class class_name), wSchema, pfnNew, &class_name::_GetBaseClass, NULL, \
      class_init};                                                                              \
  CRuntimeClass* PASCAL class_name::GetThisClass() { return _RUNTIME_CLASS(class_name); }       \
  CRuntimeClass* class_name::GetRuntimeClass() const { return _RUNTIME_CLASS(class_name); }

// The same, inline, for the stand-in's own classes.
#define AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)         \
  inline CRuntimeClass* PASCAL class_name::_GetBaseClass() {                                     \
    return RUNTIME_CLASS(base_class_name);                                                       \
  }                                                                                              \
  inline const CRuntimeClass class_name::class##class_name = {                                   \
      #class_name, sizeof(class class_name), wSchema, pfnNew, &class_name::_GetBaseClass, NULL,  \
      NULL};                                                                                     \
  inline CRuntimeClass* PASCAL class_name::GetThisClass() { return _RUNTIME_CLASS(class_name); } \
  inline CRuntimeClass* class_name::GetRuntimeClass() const { return _RUNTIME_CLASS(class_name); }
#else
#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  virtual CRuntimeClass* GetRuntimeClass() const;

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew, class_init)     \
  AFX_COMDAT const CRuntimeClass                                                             \
      class_name::class##class_name = {#class_name, sizeof(class class_name),       wSchema, \
                                       pfnNew,      RUNTIME_CLASS(base_class_name), NULL,    \
                                       class_init};                                          \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)      \
  inline const CRuntimeClass class_name::class##class_name = {#class_name,                    \
                                                              sizeof(class class_name),       \
                                                              wSchema,                        \
                                                              pfnNew,                         \
                                                              RUNTIME_CLASS(base_class_name), \
                                                              NULL,                           \
                                                              NULL};                          \
  inline CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
#endif
#define _IMPLEMENT_RUNTIMECLASS IMPLEMENT_RUNTIMECLASS

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* PASCAL CreateObject();

#define DECLARE_SERIAL(class_name) \
  DECLARE_DYNCREATE(class_name)    \
  AFX_API friend CArchive& AFXAPI operator>>(CArchive& ar, class_name*& pOb);

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, NULL, NULL)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                \
  CObject* PASCAL class_name::CreateObject() { return new class_name; } \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject, NULL)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                           \
  CObject* PASCAL class_name::CreateObject() { return new class_name; }                  \
  extern AFX_CLASSINIT _init_##class_name;                                               \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject, \
                         &_init_##class_name)                                            \
  AFX_CLASSINIT _init_##class_name(RUNTIME_CLASS(class_name));                           \
  CArchive& AFXAPI operator>>(CArchive& ar, class_name*& pOb) {                          \
    pOb = (class_name*)ar.ReadObject(RUNTIME_CLASS(class_name));                         \
    return ar;                                                                           \
  }

/////////////////////////////////////////////////////////////////////////////
// CObject

class CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() {}

 protected:
  CObject() {}

 private:
  CObject(const CObject&) = delete;
  void operator=(const CObject&) = delete;

 public:
  BOOL IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
  BOOL IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
  }
  virtual void Serialize(CArchive& ar);
#if defined(_DEBUG) || defined(_AFXDLL)
  virtual void AssertValid() const {}
  virtual void Dump(CDumpContext&) const {}
#endif

  static const CRuntimeClass classCObject;
#ifdef _AFXDLL
  static CRuntimeClass* PASCAL _GetBaseClass() { return NULL; }
  static CRuntimeClass* PASCAL GetThisClass() { return _RUNTIME_CLASS(CObject); }
#endif
};

inline const CRuntimeClass CObject::classCObject = {
    "CObject", sizeof(CObject), 0xFFFF, NULL, NULL, NULL, NULL};
inline CRuntimeClass* CObject::GetRuntimeClass() const { return _RUNTIME_CLASS(CObject); }
inline void CObject::Serialize(CArchive&) {}

inline CObject* AFX_CDECL AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject) {
  return pObject != NULL && pObject->IsKindOf(pClass) ? pObject : NULL;
}
#define DYNAMIC_DOWNCAST(class_name, object) \
  ((class_name*)AfxDynamicDownCast(RUNTIME_CLASS(class_name), object))
#define STATIC_DOWNCAST(class_name, object) ((class_name*)(object))

/////////////////////////////////////////////////////////////////////////////
// Exceptions, thrown by pointer and released with Delete()

namespace afx_detail {
inline BOOL CopyMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext,
                        const CStringT<TCHAR>& text) {
  if (pnHelpContext != NULL) *pnHelpContext = 0;
  if (lpszError == NULL || nMaxError == 0) return FALSE;
  size_t n = Min(static_cast<size_t>(text.GetLength()), static_cast<size_t>(nMaxError) - 1);
  memcpy(lpszError, text.GetString(), n * sizeof(TCHAR));
  lpszError[n] = 0;
  return TRUE;
}
inline CStringT<TCHAR> Describe(LPCTSTR lpszText, const CStringT<TCHAR>& name, LPCTSTR lpszNoName) {
  CStringT<TCHAR> text(lpszText);
  text.Replace(_T("%1"), name.IsEmpty() ? lpszNoName : name.GetString());
  return text;
}
}  // namespace afx_detail

class CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
  virtual ~CException() {}

  void Delete() {
    if (m_bAutoDelete) delete this;
  }
  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const {
    afx_detail::CopyMessage(lpszError, nMaxError, pnHelpContext, CStringT<TCHAR>());
    return FALSE;
  }
  virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0) {
    TCHAR szMessage[512];
    CStringT<TCHAR> text;
    if (GetErrorMessage(szMessage, _countof(szMessage))) {
      text = szMessage;
    } else if (nMessageID != 0 && ::LoadString(::GetModuleHandle(NULL), nMessageID, szMessage,
                                               _countof(szMessage)) > 0) {
      text = szMessage;
    } else {
      text = _T("No error message is available.");
    }
    return ::MessageBox(NULL, text, NULL, nType);
  }

  BOOL m_bAutoDelete;
};

class CSimpleException : public CException {
  DECLARE_DYNAMIC(CSimpleException)

 public:
  CSimpleException() {}
  explicit CSimpleException(BOOL bAutoDelete) : CException(bAutoDelete) {}
};

class CMemoryException : public CSimpleException {
  DECLARE_DYNAMIC(CMemoryException)

 public:
  CMemoryException() {}
  explicit CMemoryException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}
  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const {
    return afx_detail::CopyMessage(lpszError, nMaxError, pnHelpContext, _T("Out of memory."));
  }
};

class CNotSupportedException : public CSimpleException {
  DECLARE_DYNAMIC(CNotSupportedException)

 public:
  CNotSupportedException() {}
  explicit CNotSupportedException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}
  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const {
    return afx_detail::CopyMessage(lpszError, nMaxError, pnHelpContext,
                                   _T("An unsupported operation was attempted."));
  }
};

class CInvalidArgException : public CSimpleException {
  DECLARE_DYNAMIC(CInvalidArgException)

 public:
  CInvalidArgException() {}
  explicit CInvalidArgException(BOOL bAutoDelete) : CSimpleException(bAutoDelete) {}
  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const {
    return afx_detail::CopyMessage(lpszError, nMaxError, pnHelpContext,
                                   _T("Encountered an improper argument."));
  }
};

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)

 public:
  enum {
    none,
    genericException,
    readOnly,
    endOfFile,
    writeOnly,
    badIndex,
    badClass,
    badSchema,
    bufferFull
  };

  CArchiveException(int cause = CArchiveException::none, LPCTSTR lpszArchiveName = NULL)
      : m_cause(cause), m_strFileName(lpszArchiveName) {}

  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const {
    static const LPCTSTR texts[] = {
        _T("No error occurred."),
        _T("An unexpected error occurred while accessing %1."),
        _T("Tried to write to %1 while it was being read."),
        _T("An attempt was made to read past the end of %1."),
        _T("Tried to read from %1 while it was being written."),
        _T("%1 has an invalid format."),
        _T("%1 contained an unexpected object."),
        _T("%1 contained an object of an incorrect version."),
        _T("The buffer of %1 is full."),
    };
    int cause =
        m_cause >= 0 && m_cause < static_cast<int>(_countof(texts)) ? m_cause : genericException;
    return afx_detail::CopyMessage(
        lpszError, nMaxError, pnHelpContext,
        afx_detail::Describe(texts[cause], m_strFileName, _T("the archive")));
  }

  int m_cause;
  CString m_strFileName;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  CFileException(int cause = CFileException::none, LONG lOsError = -1,
                 LPCTSTR lpszArchiveName = NULL)
      : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName) {}

  static int PASCAL OsErrorToException(LONG lOsError) {
    switch (lOsError) {
      case NO_ERROR:
        return none;
      case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
      case ERROR_BAD_PATHNAME:
      case ERROR_INVALID_DRIVE:
      case ERROR_BAD_NETPATH:
      case ERROR_FILENAME_EXCED_RANGE:
        return badPath;
      case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
      case ERROR_ACCESS_DENIED:
      case ERROR_WRITE_PROTECT:
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
        return accessDenied;
      case ERROR_INVALID_HANDLE:
        return invalidFile;
      case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
      case ERROR_CANNOT_MAKE:
        return directoryFull;
      case ERROR_SEEK:
      case ERROR_NEGATIVE_SEEK:
        return badSeek;
      case ERROR_CRC:
      case ERROR_READ_FAULT:
      case ERROR_WRITE_FAULT:
      case ERROR_GEN_FAILURE:
      case ERROR_SECTOR_NOT_FOUND:
        return hardIO;
      case ERROR_SHARING_VIOLATION:
        return sharingViolation;
      case ERROR_LOCK_VIOLATION:
        return lockViolation;
      case ERROR_DISK_FULL:
      case ERROR_HANDLE_DISK_FULL:
        return diskFull;
      case ERROR_HANDLE_EOF:
        return endOfFile;
      default:
        return genericException;
    }
  }
  static int PASCAL ErrnoToException(int nErrno) {
    switch (nErrno) {
      case 0:
        return none;
      case ENOENT:
        return fileNotFound;
      case EACCES:
        return accessDenied;
      case EMFILE:
        return tooManyOpenFiles;
      case EBADF:
        return invalidFile;
      case ENOSPC:
        return diskFull;
      default:
        return genericException;
    }
  }
  // As the framework: an error code of 0 is no error, and nothing is thrown.
  static void PASCAL ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = NULL) {
    if (lOsError != 0) AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
  }
  static void PASCAL ThrowErrno(int nErrno, LPCTSTR lpszFileName = NULL) {
    if (nErrno != 0) AfxThrowFileException(ErrnoToException(nErrno), _doserrno, lpszFileName);
  }

  virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const {
    static const LPCTSTR texts[] = {
        _T("No error occurred."),
        _T("An unexpected error occurred while accessing %1."),
        _T("%1 was not found."),
        _T("%1 contains an invalid path."),
        _T("%1 could not be opened because there are too many open files."),
        _T("Access to %1 was denied."),
        _T("An invalid file handle was associated with %1."),
        _T("%1 could not be removed because it is the current directory."),
        _T("%1 could not be created because the directory is full."),
        _T("Seek failed on %1."),
        _T("A hardware I/O error was reported while accessing %1."),
        _T("A sharing violation occurred while accessing %1."),
        _T("A locking violation occurred while accessing %1."),
        _T("Disk full while accessing %1."),
        _T("An attempt was made to access %1 past its end."),
    };
    int cause =
        m_cause >= 0 && m_cause < static_cast<int>(_countof(texts)) ? m_cause : genericException;
    return afx_detail::CopyMessage(
        lpszError, nMaxError, pnHelpContext,
        afx_detail::Describe(texts[cause], m_strFileName, _T("an unnamed file")));
  }

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CException, CObject, 0xFFFF, NULL)
AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CSimpleException, CException, 0xFFFF, NULL)
AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CMemoryException, CSimpleException, 0xFFFF, NULL)
AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CNotSupportedException, CSimpleException, 0xFFFF, NULL)
AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CInvalidArgException, CSimpleException, 0xFFFF, NULL)
AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CArchiveException, CException, 0xFFFF, NULL)
AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CFileException, CException, 0xFFFF, NULL)

inline void AFXAPI AfxThrowMemoryException() { throw new CMemoryException; }
inline void AFXAPI AfxThrowInvalidArgException() { throw new CInvalidArgException; }
inline void AFXAPI AfxThrowNotSupportedException() { throw new CNotSupportedException; }
inline void AFXAPI AfxThrowArchiveException(int cause, LPCTSTR lpszArchiveName) {
  throw new CArchiveException(cause, lpszArchiveName);
}
inline void AFXAPI AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName) {
  throw new CFileException(cause, lOsError, lpszFileName);
}

// TRY declares a link that owns the exception a CATCH block receives and
// deletes it when the block ends; THROW_LAST hands it on instead.
struct AFX_EXCEPTION_LINK {
  AFX_EXCEPTION_LINK();
  ~AFX_EXCEPTION_LINK();
  AFX_EXCEPTION_LINK(const AFX_EXCEPTION_LINK&) = delete;
  AFX_EXCEPTION_LINK& operator=(const AFX_EXCEPTION_LINK&) = delete;

  AFX_EXCEPTION_LINK* m_pLinkPrev;
  CException* m_pException;
};

namespace afx_detail {
inline thread_local AFX_EXCEPTION_LINK* t_pTopLink = NULL;
}

inline AFX_EXCEPTION_LINK::AFX_EXCEPTION_LINK()
    : m_pLinkPrev(afx_detail::t_pTopLink), m_pException(NULL) {
  afx_detail::t_pTopLink = this;
}

inline AFX_EXCEPTION_LINK::~AFX_EXCEPTION_LINK() {
  afx_detail::t_pTopLink = m_pLinkPrev;
  if (CException* pException = m_pException) {
    m_pException = NULL;
    pException->Delete();
  }
}

// THROW(e) of an exception a CATCH block holds would otherwise leave it to be
// deleted while it is still in flight.
template <class T>
[[noreturn]] inline void AfxStandInThrow(T* pException) {
  if constexpr (std::is_convertible<T*, CException*>::value) {
    CException* pBase = pException;
    for (AFX_EXCEPTION_LINK* p = afx_detail::t_pTopLink; p != NULL; p = p->m_pLinkPrev)
      if (p->m_pException == pBase) p->m_pException = NULL;
  }
  throw pException;
}

#define TRY                               \
  {                                       \
    AFX_EXCEPTION_LINK _afxExceptionLink; \
    try {
#define CATCH(class, e) \
  }                     \
  catch (class * e) {   \
    _afxExceptionLink.m_pException = e;
#define AND_CATCH(class, e) \
  }                         \
  catch (class * e) {       \
    _afxExceptionLink.m_pException = e;
#define END_CATCH \
  }               \
  }
#define CATCH_ALL(e)       \
  }                        \
  catch (CException * e) { \
    _afxExceptionLink.m_pException = e;
#define AND_CATCH_ALL(e)   \
  }                        \
  catch (CException * e) { \
    _afxExceptionLink.m_pException = e;
#define END_CATCH_ALL \
  }                   \
  }
#define END_TRY                         \
  }                                     \
  catch (CException * e) {              \
    _afxExceptionLink.m_pException = e; \
  }                                     \
  }
#define THROW(e) AfxStandInThrow(e)
#define THROW_LAST()                       \
  {                                        \
    _afxExceptionLink.m_pException = NULL; \
    throw;                                 \
  }

/////////////////////////////////////////////////////////////////////////////
// Files

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags {
    modeRead = 0x00000,
    modeWrite = 0x00001,
    modeReadWrite = 0x00002,
    shareCompat = 0x00000,
    shareExclusive = 0x00010,
    shareDenyWrite = 0x00020,
    shareDenyRead = 0x00030,
    shareDenyNone = 0x00040,
    modeNoInherit = 0x00080,
    modeCreate = 0x01000,
    modeNoTruncate = 0x02000,
    typeText = 0x04000,
    typeBinary = 0x08000,
    osNoBuffer = 0x10000,
    osWriteThrough = 0x20000,
    osRandomAccess = 0x40000,
    osSequentialScan = 0x80000
  };
  enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

  static const HANDLE hFileNull;

  CFile() : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {}
  // A handle of the caller's: the caller closes it.
  CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}
  CFile(LPCTSTR lpszFileName, UINT nOpenFlags)
      : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {
    CFileException e;
    if (!Open(lpszFileName, nOpenFlags, &e))
      AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
  }
  virtual ~CFile() {
    if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) CFile::Abort();
  }

  operator HANDLE() const { return m_hFile; }

  virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL);
  virtual UINT Read(void* lpBuf, UINT nCount);
  virtual void Write(const void* lpBuf, UINT nCount);
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  void SeekToBegin() { Seek(0, begin); }
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG dwNewLen);
  virtual ULONGLONG GetPosition() const;
  virtual void Flush();
  virtual void Close();
  virtual void Abort();

  virtual CString GetFileName() const {
    int i = m_strFileName.GetLength();
    while (i > 0 && m_strFileName[i - 1] != '\\' && m_strFileName[i - 1] != '/' &&
           m_strFileName[i - 1] != ':')
      --i;
    return m_strFileName.Mid(i);
  }
  virtual CString GetFilePath() const { return m_strFileName; }
  virtual void SetFilePath(LPCTSTR lpszNewName) { m_strFileName = lpszNewName; }

  HANDLE m_hFile;

 protected:
  BOOL m_bCloseOnDelete;
  CString m_strFileName;

 private:
  void CheckOpen() const {
    if (m_hFile == INVALID_HANDLE_VALUE)
      AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFileName);
  }
  [[noreturn]] void ThrowLastError() const {
    LONG lOsError = static_cast<LONG>(::GetLastError());
    AfxThrowFileException(CFileException::OsErrorToException(lOsError), lOsError, m_strFileName);
  }
  static CString FullPath(LPCTSTR lpszFileName) {
    DWORD n = ::GetFullPathName(lpszFileName, 0, NULL, NULL);
    if (n == 0) return CString(lpszFileName);
    std::vector<TCHAR> buf(n + 1);
    DWORD m = ::GetFullPathName(lpszFileName, n + 1, buf.data(), NULL);
    return m == 0 || m > n ? CString(lpszFileName) : CString(buf.data());
  }
};

AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CFile, CObject, 0xFFFF, NULL)
inline const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

inline BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
  if (m_hFile != INVALID_HANDLE_VALUE) {
    if (m_bCloseOnDelete)
      Abort();
    else
      m_hFile = INVALID_HANDLE_VALUE;  // the caller's handle stays open
  }
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();

  DWORD dwError = ERROR_INVALID_PARAMETER;
  DWORD dwAccess = 0, dwShare = 0;
  bool bValid = true;
  switch (nOpenFlags & 0x3) {
    case modeRead:
      dwAccess = GENERIC_READ;
      break;
    case modeWrite:
      dwAccess = GENERIC_WRITE;
      break;
    case modeReadWrite:
      dwAccess = GENERIC_READ | GENERIC_WRITE;
      break;
    default:
      bValid = false;
  }
  switch (nOpenFlags & 0x70) {
    case shareCompat:
    case shareExclusive:
      dwShare = 0;
      break;
    case shareDenyWrite:
      dwShare = FILE_SHARE_READ;
      break;
    case shareDenyRead:
      dwShare = FILE_SHARE_WRITE;
      break;
    case shareDenyNone:
      dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
    default:
      bValid = false;
  }
  if (lpszFileName == NULL || *lpszFileName == 0) {
    bValid = false;
    dwError = ERROR_INVALID_NAME;
  }
  if (bValid) {
    SECURITY_ATTRIBUTES sa;
    sa.nLength = sizeof(sa);
    sa.lpSecurityDescriptor = NULL;
    sa.bInheritHandle = (nOpenFlags & modeNoInherit) == 0;
    DWORD dwCreate = (nOpenFlags & modeCreate) == 0       ? OPEN_EXISTING
                     : (nOpenFlags & modeNoTruncate) != 0 ? OPEN_ALWAYS
                                                          : CREATE_ALWAYS;
    DWORD dwFlags = FILE_ATTRIBUTE_NORMAL;
    if (nOpenFlags & osNoBuffer) dwFlags |= FILE_FLAG_NO_BUFFERING;
    if (nOpenFlags & osWriteThrough) dwFlags |= FILE_FLAG_WRITE_THROUGH;
    if (nOpenFlags & osRandomAccess) dwFlags |= FILE_FLAG_RANDOM_ACCESS;
    if (nOpenFlags & osSequentialScan) dwFlags |= FILE_FLAG_SEQUENTIAL_SCAN;
    HANDLE hFile = ::CreateFile(lpszFileName, dwAccess, dwShare, &sa, dwCreate, dwFlags, NULL);
    if (hFile != INVALID_HANDLE_VALUE) {
      m_hFile = hFile;
      m_bCloseOnDelete = TRUE;
      m_strFileName = FullPath(lpszFileName);
      return TRUE;
    }
    dwError = ::GetLastError();
  }
  if (pError != NULL) {
    pError->m_lOsError = static_cast<LONG>(dwError);
    pError->m_cause = CFileException::OsErrorToException(pError->m_lOsError);
    pError->m_strFileName = lpszFileName;
  }
  return FALSE;
}

inline UINT CFile::Read(void* lpBuf, UINT nCount) {
  if (nCount == 0) return 0;
  if (lpBuf == NULL) AfxThrowInvalidArgException();
  CheckOpen();
  DWORD dwRead = 0;
  if (!::ReadFile(m_hFile, lpBuf, nCount, &dwRead, NULL)) ThrowLastError();
  return dwRead;
}

inline void CFile::Write(const void* lpBuf, UINT nCount) {
  if (nCount == 0) return;
  if (lpBuf == NULL) AfxThrowInvalidArgException();
  CheckOpen();
  DWORD dwWritten = 0;
  if (!::WriteFile(m_hFile, lpBuf, nCount, &dwWritten, NULL)) ThrowLastError();
  if (dwWritten != nCount) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

inline ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
  if (nFrom > end) AfxThrowInvalidArgException();
  CheckOpen();
  LARGE_INTEGER distance, position;
  distance.QuadPart = lOff;
  if (!::SetFilePointerEx(m_hFile, distance, &position, nFrom)) ThrowLastError();
  return static_cast<ULONGLONG>(position.QuadPart);
}

inline ULONGLONG CFile::GetLength() const {
  CheckOpen();
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(m_hFile, &size)) ThrowLastError();
  return static_cast<ULONGLONG>(size.QuadPart);
}

inline void CFile::SetLength(ULONGLONG dwNewLen) {
  if (dwNewLen > static_cast<ULONGLONG>(LLONG_MAX)) AfxThrowInvalidArgException();
  Seek(static_cast<LONGLONG>(dwNewLen), begin);
  if (!::SetEndOfFile(m_hFile)) ThrowLastError();
}

inline ULONGLONG CFile::GetPosition() const {
  CheckOpen();
  LARGE_INTEGER distance, position;
  distance.QuadPart = 0;
  if (!::SetFilePointerEx(m_hFile, distance, &position, FILE_CURRENT)) ThrowLastError();
  return static_cast<ULONGLONG>(position.QuadPart);
}

inline void CFile::Flush() {
  if (m_hFile == INVALID_HANDLE_VALUE) return;
  if (!::FlushFileBuffers(m_hFile)) ThrowLastError();
}

inline void CFile::Close() {
  BOOL bError = FALSE;
  DWORD dwError = 0;
  if (m_hFile != INVALID_HANDLE_VALUE) {
    bError = !::CloseHandle(m_hFile);
    if (bError) dwError = ::GetLastError();
  }
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
  CString strFileName = m_strFileName;
  m_strFileName.Empty();
  if (bError)
    AfxThrowFileException(CFileException::OsErrorToException(static_cast<LONG>(dwError)),
                          static_cast<LONG>(dwError), strFileName);
}

inline void CFile::Abort() {
  if (m_hFile != INVALID_HANDLE_VALUE) ::CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
  m_strFileName.Empty();
}

class CMemFile : public CFile {
  DECLARE_DYNAMIC(CMemFile)

 public:
  CMemFile(UINT nGrowBytes = 1024)
      : m_nGrowBytes(nGrowBytes),
        m_nPosition(0),
        m_nBufferSize(0),
        m_nFileSize(0),
        m_lpBuffer(NULL),
        m_bAutoDelete(TRUE) {}
  CMemFile(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0) : CMemFile(0) {
    Attach(lpBuffer, nBufferSize, nGrowBytes);
  }
  virtual ~CMemFile() {
    if (m_lpBuffer != NULL) CMemFile::Close();
  }

  // The caller's buffer: with nGrowBytes 0 it is the whole, fixed-size file;
  // otherwise the file starts empty in it and moves to memory of its own
  // (malloc) when it outgrows it. The caller's buffer is never freed here.
  void Attach(BYTE* lpBuffer, UINT nBufferSize, UINT nGrowBytes = 0) {
    if (lpBuffer == NULL && nBufferSize != 0) AfxThrowInvalidArgException();
    Close();
    m_lpBuffer = lpBuffer;
    m_nBufferSize = lpBuffer != NULL ? nBufferSize : 0;
    m_nGrowBytes = nGrowBytes;
    m_nPosition = 0;
    m_nFileSize = nGrowBytes == 0 ? m_nBufferSize : 0;
    m_bAutoDelete = FALSE;
  }
  // Hands the buffer to the caller, who frees it with free() when the file
  // allocated it.
  BYTE* Detach() {
    BYTE* lpBuffer = m_lpBuffer;
    m_lpBuffer = NULL;
    m_nFileSize = 0;
    m_nBufferSize = 0;
    m_nPosition = 0;
    m_bAutoDelete = TRUE;
    return lpBuffer;
  }

  virtual BOOL Open(LPCTSTR, UINT, CFileException* = NULL) { AfxThrowNotSupportedException(); }
  virtual UINT Read(void* lpBuf, UINT nCount) {
    if (nCount == 0) return 0;
    if (lpBuf == NULL) AfxThrowInvalidArgException();
    if (m_nPosition >= m_nFileSize) return 0;
    SIZE_T n = afx_detail::Min(static_cast<SIZE_T>(nCount), m_nFileSize - m_nPosition);
    Memcpy(static_cast<BYTE*>(lpBuf), m_lpBuffer + m_nPosition, n);
    m_nPosition += n;
    return static_cast<UINT>(n);
  }
  virtual void Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0) return;
    if (lpBuf == NULL) AfxThrowInvalidArgException();
    if (m_nPosition > static_cast<SIZE_T>(-1) - nCount)
      AfxThrowFileException(CFileException::badSeek);
    SIZE_T nEnd = m_nPosition + nCount;
    if (nEnd > m_nBufferSize) GrowFile(nEnd);
    if (m_nPosition > m_nFileSize) memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
    Memcpy(m_lpBuffer + m_nPosition, static_cast<const BYTE*>(lpBuf), nCount);
    m_nPosition = nEnd;
    if (nEnd > m_nFileSize) m_nFileSize = nEnd;
  }
  virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom) {
    LONGLONG lBase;
    switch (nFrom) {
      case begin:
        lBase = 0;
        break;
      case current:
        lBase = static_cast<LONGLONG>(m_nPosition);
        break;
      case end:
        lBase = static_cast<LONGLONG>(m_nFileSize);
        break;
      default:
        AfxThrowInvalidArgException();
    }
    if ((lOff > 0 && lBase > LLONG_MAX - lOff) || lBase + lOff < 0)
      AfxThrowFileException(CFileException::badSeek);
    m_nPosition = static_cast<SIZE_T>(lBase + lOff);
    return m_nPosition;
  }
  virtual ULONGLONG GetLength() const { return m_nFileSize; }
  virtual void SetLength(ULONGLONG dwNewLen) {
    if (dwNewLen > static_cast<ULONGLONG>(LLONG_MAX)) AfxThrowInvalidArgException();
    SIZE_T nNewLen = static_cast<SIZE_T>(dwNewLen);
    if (nNewLen > m_nBufferSize) GrowFile(nNewLen);
    if (nNewLen > m_nFileSize) memset(m_lpBuffer + m_nFileSize, 0, nNewLen - m_nFileSize);
    if (nNewLen < m_nPosition) m_nPosition = nNewLen;
    m_nFileSize = nNewLen;
  }
  virtual ULONGLONG GetPosition() const { return m_nPosition; }
  virtual void Flush() {}
  virtual void Close() {
    m_nGrowBytes = 0;
    m_nPosition = 0;
    m_nBufferSize = 0;
    m_nFileSize = 0;
    if (m_lpBuffer != NULL && m_bAutoDelete) Free(m_lpBuffer);
    m_lpBuffer = NULL;
  }
  virtual void Abort() { Close(); }

 protected:
  virtual BYTE* Alloc(SIZE_T nBytes) { return static_cast<BYTE*>(malloc(nBytes)); }
  virtual BYTE* Realloc(BYTE* lpMem, SIZE_T nBytes) {
    return static_cast<BYTE*>(realloc(lpMem, nBytes));
  }
  virtual BYTE* Memcpy(BYTE* lpMemTarget, const BYTE* lpMemSource, SIZE_T nBytes) {
    return static_cast<BYTE*>(memcpy(lpMemTarget, lpMemSource, nBytes));
  }
  virtual void Free(BYTE* lpMem) { free(lpMem); }
  virtual void GrowFile(SIZE_T dwNewLen) {
    if (dwNewLen <= m_nBufferSize) return;
    if (m_nGrowBytes == 0) AfxThrowFileException(CFileException::diskFull);
    if (dwNewLen > static_cast<SIZE_T>(-1) / 2) AfxThrowMemoryException();
    SIZE_T nSteps = (dwNewLen - m_nBufferSize + m_nGrowBytes - 1) / m_nGrowBytes;
    // Whole steps of nGrowBytes, and at least half again, so that long
    // archives do not copy their buffer on every step.
    SIZE_T nNewSize = m_nBufferSize + nSteps * m_nGrowBytes;
    if (nNewSize < m_nBufferSize + m_nBufferSize / 2) nNewSize = m_nBufferSize + m_nBufferSize / 2;
    BYTE* lpNew;
    if (m_lpBuffer == NULL) {
      lpNew = Alloc(nNewSize);
    } else if (m_bAutoDelete) {
      lpNew = Realloc(m_lpBuffer, nNewSize);
    } else {
      lpNew = Alloc(nNewSize);
      if (lpNew != NULL && m_nFileSize != 0) Memcpy(lpNew, m_lpBuffer, m_nFileSize);
    }
    if (lpNew == NULL) AfxThrowMemoryException();
    m_lpBuffer = lpNew;
    m_nBufferSize = nNewSize;
    m_bAutoDelete = TRUE;
  }

  SIZE_T m_nGrowBytes;
  SIZE_T m_nPosition;
  SIZE_T m_nBufferSize;
  SIZE_T m_nFileSize;
  BYTE* m_lpBuffer;
  BOOL m_bAutoDelete;
};

AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CMemFile, CFile, 0xFFFF, NULL)

/////////////////////////////////////////////////////////////////////////////
// Time

class CTimeSpan {
 public:
  CTimeSpan() : m_timeSpan(0) {}
  CTimeSpan(__time64_t time) : m_timeSpan(time) {}
  CTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
      : m_timeSpan(nSecs + 60 * (nMins + 60 * (nHours + 24 * static_cast<__time64_t>(lDays)))) {}

  LONGLONG GetDays() const { return m_timeSpan / (24 * 3600); }
  LONGLONG GetTotalHours() const { return m_timeSpan / 3600; }
  LONG GetHours() const { return static_cast<LONG>(GetTotalHours() - GetDays() * 24); }
  LONGLONG GetTotalMinutes() const { return m_timeSpan / 60; }
  LONG GetMinutes() const { return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60); }
  LONGLONG GetTotalSeconds() const { return m_timeSpan; }
  LONG GetSeconds() const { return static_cast<LONG>(m_timeSpan - GetTotalMinutes() * 60); }
  __time64_t GetTimeSpan() const { return m_timeSpan; }

  CTimeSpan operator+(CTimeSpan span) const { return CTimeSpan(m_timeSpan + span.m_timeSpan); }
  CTimeSpan operator-(CTimeSpan span) const { return CTimeSpan(m_timeSpan - span.m_timeSpan); }
  CTimeSpan& operator+=(CTimeSpan span) {
    m_timeSpan += span.m_timeSpan;
    return *this;
  }
  CTimeSpan& operator-=(CTimeSpan span) {
    m_timeSpan -= span.m_timeSpan;
    return *this;
  }
  bool operator==(CTimeSpan span) const { return m_timeSpan == span.m_timeSpan; }
  bool operator!=(CTimeSpan span) const { return m_timeSpan != span.m_timeSpan; }
  bool operator<(CTimeSpan span) const { return m_timeSpan < span.m_timeSpan; }
  bool operator>(CTimeSpan span) const { return m_timeSpan > span.m_timeSpan; }
  bool operator<=(CTimeSpan span) const { return m_timeSpan <= span.m_timeSpan; }
  bool operator>=(CTimeSpan span) const { return m_timeSpan >= span.m_timeSpan; }

 private:
  __time64_t m_timeSpan;
};

// Seconds since 1970-01-01 00:00 UTC; the parts are read in local time.
class CTime {
 public:
  static CTime WINAPI GetCurrentTime() { return CTime(_time64(NULL)); }

  CTime() : m_time(0) {}
  CTime(__time64_t time) : m_time(time) {}
  CTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec, int nDST = -1) {
    if (nYear < 1900 || nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > 31 || nHour < 0 ||
        nHour > 23 || nMin < 0 || nMin > 59 || nSec < 0 || nSec > 59)
      AfxThrowInvalidArgException();
    struct tm atm = {};
    atm.tm_sec = nSec;
    atm.tm_min = nMin;
    atm.tm_hour = nHour;
    atm.tm_mday = nDay;
    atm.tm_mon = nMonth - 1;
    atm.tm_year = nYear - 1900;
    atm.tm_isdst = nDST;
    m_time = _mktime64(&atm);
    if (m_time == -1) AfxThrowInvalidArgException();
  }
  CTime(const SYSTEMTIME& st, int nDST = -1)
      : CTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, nDST) {}

  CTime& operator=(__time64_t time) {
    m_time = time;
    return *this;
  }
  CTime& operator+=(CTimeSpan span) {
    m_time += span.GetTimeSpan();
    return *this;
  }
  CTime& operator-=(CTimeSpan span) {
    m_time -= span.GetTimeSpan();
    return *this;
  }
  CTimeSpan operator-(CTime time) const { return CTimeSpan(m_time - time.m_time); }
  CTime operator-(CTimeSpan span) const { return CTime(m_time - span.GetTimeSpan()); }
  CTime operator+(CTimeSpan span) const { return CTime(m_time + span.GetTimeSpan()); }
  bool operator==(CTime time) const { return m_time == time.m_time; }
  bool operator!=(CTime time) const { return m_time != time.m_time; }
  bool operator<(CTime time) const { return m_time < time.m_time; }
  bool operator>(CTime time) const { return m_time > time.m_time; }
  bool operator<=(CTime time) const { return m_time <= time.m_time; }
  bool operator>=(CTime time) const { return m_time >= time.m_time; }

  __time64_t GetTime() const { return m_time; }
  struct tm* GetGmtTm(struct tm* ptm) const {
    if (ptm == NULL) return NULL;
    const struct tm* p = _gmtime64(&m_time);
    if (p == NULL) return NULL;
    *ptm = *p;
    return ptm;
  }
  struct tm* GetLocalTm(struct tm* ptm) const {
    if (ptm == NULL) return NULL;
    const struct tm* p = _localtime64(&m_time);
    if (p == NULL) return NULL;
    *ptm = *p;
    return ptm;
  }
  bool GetAsSystemTime(SYSTEMTIME& st) const {
    struct tm ttm;
    if (GetLocalTm(&ttm) == NULL) return false;
    st.wYear = static_cast<WORD>(ttm.tm_year + 1900);
    st.wMonth = static_cast<WORD>(ttm.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(ttm.tm_wday);
    st.wDay = static_cast<WORD>(ttm.tm_mday);
    st.wHour = static_cast<WORD>(ttm.tm_hour);
    st.wMinute = static_cast<WORD>(ttm.tm_min);
    st.wSecond = static_cast<WORD>(ttm.tm_sec);
    st.wMilliseconds = 0;
    return true;
  }

  // As the framework: 0 when the time has no local representation.
  int GetYear() const { return Part(&tm::tm_year, 1900); }
  int GetMonth() const { return Part(&tm::tm_mon, 1); }
  int GetDay() const { return Part(&tm::tm_mday, 0); }
  int GetHour() const { return Part(&tm::tm_hour, 0); }
  int GetMinute() const { return Part(&tm::tm_min, 0); }
  int GetSecond() const { return Part(&tm::tm_sec, 0); }
  int GetDayOfWeek() const { return Part(&tm::tm_wday, 1); }

 private:
  int Part(int tm::*pField, int nOffset) const {
    struct tm ttm;
    return GetLocalTm(&ttm) != NULL ? ttm.*pField + nOffset : 0;
  }

  __time64_t m_time;
};

/////////////////////////////////////////////////////////////////////////////
// CArchive

class CArchive {
 public:
  enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

  // Tags of the persistent object format.
  static constexpr WORD wNullTag = 0;
  static constexpr WORD wNewClassTag = 0xFFFF;
  static constexpr WORD wClassTag = 0x8000;
  static constexpr WORD wBigObjectTag = 0x7FFF;
  static constexpr DWORD dwBigClassTag = 0x80000000;
  static constexpr DWORD nMaxMapCount = 0x3FFFFFFE;
  // Nesting of ReadObject a hostile archive may ask for.
  static constexpr int nMaxObjectDepth = 1000;

  CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = NULL);
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  BOOL IsByteSwapping() const { return FALSE; }
  BOOL IsBufferEmpty() const { return IsLoading() ? m_nBufCur == m_nBufMax : m_nBufCur == 0; }
  CFile* GetFile() const { return m_pFile; }

  // The schema of the object being loaded; once per Serialize, then -1.
  UINT GetObjectSchema() {
    UINT nResult = m_nObjectSchema;
    m_nObjectSchema = static_cast<UINT>(-1);
    return nResult;
  }
  void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

  CDocument* m_pDocument;

  UINT Read(void* lpBuf, UINT nMax);
  void EnsureRead(void* lpBuf, UINT nCount) {
    if (Read(lpBuf, nCount) != nCount) ThrowEndOfFile();
  }
  void Write(const void* lpBuf, UINT nMax);
  void Flush();
  void Close();
  void Abort();

  CArchive& operator<<(BYTE by) { return Put(by); }
  CArchive& operator<<(WORD w) { return Put(w); }
  CArchive& operator<<(LONG l) { return Put(l); }
  CArchive& operator<<(DWORD dw) { return Put(dw); }
  CArchive& operator<<(float f) { return Put(f); }
  CArchive& operator<<(double d) { return Put(d); }
  CArchive& operator<<(LONGLONG dwdw) { return Put(dwdw); }
  CArchive& operator<<(ULONGLONG dwdw) { return Put(dwdw); }
  CArchive& operator<<(int i) { return Put(static_cast<LONG>(i)); }
  CArchive& operator<<(unsigned u) { return Put(static_cast<DWORD>(u)); }
  CArchive& operator<<(short w) { return Put(static_cast<WORD>(w)); }
  CArchive& operator<<(char ch) { return Put(static_cast<BYTE>(ch)); }
  CArchive& operator<<(signed char ch) { return Put(static_cast<BYTE>(ch)); }
  CArchive& operator<<(wchar_t ch) { return Put(static_cast<WORD>(ch)); }
  CArchive& operator<<(bool b) { return Put(static_cast<BYTE>(b ? 1 : 0)); }

  CArchive& operator>>(BYTE& by) { return Get(by); }
  CArchive& operator>>(WORD& w) { return Get(w); }
  CArchive& operator>>(LONG& l) { return Get(l); }
  CArchive& operator>>(DWORD& dw) { return Get(dw); }
  CArchive& operator>>(float& f) { return Get(f); }
  CArchive& operator>>(double& d) { return Get(d); }
  CArchive& operator>>(LONGLONG& dwdw) { return Get(dwdw); }
  CArchive& operator>>(ULONGLONG& dwdw) { return Get(dwdw); }
  CArchive& operator>>(int& i) { return GetAs<LONG>(i); }
  CArchive& operator>>(unsigned& u) { return GetAs<DWORD>(u); }
  CArchive& operator>>(short& w) { return GetAs<WORD>(w); }
  CArchive& operator>>(char& ch) { return GetAs<BYTE>(ch); }
  CArchive& operator>>(signed char& ch) { return GetAs<BYTE>(ch); }
  CArchive& operator>>(wchar_t& ch) { return GetAs<WORD>(ch); }
  CArchive& operator>>(bool& b) {
    BYTE by = 0;
    Get(by);
    b = by != 0;
    return *this;
  }

  void WriteCount(DWORD_PTR dwCount);
  DWORD_PTR ReadCount();

  void WriteObject(const CObject* pOb);
  CObject* ReadObject(const CRuntimeClass* pClass);
  void WriteClass(const CRuntimeClass* pClassRef);
  CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = NULL, UINT* pSchema = NULL,
                           DWORD* pObTag = NULL);
  void SerializeClass(const CRuntimeClass* pClassRef) {
    if (IsStoring())
      WriteClass(pClassRef);
    else
      ReadClass(pClassRef);
  }
  void MapObject(const CObject* pOb);
  void SetStoreParams(UINT nHashSize = 2053, UINT /*nBlockSize*/ = 128) {
    m_storeMap.reserve(afx_detail::Min(nHashSize, 1u << 16));
  }
  void SetLoadParams(UINT nGrowBy = 1024) {
    m_loadArray.reserve(afx_detail::Min(nGrowBy, 1u << 16));
  }

  friend CArchive& AFXAPI operator<<(CArchive& ar, const CObject* pOb);
  friend CArchive& AFXAPI operator>>(CArchive& ar, CObject*& pOb);
  friend CArchive& AFXAPI operator>>(CArchive& ar, const CObject*& pOb);
  friend CArchive& AFXAPI operator>>(CArchive& ar, CStringW& str);
  friend CArchive& AFXAPI operator>>(CArchive& ar, CStringA& str);

 protected:
  struct LoadEntry {
    void* p;  // CObject* or CRuntimeClass*
    bool bClass;
    UINT nSchema;  // the schema stored for a class
  };

  template <class T>
  CArchive& Put(const T& value) {
    Write(&value, sizeof(T));
    return *this;
  }
  template <class T>
  CArchive& Get(T& value) {
    T stored = T();
    EnsureRead(&stored, sizeof(T));
    value = stored;
    return *this;
  }
  template <class Stored, class T>
  CArchive& GetAs(T& value) {
    Stored stored = Stored();
    Get(stored);
    value = static_cast<T>(stored);
    return *this;
  }
  [[noreturn]] void ThrowEndOfFile() const {
    AfxThrowArchiveException(CArchiveException::endOfFile, m_strFileName);
  }
  void CheckOpen() const {
    if (m_pFile == NULL)
      AfxThrowArchiveException(CArchiveException::genericException, m_strFileName);
  }
  void CheckCount() const {
    if (m_nMapCount >= nMaxMapCount)
      AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
  }
  void InitLoadArray() {
    if (m_loadArray.empty()) {
      LoadEntry null = {NULL, false, 0};  // tag 0
      m_loadArray.push_back(null);
      m_nMapCount = 1;
    }
  }
  // Bytes left in the buffer and the file, when the file can tell.
  bool GetRemaining(ULONGLONG& nRemaining) {
    try {
      ULONGLONG nLength = m_pFile->GetLength(), nPosition = m_pFile->GetPosition();
      nRemaining = (m_nBufMax - m_nBufCur) + (nLength > nPosition ? nLength - nPosition : 0);
      return true;
    } catch (CException* e) {
      e->Delete();
      return false;
    }
  }
  // nChars characters of C; a length the data cannot hold fails before any
  // allocation, and otherwise the text grows only as it is read.
  template <class C>
  void ReadChars(std::basic_string<C>& text, ULONGLONG nChars) {
    ULONGLONG nRemaining = 0;
    if (nChars > ~0ULL / sizeof(C) || (GetRemaining(nRemaining) && nChars * sizeof(C) > nRemaining))
      ThrowEndOfFile();
    if (nChars > static_cast<ULONGLONG>(INT_MAX)) AfxThrowMemoryException();
    const size_t nChunk = 32768;
    text.clear();
    for (size_t nDone = 0; nDone < nChars;) {
      size_t n = afx_detail::Min(nChunk, static_cast<size_t>(nChars) - nDone);
      text.resize(nDone + n);
      EnsureRead(&text[nDone], static_cast<UINT>(n * sizeof(C)));
      nDone += n;
    }
  }

  UINT m_nMode;
  CFile* m_pFile;
  CString m_strFileName;
  std::vector<BYTE> m_buffer;
  size_t m_nBufCur;  // storing: bytes held; loading: bytes consumed
  size_t m_nBufMax;  // loading: bytes held
  UINT m_nObjectSchema;
  DWORD m_nMapCount;
  std::unordered_map<const void*, DWORD> m_storeMap;
  std::vector<LoadEntry> m_loadArray;
  int m_nDepth;
};

inline CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void*)
    : m_pDocument(NULL),
      m_nMode(nMode),
      m_pFile(pFile),
      m_nBufCur(0),
      m_nBufMax(0),
      m_nObjectSchema(static_cast<UINT>(-1)),
      m_nMapCount(1),
      m_nDepth(0) {
  if (pFile == NULL) AfxThrowInvalidArgException();
  // The caller's buffer is not needed: the archive keeps its own.
  nBufSize = nBufSize < 128 ? 128 : afx_detail::Min(nBufSize, 1 << 20);
  m_buffer.resize(static_cast<size_t>(nBufSize));
  m_strFileName = pFile->GetFilePath();
}

inline CArchive::~CArchive() {
  if (m_pFile != NULL && (m_nMode & bNoFlushOnDelete) == 0) {
    try {
      Close();
    } catch (CException* e) {
      e->Delete();
    } catch (...) {
    }
  }
  Abort();
}

inline UINT CArchive::Read(void* lpBuf, UINT nMax) {
  CheckOpen();
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly, m_strFileName);
  if (nMax == 0) return 0;
  if (lpBuf == NULL) AfxThrowInvalidArgException();
  BYTE* pDest = static_cast<BYTE*>(lpBuf);
  UINT nLeft = nMax;
  while (nLeft > 0) {
    if (m_nBufCur < m_nBufMax) {
      UINT n =
          static_cast<UINT>(afx_detail::Min(static_cast<size_t>(nLeft), m_nBufMax - m_nBufCur));
      memcpy(pDest, &m_buffer[m_nBufCur], n);
      m_nBufCur += n;
      pDest += n;
      nLeft -= n;
    } else if (nLeft >= m_buffer.size()) {
      UINT n = afx_detail::Min(m_pFile->Read(pDest, nLeft), nLeft);
      if (n == 0) break;
      pDest += n;
      nLeft -= n;
    } else {
      UINT nSize = static_cast<UINT>(m_buffer.size());
      UINT n = afx_detail::Min(m_pFile->Read(m_buffer.data(), nSize), nSize);
      m_nBufCur = 0;
      m_nBufMax = n;
      if (n == 0) break;
    }
  }
  return nMax - nLeft;
}

inline void CArchive::Write(const void* lpBuf, UINT nMax) {
  CheckOpen();
  if (IsLoading()) AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
  if (nMax == 0) return;
  if (lpBuf == NULL) AfxThrowInvalidArgException();
  if (m_nBufCur + nMax > m_buffer.size()) {
    Flush();
    if (nMax >= m_buffer.size()) {
      m_pFile->Write(lpBuf, nMax);
      return;
    }
  }
  memcpy(&m_buffer[m_nBufCur], lpBuf, nMax);
  m_nBufCur += nMax;
}

inline void CArchive::Flush() {
  CheckOpen();
  if (IsLoading()) {
    // Give back what was read ahead, so the file stands where the data ends.
    size_t nUnread = m_nBufMax - m_nBufCur;
    m_nBufCur = m_nBufMax = 0;
    if (nUnread != 0) m_pFile->Seek(-static_cast<LONGLONG>(nUnread), CFile::current);
  } else if (m_nBufCur != 0) {
    // Emptied first: a failed write is not repeated by a later Close.
    UINT n = static_cast<UINT>(m_nBufCur);
    m_nBufCur = 0;
    m_pFile->Write(m_buffer.data(), n);
  }
}

inline void CArchive::Close() {
  if (m_pFile == NULL) return;
  Flush();
  m_pFile = NULL;
}

inline void CArchive::Abort() {
  m_pFile = NULL;
  m_nBufCur = m_nBufMax = 0;
}

inline void CArchive::WriteCount(DWORD_PTR dwCount) {
  if (dwCount < 0xFFFF) {
    *this << static_cast<WORD>(dwCount);
    return;
  }
  *this << static_cast<WORD>(0xFFFF);
  if (dwCount < 0xFFFFFFFF) {
    *this << static_cast<DWORD>(dwCount);
    return;
  }
  *this << static_cast<DWORD>(0xFFFFFFFF);
  *this << static_cast<ULONGLONG>(dwCount);
}

inline DWORD_PTR CArchive::ReadCount() {
  WORD wCount;
  *this >> wCount;
  if (wCount != 0xFFFF) return wCount;
  DWORD dwCount;
  *this >> dwCount;
  if (dwCount != 0xFFFFFFFF) return dwCount;
  ULONGLONG qwCount;
  *this >> qwCount;
  return static_cast<DWORD_PTR>(qwCount);
}

inline void CArchive::MapObject(const CObject* pOb) {
  if (IsStoring()) {
    if (pOb != NULL) {
      CheckCount();
      m_storeMap[pOb] = m_nMapCount++;
    }
  } else {
    InitLoadArray();
    if (pOb != NULL) {
      CheckCount();
      LoadEntry entry = {const_cast<CObject*>(pOb), false, 0};
      m_loadArray.push_back(entry);
      ++m_nMapCount;
    }
  }
}

inline void CArchive::WriteClass(const CRuntimeClass* pClassRef) {
  if (pClassRef == NULL) AfxThrowInvalidArgException();
  if (pClassRef->m_wSchema == 0xFFFF) AfxThrowNotSupportedException();  // not serialisable
  CheckOpen();
  if (IsLoading()) AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
  auto it = m_storeMap.find(pClassRef);
  if (it != m_storeMap.end()) {
    DWORD nClassIndex = it->second;
    if (nClassIndex < wBigObjectTag) {
      *this << static_cast<WORD>(wClassTag | nClassIndex);
    } else {
      *this << wBigObjectTag;
      *this << static_cast<DWORD>(dwBigClassTag | nClassIndex);
    }
    return;
  }
  *this << wNewClassTag;
  pClassRef->Store(*this);
  CheckCount();
  m_storeMap[pClassRef] = m_nMapCount++;
}

inline void CArchive::WriteObject(const CObject* pOb) {
  CheckOpen();
  if (IsLoading()) AfxThrowArchiveException(CArchiveException::readOnly, m_strFileName);
  if (pOb == NULL) {
    *this << wNullTag;
    return;
  }
  auto it = m_storeMap.find(pOb);
  if (it != m_storeMap.end()) {
    DWORD nObIndex = it->second;
    if (nObIndex < wBigObjectTag) {
      *this << static_cast<WORD>(nObIndex);
    } else {
      *this << wBigObjectTag;
      *this << nObIndex;
    }
    return;
  }
  WriteClass(pOb->GetRuntimeClass());
  CheckCount();
  m_storeMap[pOb] = m_nMapCount++;
  const_cast<CObject*>(pOb)->Serialize(*this);
}

inline CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema,
                                          DWORD* pObTag) {
  CheckOpen();
  if (!IsLoading()) AfxThrowArchiveException(CArchiveException::writeOnly, m_strFileName);
  if (pClassRefRequested != NULL && pClassRefRequested->m_wSchema == 0xFFFF)
    AfxThrowNotSupportedException();
  InitLoadArray();

  WORD wTag;
  *this >> wTag;
  DWORD obTag;
  if (wTag == wBigObjectTag)
    *this >> obTag;
  else
    obTag = (static_cast<DWORD>(wTag & wClassTag) << 16) | static_cast<DWORD>(wTag & 0x7FFF);

  if ((obTag & dwBigClassTag) == 0) {
    // An object's tag, not a class.
    if (pObTag == NULL) AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
    *pObTag = obTag;
    return NULL;
  }

  CRuntimeClass* pClassRef;
  UINT nSchema;
  if (wTag == wNewClassTag) {
    pClassRef = CRuntimeClass::Load(*this, &nSchema);
    if (pClassRef == NULL || pClassRef->m_wSchema == 0xFFFF)
      AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
    if ((pClassRef->m_wSchema & ~VERSIONABLE_SCHEMA) != nSchema &&
        (pClassRef->m_wSchema & VERSIONABLE_SCHEMA) == 0)
      AfxThrowArchiveException(CArchiveException::badSchema, m_strFileName);
    CheckCount();
    LoadEntry entry = {pClassRef, true, nSchema};
    m_loadArray.push_back(entry);
    ++m_nMapCount;
  } else {
    DWORD nClassIndex = obTag & ~dwBigClassTag;
    if (nClassIndex == 0 || nClassIndex >= m_loadArray.size() || !m_loadArray[nClassIndex].bClass)
      AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
    pClassRef = static_cast<CRuntimeClass*>(m_loadArray[nClassIndex].p);
    nSchema = m_loadArray[nClassIndex].nSchema;
  }

  if (pClassRefRequested != NULL && !pClassRef->IsDerivedFrom(pClassRefRequested))
    AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
  if (pSchema != NULL)
    *pSchema = nSchema;
  else
    m_nObjectSchema = nSchema;
  if (pObTag != NULL) *pObTag = obTag;
  return pClassRef;
}

inline CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
  struct DepthGuard {
    explicit DepthGuard(CArchive& ar) : m_ar(ar) {
      if (m_ar.m_nDepth >= nMaxObjectDepth)
        AfxThrowArchiveException(CArchiveException::genericException, m_ar.m_strFileName);
      ++m_ar.m_nDepth;
    }
    ~DepthGuard() { --m_ar.m_nDepth; }
    CArchive& m_ar;
  } guard(*this);

  UINT nSchema;
  DWORD obTag;
  CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, &nSchema, &obTag);
  if (pClassRef == NULL) {
    // An object read earlier through this archive (tag 0: null).
    if (obTag >= m_loadArray.size() || m_loadArray[obTag].bClass)
      AfxThrowArchiveException(CArchiveException::badIndex, m_strFileName);
    CObject* pOb = static_cast<CObject*>(m_loadArray[obTag].p);
    if (pOb != NULL && pClassRefRequested != NULL && !pOb->IsKindOf(pClassRefRequested))
      AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
    return pOb;
  }

  if (pClassRef->m_pfnCreateObject == NULL)
    AfxThrowArchiveException(CArchiveException::badClass, m_strFileName);
  CheckCount();
  if (m_loadArray.size() == m_loadArray.capacity())  // no failure once the object exists
    m_loadArray.reserve(
        afx_detail::Min(m_loadArray.size() * 2 + 16, static_cast<size_t>(nMaxMapCount) + 1));
  CObject* pOb = pClassRef->CreateObject();
  if (pOb == NULL) AfxThrowMemoryException();
  // Numbered before its members, so that objects nested in it come after.
  size_t nIndex = m_loadArray.size();
  LoadEntry entry = {pOb, false, 0};
  m_loadArray.push_back(entry);
  ++m_nMapCount;

  UINT nSchemaSave = m_nObjectSchema;
  m_nObjectSchema = nSchema;
  try {
    pOb->Serialize(*this);
  } catch (...) {
    // Nobody else holds the half-read object: it goes, and so does every tag
    // from it on, so that no later reference can reach it.
    m_nObjectSchema = nSchemaSave;
    m_loadArray.resize(nIndex);
    m_nMapCount = static_cast<DWORD>(nIndex);
    delete pOb;
    throw;
  }
  m_nObjectSchema = nSchemaSave;
  return pOb;
}

inline CArchive& AFXAPI operator<<(CArchive& ar, const CObject* pOb) {
  ar.WriteObject(pOb);
  return ar;
}
inline CArchive& AFXAPI operator>>(CArchive& ar, CObject*& pOb) {
  pOb = ar.ReadObject(NULL);
  return ar;
}
inline CArchive& AFXAPI operator>>(CArchive& ar, const CObject*& pOb) {
  pOb = ar.ReadObject(NULL);
  return ar;
}

/////////////////////////////////////////////////////////////////////////////
// Strings in archives

inline void AFXAPI AfxWriteStringLength(CArchive& ar, UINT_PTR nLength, BOOL bUnicode) {
  if (bUnicode) {
    ar << static_cast<BYTE>(0xFF);
    ar << static_cast<WORD>(0xFFFE);
  }
  if (nLength < 0xFF) {
    ar << static_cast<BYTE>(nLength);
    return;
  }
  ar << static_cast<BYTE>(0xFF);
  if (nLength < 0xFFFE) {
    ar << static_cast<WORD>(nLength);
    return;
  }
  ar << static_cast<WORD>(0xFFFF);
  if (nLength < 0xFFFFFFFF) {
    ar << static_cast<DWORD>(nLength);
    return;
  }
  ar << static_cast<DWORD>(0xFFFFFFFF);
  ar << static_cast<ULONGLONG>(nLength);
}

inline UINT_PTR AFXAPI AfxReadStringLength(CArchive& ar, int& nCharSize) {
  nCharSize = sizeof(char);
  BYTE bLength;
  ar >> bLength;
  if (bLength < 0xFF) return bLength;
  WORD wLength;
  ar >> wLength;
  if (wLength == 0xFFFE) {
    // A wide string; its length starts over.
    nCharSize = sizeof(wchar_t);
    ar >> bLength;
    if (bLength < 0xFF) return bLength;
    ar >> wLength;
  }
  if (wLength < 0xFFFF) return wLength;
  DWORD dwLength;
  ar >> dwLength;
  if (dwLength < 0xFFFFFFFF) return dwLength;
  ULONGLONG qwLength;
  ar >> qwLength;
  return static_cast<UINT_PTR>(qwLength);
}

inline CArchive& AFXAPI operator<<(CArchive& ar, const CStringW& str) {
  AfxWriteStringLength(ar, static_cast<UINT_PTR>(str.GetLength()), TRUE);
  ar.Write(str.GetString(), static_cast<UINT>(str.GetLength()) * sizeof(wchar_t));
  return ar;
}

inline CArchive& AFXAPI operator<<(CArchive& ar, const CStringA& str) {
  AfxWriteStringLength(ar, static_cast<UINT_PTR>(str.GetLength()), FALSE);
  ar.Write(str.GetString(), static_cast<UINT>(str.GetLength()));
  return ar;
}

inline CArchive& AFXAPI operator>>(CArchive& ar, CStringW& str) {
  int nCharSize;
  UINT_PTR nLength = AfxReadStringLength(ar, nCharSize);
  if (nCharSize == sizeof(char)) {
    std::string text;
    ar.ReadChars(text, nLength);
    std::wstring wide = afx_detail::Widen(text.data(), text.size());
    str = CStringW(wide.data(), afx_detail::CheckedLength(wide.size()));
  } else {
    std::wstring text;
    ar.ReadChars(text, nLength);
    str = CStringW(text.data(), static_cast<int>(text.size()));
  }
  return ar;
}

inline CArchive& AFXAPI operator>>(CArchive& ar, CStringA& str) {
  int nCharSize;
  UINT_PTR nLength = AfxReadStringLength(ar, nCharSize);
  if (nCharSize == sizeof(char)) {
    std::string text;
    ar.ReadChars(text, nLength);
    str = CStringA(text.data(), static_cast<int>(text.size()));
  } else {
    std::wstring text;
    ar.ReadChars(text, nLength);
    std::string narrow = afx_detail::Narrow(text.data(), text.size());
    str = CStringA(narrow.data(), afx_detail::CheckedLength(narrow.size()));
  }
  return ar;
}

// Text pointers are written as strings: without these they would become bool.
inline CArchive& AFXAPI operator<<(CArchive& ar, LPCWSTR lpsz) { return ar << CStringW(lpsz); }
inline CArchive& AFXAPI operator<<(CArchive& ar, LPCSTR lpsz) { return ar << CStringA(lpsz); }

// Times as 64-bit seconds.
inline CArchive& AFXAPI operator<<(CArchive& ar, CTime time) {
  return ar << static_cast<LONGLONG>(time.GetTime());
}
inline CArchive& AFXAPI operator>>(CArchive& ar, CTime& rtime) {
  LONGLONG t;
  ar >> t;
  rtime = CTime(t);
  return ar;
}
inline CArchive& AFXAPI operator<<(CArchive& ar, CTimeSpan span) {
  return ar << static_cast<LONGLONG>(span.GetTimeSpan());
}
inline CArchive& AFXAPI operator>>(CArchive& ar, CTimeSpan& rspan) {
  LONGLONG t;
  ar >> t;
  rspan = CTimeSpan(t);
  return ar;
}

/////////////////////////////////////////////////////////////////////////////
// CRuntimeClass members that need the rest

inline BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  for (const CRuntimeClass* pClass = this; pClass != NULL;) {
    if (pClass == pBaseClass) return TRUE;
#ifdef _AFXDLL
    pClass = pClass->m_pfnGetBaseClass != NULL ? (*pClass->m_pfnGetBaseClass)() : NULL;
#else
    pClass = pClass->m_pBaseClass;
#endif
  }
  return FALSE;
}

inline CObject* CRuntimeClass::CreateObject() {
  if (m_pfnCreateObject == NULL) return NULL;
  try {
    return (*m_pfnCreateObject)();
  } catch (CMemoryException* e) {
    e->Delete();
  } catch (const std::bad_alloc&) {
  }
  return NULL;  // documented: NULL when memory runs out
}

inline CRuntimeClass* PASCAL CRuntimeClass::FromName(LPCSTR lpszClassName) {
  if (lpszClassName == NULL) return NULL;
  if (afx_detail::ClassRegistry* pRegistry = afx_detail::ClassRegistry::Get())
    if (CRuntimeClass* pClass = pRegistry->Find(lpszClassName)) return pClass;
  if (strcmp(lpszClassName, "CObject") == 0) return _RUNTIME_CLASS(CObject);
  return NULL;
}

inline CRuntimeClass* PASCAL CRuntimeClass::FromName(LPCWSTR lpszClassName) {
  if (lpszClassName == NULL) return NULL;
  std::string name = afx_detail::Narrow(lpszClassName, wcslen(lpszClassName));
  return FromName(name.c_str());
}

inline CObject* PASCAL CRuntimeClass::CreateObject(LPCSTR lpszClassName) {
  CRuntimeClass* pClass = FromName(lpszClassName);
  return pClass != NULL ? pClass->CreateObject() : NULL;
}

inline CObject* PASCAL CRuntimeClass::CreateObject(LPCWSTR lpszClassName) {
  CRuntimeClass* pClass = FromName(lpszClassName);
  return pClass != NULL ? pClass->CreateObject() : NULL;
}

inline void CRuntimeClass::Store(CArchive& ar) const {
  if (m_lpszClassName == NULL) AfxThrowInvalidArgException();
  size_t nLen = strlen(m_lpszClassName);
  if (nLen > 0xFFFF) AfxThrowInvalidArgException();
  ar << static_cast<WORD>(m_wSchema) << static_cast<WORD>(nLen);
  ar.Write(m_lpszClassName, static_cast<UINT>(nLen));
}

inline CRuntimeClass* PASCAL CRuntimeClass::Load(CArchive& ar, UINT* pwSchemaNum) {
  if (pwSchemaNum == NULL) return NULL;
  WORD wSchema, nLen;
  ar >> wSchema;
  *pwSchemaNum = wSchema;
  ar >> nLen;
  char szClassName[64];
  if (nLen >= _countof(szClassName) || ar.Read(szClassName, nLen) != static_cast<UINT>(nLen))
    return NULL;
  szClassName[nLen] = '\0';
  return FromName(szClassName);
}

#include "afxcoll.h"

#endif  // __AFX_H__
