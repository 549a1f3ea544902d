// CArray<int,int> changed in memory and read back.
#include <afxwin.h>
#include <afxtempl.h>

#include "MWSettingsKey.h"
#include "check.h"

void NumbersSnippet() {
  MWSettingsKey key(_T("Numbers"), KXHOST_KEY);
  CArray<int, int> widths;
  widths.Add(7);
  key.AddValue(_T("Widths"), widths);
  widths.Add(-8);
  key.SetValue(_T("Widths"), widths);
  CArray<int, int> back;
  key.GetValue(_T("Widths"), back);
  CHECK(back.GetSize() == 2 && back[0] == 7 && back[1] == -8);
}
