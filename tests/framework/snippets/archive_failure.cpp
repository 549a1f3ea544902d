// A truncated archive caught as CArchiveException* and deleted.
#include <afxwin.h>

#include "MWSettingsKey.h"
#include "check.h"

void ArchiveFailureSnippet() {
  MWSettingsKey key(_T("Cut"), KXHOST_KEY);
  key.AddValue(_T("Frame"), CRect(1, 2, 3, 4));
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    key.Serialize(ar);
  }
  file.SetLength(file.GetLength() - 1);
  file.SeekToBegin();
  int cause = -1;
  try {
    CArchive ar(&file, CArchive::load);
    key.Serialize(ar);
  } catch (CArchiveException* e) {
    cause = e->m_cause;
    e->Delete();
  }
  CRect r;
  key.GetValue(_T("Frame"), r);
  CHECK(cause == CArchiveException::endOfFile && r == CRect(1, 2, 3, 4));
}
