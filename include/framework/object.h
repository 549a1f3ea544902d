// The object model on the host's side: a common base with a class record,
// for GetRuntimeClass, IsKindOf and the archive's object reads.
//
// The library's own objects cannot cross the binary interface, so these
// records live in the host. What is not offered here: declaring serialisable
// classes of one's own (KX_DECLARE_SERIAL, KX_IMPLEMENT_SERIAL) and looking a
// class up by name; an archive carries settings keys as objects, nothing else.
#pragma once

class CArchive;
class CDumpContext;
class CObject;

// Schema flag of a class that reads every stored version of itself.
inline constexpr unsigned int VERSIONABLE_SCHEMA = 0x80000000u;

// The class record of a class.
struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  unsigned int m_wSchema;  // 0x80000001: versionable schema, version 1
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

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
  virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
  virtual ~CObject() = default;
  virtual void Serialize(CArchive&) {}
  virtual void AssertValid() const {}
  virtual void Dump(CDumpContext&) const {}

  bool IsKindOf(const CRuntimeClass* record) const {
    return GetRuntimeClass()->IsDerivedFrom(record);
  }

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

inline const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)),
                                                    0xFFFF, nullptr, nullptr};

#define KX_RUNTIME_CLASS(name) (&name::class##name)
