// The object model: a common base with a class record, so that an archive
// can recreate objects by class name.
#pragma once

namespace kx {

class CArchive;
class CDumpContext;
class CObject;

// Schema flag of a class that reads every stored version of itself.
inline constexpr unsigned int VERSIONABLE_SCHEMA = 0x80000000u;

// The class record of a serialisable class.
struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  unsigned int m_wSchema;  // 0x80000001: versionable schema, version 1
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  // A new object from the factory, or null for classes without one.
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  // The registered record of that class name, or null.
  static const CRuntimeClass* FromName(const char* className);
};

// Registers a class record when the defining module is initialised.
struct CClassInit {
  explicit CClassInit(const CRuntimeClass* record);
};

class CObject {
 public:
  // Virtual slots in this order: class record, destructor, archive form,
  // validity check, diagnostic dump.
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject();
  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext& dc) const;

  bool IsKindOf(const CRuntimeClass* record) const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define KX_RUNTIME_CLASS(name) (&name::class##name)

// In the class body of a serialisable class.
#define KX_DECLARE_SERIAL(name)                          \
 public:                                                 \
  static const CRuntimeClass class##name;                \
  const CRuntimeClass* GetRuntimeClass() const override; \
  static CObject* CreateObject();

// In one source file of that class.
#define KX_IMPLEMENT_SERIAL(name, base, schema)                                           \
  CObject* name::CreateObject() { return new name; }                                      \
  const CRuntimeClass name::class##name = {#name, static_cast<int>(sizeof(name)), schema, \
                                           &name::CreateObject, KX_RUNTIME_CLASS(base)};  \
  const CRuntimeClass* name::GetRuntimeClass() const { return KX_RUNTIME_CLASS(name); }   \
  static const CClassInit kxClassInit##name(KX_RUNTIME_CLASS(name));

}  // namespace kx
