// A value archived on its own: Serialize, ar << value, ar >> value.
#include <afxwin.h>

#include "MWSettingsKey.h"
#include "check.h"

void ValuesSnippet() {
  MWSettingsKey key(_T("Values"), KXHOST_KEY);
  key.AddValue(_T("Origin"), CPoint(5, -6));
  MWSettingsValue* value = key.FindValue(_T("Origin"));
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    value->Serialize(ar);
    ar << value;
    MWStringValue own(_T("Own"), _T("text"));
    ar << &own;
  }
  // The value: name 4 + 12, point 8. With its class record: 6 + "MWPointValue".
  // The own value: 6 + "MWStringValue", name 4 + 6, text 4 + 8.
  CHECK(file.GetLength() == 24 + (6 + 12 + 24) + (6 + 13 + 10 + 12));
  file.SeekToBegin();
  CArchive ar(&file, CArchive::load);
  MWPointValue loaded;
  loaded.Serialize(ar);
  CObject* read = NULL;
  MWStringValue* own = NULL;
  ar >> read >> own;
  CPoint p, q;
  loaded.GetValue(p);
  static_cast<MWPointValue*>(read)->GetValue(q);
  CString text;
  own->GetValue(text);
  CHECK(loaded.GetName() == _T("Origin") && p == CPoint(5, -6) && q == p &&
        read->IsKindOf(RUNTIME_CLASS(MWPointValue)) && own->GetName() == _T("Own") &&
        text == _T("text"));
  delete read;
  delete own;
  static_cast<MWPointValue*>(value)->SetValue(CPoint(7, 8));
  key.GetValue(_T("Origin"), p);
  CHECK(p == CPoint(7, 8));
}
