// CArray<int,int>, the framework's CPoint, CRect and CTime, COLORREF.
#include <afxwin.h>
#include <afxtempl.h>

#include "MWSettingsKey.h"
#include "check.h"

void NumbersSnippet() {
  MWSettingsKey key(_T("Numbers"), KXHOST_KEY);
  CArray<int, int> widths;
  widths.Add(7);
  widths.Add(-8);
  key.AddValue(_T("Widths"), widths);
  key.AddValue(_T("Origin"), CPoint(10, -3));
  key.AddValue(_T("Frame"), CRect(0, 0, 640, 480));
  key.AddValue(_T("Pen"), RGB(1, 2, 3));
  __time64_t stamp = 4102444800;  // 2100-01-01
  CTime created = stamp;
  key.AddValue(_T("Created"), created);

  CArray<int, int> back;
  CPoint origin;
  CRect frame;
  COLORREF pen = 0;
  CTime when;
  key.GetValue(_T("Widths"), back);
  key.GetValue(_T("Origin"), origin);
  key.GetValue(_T("Frame"), frame);
  key.GetValue(_T("Pen"), pen);
  key.GetValue(_T("Created"), when);
  CHECK(back.GetSize() == 2 && back[0] == 7 && back[1] == -8);
  CHECK(origin == CPoint(10, -3) && frame.Width() == 640 && pen == RGB(1, 2, 3) &&
        when.GetTime() == stamp);
  back.Add(9);
  key.SetValue(_T("Widths"), back);
  key.GetValue(_T("Widths"), widths);
  CHECK(widths.GetSize() == 3);
}
