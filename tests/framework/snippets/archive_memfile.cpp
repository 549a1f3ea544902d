// A key and every kind through the framework's archive over a CMemFile: the
// key's children stored with ar << pKey, read back with the merge rule.
#include <afxwin.h>
#include <afxtempl.h>

#include "MWSettingsKey.h"
#include "check.h"

void ArchiveMemFileSnippet() {
  CArray<int, int> list;
  list.Add(4);
  MWSettingsKey* key = new MWSettingsKey(_T("Doc"), KXHOST_KEY);
  key->AddValue(_T("Int"), 7);
  key->AddValue(_T("Colour"), RGB(9, 8, 7));
  key->AddValue(_T("Double"), -0.5);
  key->AddValue(_T("Text"), _T("Plan"));
  key->AddValue(_T("Point"), CPoint(1, 2));
  key->AddValue(_T("Rect"), CRect(1, 2, 3, 4));
  key->AddValue(_T("Time"), CTime(4102444800));
  key->AddValue(_T("Array"), list);
  key->AddValue(_T("Undeclared"), 1);
  CMemFile file;
  CArchive out(&file, CArchive::store);
  out << key;
  key->Serialize(out);
  out.Close();

  file.SeekToBegin();
  CArchive in(&file, CArchive::load);
  CObject* read = in.ReadObject(RUNTIME_CLASS(MWSettingsKey));
  MWSettingsKey copy(_T("Copy"), KXHOST_KEY);
  CArray<int, int> none;
  copy.AddValue(_T("Int"), 0);
  copy.AddValue(_T("Colour"), RGB(0, 0, 0));
  copy.AddValue(_T("Double"), 0.0);
  copy.AddValue(_T("Text"), _T(""));
  copy.AddValue(_T("Point"), CPoint(0, 0));
  copy.AddValue(_T("Rect"), CRect(0, 0, 0, 0));
  copy.AddValue(_T("Time"), CTime(0));
  copy.AddValue(_T("Array"), none);
  copy.AddValue(_T("Kept"), 5);
  copy.Serialize(in);
  in.Close();
  CHECK(read && read->IsKindOf(RUNTIME_CLASS(MWSettingsKey)));
  int i = 0, kept = 0;
  COLORREF c = 0;
  double d = 0;
  CString t;
  CPoint p;
  CRect r;
  CTime m;
  copy.GetValue(_T("Int"), i);
  copy.GetValue(_T("Colour"), c);
  copy.GetValue(_T("Double"), d);
  copy.GetValue(_T("Text"), t);
  copy.GetValue(_T("Point"), p);
  copy.GetValue(_T("Rect"), r);
  copy.GetValue(_T("Time"), m);
  copy.GetValue(_T("Array"), none);
  copy.GetValue(_T("Kept"), kept);
  CHECK(i == 7 && c == RGB(9, 8, 7) && d == -0.5 && t == _T("Plan") && p == CPoint(1, 2) &&
        r == CRect(1, 2, 3, 4) && m.GetTime() == 4102444800 && none.GetSize() == 1 &&
        none[0] == 4 && kept == 5 && copy.FindValue(_T("Undeclared")) == NULL);
  delete read;
  delete key;
}
