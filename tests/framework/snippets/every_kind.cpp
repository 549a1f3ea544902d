// Every kind declared with CString names and the framework's types, saved to
// the registry and loaded over other defaults, then archived with ar << pKey
// over a CMemFile and read back with the merge rule.
#include <afxwin.h>
#include <afxtempl.h>

#include "MWSettingsKey.h"
#include "check.h"

namespace {

void Declare(MWSettingsKey& key, int n) {
  CArray<int, int> list;
  if (n) list.Add(4);
  key.AddValue(_T("Int"), -5 * n);
  key.AddValue(_T("Colour"), RGB(10, 20, n));
  key.AddValue(_T("Double"), 2.5 * n);
  key.AddValue(_T("Text"), n ? _T("Plan A") : _T(""));
  key.AddValue(_T("Point"), CPoint(10 * n, -3));
  key.AddValue(_T("Rect"), CRect(0, 0, 640 * n, 480));
  key.AddValue(_T("Time"), CTime(4102444800LL * n));
  key.AddValue(_T("Array"), list);
}

template <class T>
T Get(MWSettingsKey& key, LPCTSTR name) {
  T value{};
  key.GetValue(name, value);
  return value;
}

bool HoldsTheFirst(MWSettingsKey& key) {
  CArray<int, int> a;
  key.GetValue(_T("Array"), a);
  return Get<int>(key, _T("Int")) == -5 && Get<COLORREF>(key, _T("Colour")) == RGB(10, 20, 1) &&
         Get<double>(key, _T("Double")) == 2.5 && Get<CString>(key, _T("Text")) == _T("Plan A") &&
         Get<CPoint>(key, _T("Point")) == CPoint(10, -3) &&
         Get<CRect>(key, _T("Rect")) == CRect(0, 0, 640, 480) &&
         Get<CTime>(key, _T("Time")).GetTime() == 4102444800 && a.GetSize() == 1 && a[0] == 4;
}

}  // namespace

void EveryKindSnippet() {
  MWSettingsKey saved(_T("View"), KXHOST_KEY _T("\\View"));
  HKEY previous = saved.SetRoot(HKEY_CURRENT_USER);
  Declare(saved, 1);
  saved.AddValue(_T("Undeclared"), 1);
  CHECK(previous == HKEY_CURRENT_USER && saved.Save() == 1);
  MWSettingsKey loaded(_T("View"), KXHOST_KEY _T("\\View"));
  Declare(loaded, 0);
  CHECK(loaded.Load() == 1 && HoldsTheFirst(loaded));
  HKEY opened = loaded.OpenRegistryKey(0, 1);
  CHECK(opened != NULL && RegCloseKey(opened) == ERROR_SUCCESS);

  CMemFile file;
  CArchive out(&file, CArchive::store);
  out << &saved;
  saved.Serialize(out);  // the children again: references to the first ones
  out.Close();
  file.SeekToBegin();
  CArchive in(&file, CArchive::load);
  CObject* read = in.ReadObject(RUNTIME_CLASS(MWSettingsKey));
  MWSettingsKey copy(_T("Copy"), KXHOST_KEY);
  Declare(copy, 0);
  copy.AddValue(_T("Kept"), 5);
  copy.Serialize(in);
  in.Close();
  CHECK(read && read->IsKindOf(RUNTIME_CLASS(MWSettingsKey)) && HoldsTheFirst(copy) &&
        Get<int>(copy, _T("Kept")) == 5 && copy.FindValue(_T("Undeclared")) == NULL);
  delete read;
}
