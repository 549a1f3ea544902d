// CArray<int,int> and the framework's CPoint and COLORREF, changed in memory.
#include <afxwin.h>
#include <afxtempl.h>

#include "MWSettingsKey.h"
#include "check.h"

void NumbersSnippet() {
  MWSettingsKey key(_T("Numbers"), KXHOST_KEY);
  CArray<int, int> widths;
  widths.Add(7);
  key.AddValue(_T("Widths"), widths);
  key.AddValue(_T("Origin"), CPoint(0, 0));
  key.AddValue(_T("Pen"), RGB(0, 0, 0));
  widths.Add(-8);
  key.SetValue(_T("Widths"), widths);
  key.SetValue(_T("Origin"), CPoint(10, -3));
  key.SetValue(_T("Pen"), RGB(1, 2, 3));
  CArray<int, int> back;
  CPoint origin;
  COLORREF pen = 0;
  key.GetValue(_T("Widths"), back);
  key.GetValue(_T("Origin"), origin);
  key.GetValue(_T("Pen"), pen);
  CHECK(back.GetSize() == 2 && back[0] == 7 && back[1] == -8 && origin == CPoint(10, -3) &&
        pen == RGB(1, 2, 3));
}
