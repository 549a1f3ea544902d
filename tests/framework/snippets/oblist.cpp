// Keys kept in a CObList and deleted through CObject*.
#include <afxwin.h>

#include "MWSettingsKey.h"
#include "check.h"

void ObListSnippet() {
  CObList keys;
  keys.AddTail(new MWSettingsKey(_T("First"), KXHOST_KEY _T("\\First")));
  keys.AddTail(new MWSettingsKey(_T("Second"), KXHOST_KEY _T("\\Second")));
  int found = 0;
  for (POSITION pos = keys.GetHeadPosition(); pos != NULL;) {
    CObject* object = keys.GetNext(pos);
    if (object->IsKindOf(RUNTIME_CLASS(MWSettingsKey))) {
      MWSettingsKey* key = static_cast<MWSettingsKey*>(object);
      key->AddValue(_T("Shown"), 1);
      found += key->Save();
    }
  }
  while (!keys.IsEmpty()) delete keys.RemoveHead();
  CHECK(found == 2);
}
