// Child keys adopted from raw pointers; a refused key is deleted.
#include <afxwin.h>

#include "MWSettingsKey.h"
#include "check.h"

void AddKeySnippet() {
  MWSettingsKey root(_T("Root"), KXHOST_KEY);
  MWSettingsKey* tools = new MWSettingsKey(_T("Tools"), KXHOST_KEY _T("\\Tools"));
  MWSettingsKey* pens = new MWSettingsKey(_T("Pens"), KXHOST_KEY _T("\\Pens"));
  root.AddKey(tools);
  tools->AddKey(pens);
  pens->AddValue(_T("Width"), 3);
  int width = 0;
  root.GetValue(_T("Width"), width);
  CHECK(root.FindKey(_T("Pens")) == pens && width == 3);

  MWSettingsKey* outer = new MWSettingsKey(_T("Outer"), KXHOST_KEY);
  MWSettingsKey* inner = new MWSettingsKey(_T("Inner"), KXHOST_KEY);
  outer->AddKey(inner);
  bool refused = false;
  try {
    inner->AddKey(outer);  // would hold its own parent: refused, and outer deleted with inner
  } catch (CInvalidArgException* e) {
    refused = true;
    e->Delete();
  }
  CHECK(refused);
}
