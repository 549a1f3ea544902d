// Class records: RUNTIME_CLASS, IsKindOf, GetRuntimeClass, the framework's
// lookup by name and its factories for all ten classes.
#include <afxwin.h>

#include <cstring>

#include "MWSettingsKey.h"
#include "check.h"

void ClassesSnippet() {
  MWSettingsKey key(_T("Classes"), KXHOST_KEY);
  key.AddValue(_T("Frame"), CRect(1, 2, 3, 4));
  CObject* value = key.FindValue(_T("Frame"));
  CRect r;
  static_cast<MWRectValue*>(value)->GetValue(r);
  CHECK(value->IsKindOf(RUNTIME_CLASS(MWSettingsValue)) &&
        value->IsKindOf(RUNTIME_CLASS(CObject)) && !value->IsKindOf(RUNTIME_CLASS(MWSettingsKey)) &&
        value->GetRuntimeClass() == RUNTIME_CLASS(MWRectValue) &&
        std::strcmp(value->GetRuntimeClass()->m_lpszClassName, "MWRectValue") == 0 &&
        value->GetRuntimeClass()->m_wSchema == (VERSIONABLE_SCHEMA | 1) && r == CRect(1, 2, 3, 4));

  CRuntimeClass* classes[] = {
      RUNTIME_CLASS(MWSettingsKey),  RUNTIME_CLASS(MWSettingsValue), RUNTIME_CLASS(MWIntValue),
      RUNTIME_CLASS(MWColorValue),   RUNTIME_CLASS(MWDoubleValue),   RUNTIME_CLASS(MWStringValue),
      RUNTIME_CLASS(MWPointValue),   RUNTIME_CLASS(MWRectValue),     RUNTIME_CLASS(MWTimeValue),
      RUNTIME_CLASS(MWIntArrayValue)};
  for (CRuntimeClass* c : classes) {
    CObject* made = CRuntimeClass::FromName(c->m_lpszClassName)->CreateObject();
    CHECK(made && made->IsKindOf(c) && made->GetRuntimeClass() == c);
    delete made;
  }
}
