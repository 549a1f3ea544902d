#include <cstring>
#include <utility>
#include <vector>

#include "framework/class_registry.h"
#include "framework/lock.h"

namespace kx {

namespace {

struct Registry {
  Lock lock;
  std::vector<const CRuntimeClass*> pending;
  std::vector<const CRuntimeClass*> published;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every static destructor
  return *registry;
}

}  // namespace

std::vector<const CRuntimeClass*> TakePendingClasses() {
  Registry& r = TheRegistry();
  AutoLock hold(r.lock);
  return std::exchange(r.pending, {});
}

void PublishClasses(const std::vector<const CRuntimeClass*>& records) {
  Registry& r = TheRegistry();
  AutoLock hold(r.lock);
  r.published.insert(r.published.end(), records.begin(), records.end());
}

void WithdrawClasses(const std::vector<const CRuntimeClass*>& records) {
  Registry& r = TheRegistry();
  AutoLock hold(r.lock);
  for (const CRuntimeClass* record : records) std::erase(r.published, record);
}


CClassInit::CClassInit(const CRuntimeClass* record) {
  kx::Registry& r = kx::TheRegistry();
  kx::AutoLock hold(r.lock);
  r.pending.push_back(record);
}

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
    if (c == base) return true;
  return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* className) {
  kx::Registry& r = kx::TheRegistry();
  kx::AutoLock hold(r.lock);
  for (const CRuntimeClass* record : r.published)
    if (std::strcmp(record->m_lpszClassName, className) == 0) return record;
  return nullptr;
}

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                             nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }
CObject::~CObject() = default;
void CObject::Serialize(CArchive&) {}
void CObject::AssertValid() const {}
void CObject::Dump(CDumpContext&) const {}

bool CObject::IsKindOf(const CRuntimeClass* record) const {
  return GetRuntimeClass()->IsDerivedFrom(record);
}

}  // namespace kx
