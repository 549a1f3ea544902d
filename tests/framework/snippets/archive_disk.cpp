// A key written to a file on disk and read back with ar >> pKey.
#include <afxwin.h>

#include "MWSettingsKey.h"
#include "check.h"

void ArchiveDiskSnippet() {
  const CString path = KXHOST_DATA _T("settings.kx");
  MWSettingsKey key(_T("Disk"), KXHOST_KEY);
  key.AddValue(_T("Zoom"), 1.25);
  {
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << &key;
    ar << &key;  // the second time a reference to the first
  }
  CFile file(path, CFile::modeRead);
  CArchive ar(&file, CArchive::load);
  MWSettingsKey *first = NULL, *second = NULL;
  ar >> first >> second;
  CHECK(first != NULL && first == second && file.GetLength() > 30);
  delete first;
}
