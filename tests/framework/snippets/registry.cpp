// Every kind saved to the registry and loaded over other defaults.
#include <afxwin.h>
#include <afxtempl.h>

#include "MWSettingsKey.h"
#include "check.h"

namespace {
void Declare(MWSettingsKey& key, int n, const CArray<int, int>& list) {
  key.AddValue(_T("Int"), -5 * n);
  key.AddValue(_T("Colour"), RGB(10, 20, n));
  key.AddValue(_T("Double"), 2.5 * n);
  key.AddValue(_T("Text"), n ? _T("Plan A") : _T(""));
  key.AddValue(_T("Point"), CPoint(10 * n, -3));
  key.AddValue(_T("Rect"), CRect(0, 0, 640 * n, 480));
  key.AddValue(_T("Time"), CTime(2000000000LL * n));
  key.AddValue(_T("Array"), list);
}
}  // namespace

void RegistrySnippet() {
  CArray<int, int> list, none;
  list.Add(1);
  list.Add(2);
  MWSettingsKey saved(_T("View"), KXHOST_KEY _T("\\View"));
  HKEY previous = saved.SetRoot(HKEY_CURRENT_USER);
  Declare(saved, 1, list);
  CHECK(previous == HKEY_CURRENT_USER && saved.Save() == 1);

  MWSettingsKey loaded(_T("View"), KXHOST_KEY _T("\\View"));
  Declare(loaded, 0, none);
  CHECK(loaded.Load() == 1);
  int i = 0;
  COLORREF c = 0;
  double d = 0;
  CString t;
  CPoint p;
  CRect r;
  CTime m;
  CArray<int, int> a;
  loaded.GetValue(_T("Int"), i);
  loaded.GetValue(_T("Colour"), c);
  loaded.GetValue(_T("Double"), d);
  loaded.GetValue(_T("Text"), t);
  loaded.GetValue(_T("Point"), p);
  loaded.GetValue(_T("Rect"), r);
  loaded.GetValue(_T("Time"), m);
  loaded.GetValue(_T("Array"), a);
  CHECK(i == -5 && c == RGB(10, 20, 1) && d == 2.5 && t == _T("Plan A") && p == CPoint(10, -3) &&
        r == CRect(0, 0, 640, 480) && m == CTime(2000000000) && a.GetSize() == 2 && a[1] == 2);
  HKEY opened = loaded.OpenRegistryKey(0, 1);
  CHECK(opened != NULL);
  if (opened) RegCloseKey(opened);
}
