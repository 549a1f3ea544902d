// The framework's TRY/CATCH/END_CATCH, which delete the exception
// themselves; an unknown class in the archive.
#include <afxwin.h>

#include "MWSettingsKey.h"
#include "check.h"

void ArchiveMacrosSnippet() {
  static const BYTE kUnknown[] = {0xFF, 0xFF, 1, 0, 6, 0, 'C', 'N', 'o', 'n', 'e', '1'};
  CMemFile file(const_cast<BYTE*>(kUnknown), sizeof kUnknown);
  int cause = -1;
  TRY {
    CArchive ar(&file, CArchive::load);
    MWSettingsKey* key = NULL;
    ar >> key;
    delete key;
  }
  CATCH(CArchiveException, e) { cause = e->m_cause; }
  END_CATCH
  CHECK(cause == CArchiveException::badClass);
}
