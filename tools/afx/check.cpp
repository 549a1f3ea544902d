// Builds every class of the framework stand-in and runs each once: an object
// graph through CArchive into a CMemFile and back, in the framework's format.
// Built twice: afx_standin_check and, with _AFXDLL, afx_standin_check_dll.
#include "afxwin.h"
#include "afxext.h"
#include "afxdisp.h"
#include "afxtempl.h"
#include "afxcoll.h"
#include <cstdio>

static int g_failures = 0;
static void Check(bool ok, const char* what) {
  if (!ok) std::printf("afx stand-in: FAILED %s\n", what);
  g_failures += ok ? 0 : 1;
}

class CShape : public CObject {
  DECLARE_SERIAL(CShape)

 public:
  virtual ~CShape() {
    while (!m_children.IsEmpty()) delete m_children.RemoveHead();  // owned
  }
  virtual void Serialize(CArchive& ar);

  CString m_name;
  CRect m_bounds;
  CTime m_time;
  CArray<int> m_values;
  CObList m_children;
  CObject* m_pParent = NULL;
  UINT m_nSchema = 0;
};
IMPLEMENT_SERIAL(CShape, CObject, VERSIONABLE_SCHEMA | 2)

void CShape::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar << m_name << m_bounds.left << m_bounds.top << m_bounds.right << m_bounds.bottom << m_time
       << m_pParent;
  } else {
    m_nSchema = ar.GetObjectSchema();
    ar >> m_name >> m_bounds.left >> m_bounds.top >> m_bounds.right >> m_bounds.bottom >> m_time >>
        m_pParent;
  }
  m_values.Serialize(ar);
  m_children.Serialize(ar);
}

// A fixed buffer that overflows; the exception passes through a CATCH_ALL.
static void WriteRethrown(CFile& file) {
  TRY { file.Write("12345", 5); }
  CATCH_ALL(e) { THROW_LAST(); }
  END_CATCH_ALL
}

int main() {
  CString s;
  s.Format(_T("%s-%d"), _T("ab"), 42);
  s += _T(' ');
  Check(s == _T("ab-42 ") && s.Trim().GetLength() == 5 && s.Find(_T("42")) == 3, "Format");
  Check(CStringW(CStringA("xyz")) == L"xyz" && CStringA(L"xyz") == "xyz", "conversion");
  Check(CStringW(L"a\0b", 3).GetLength() == 3 && s.Mid(1, 2) == _T("b-"), "length");
  Check(s.Left(2).MakeUpper() == _T("AB") && s.Replace(_T("-"), _T("+")) == 1, "Replace");

  CRect rect(CPoint(1, 2), CSize(3, 4));
  Check(rect.Width() == 3 && rect.BottomRight() == CPoint(4, 6) && rect.PtInRect(CPoint(1, 2)),
        "CRect");

  CShape* root = new CShape;
  root->m_name = _T("root");
  root->m_bounds = rect;
  root->m_time = CTime(2020, 5, 17, 10, 30, 0);
  root->m_values.Add(7);
  root->m_values.InsertAt(0, 5);
  root->m_children.AddTail(new CShape);
  static_cast<CShape*>(root->m_children.GetTail())->m_pParent = root;

  CMemFile mem;
  {
    CArchive ar(&mem, CArchive::store);
    ar << root << CStringA("narrow") << 1.5;
    ar.WriteCount(70000);
  }
  static const BYTE head[] = {0xFF, 0xFF, 2, 0, 6, 0, 'C', 'S', 'h', 'a', 'p', 'e'};
  BYTE bytes[sizeof(head)] = {};
  mem.SeekToBegin();
  Check(mem.Read(bytes, sizeof(bytes)) == sizeof(bytes) && memcmp(bytes, head, sizeof(head)) == 0,
        "format");

  mem.SeekToBegin();
  CArchive in(&mem, CArchive::load);
  CObject* pOb = NULL;
  CStringA narrow;
  double d = 0;
  BYTE b;
  in >> pOb >> narrow >> d;  // and the count after them
  CShape* loaded = DYNAMIC_DOWNCAST(CShape, pOb);
  Check(loaded != NULL && loaded->m_name == _T("root") && loaded->m_bounds == rect, "load");
  Check(loaded && loaded->m_nSchema == 2 && loaded->m_values.GetSize() == 2 &&
            loaded->m_values[0] == 5 && loaded->m_time == root->m_time,
        "members");
  Check(loaded && loaded->m_children.GetCount() == 1 &&
            static_cast<const CShape*>(loaded->m_children.GetHead())->m_pParent == loaded,
        "back reference");
  Check(narrow == "narrow" && d == 1.5 && in.ReadCount() == 70000, "values");
  bool endOfFile = false;
  TRY { in >> b; }
  CATCH(CArchiveException, e) { endOfFile = e->m_cause == CArchiveException::endOfFile; }
  END_CATCH
  Check(endOfFile, "end of file");
  delete loaded;
  delete root;

  Check(CRuntimeClass::FromName("CShape") == RUNTIME_CLASS(CShape) &&
            CRuntimeClass::FromName(L"CObList") == RUNTIME_CLASS(CObList) &&
            RUNTIME_CLASS(CArchiveException)->IsDerivedFrom(RUNTIME_CLASS(CException)),
        "FromName");
  CObject* created = CRuntimeClass::CreateObject("CShape");
  Check(created != NULL && created->IsKindOf(RUNTIME_CLASS(CObject)), "CreateObject");
  delete created;

  BYTE fixed[4];
  CMemFile small(fixed, sizeof(fixed));
  int cause = 0;
  TRY { WriteRethrown(small); }
  CATCH(CFileException, e) { cause = e->m_cause; }
  AND_CATCH(CException, e) { cause = -1; }
  END_CATCH
  Check(cause == CFileException::diskFull, "fixed buffer");

  TCHAR dir[MAX_PATH];
  CString path = CString(dir, static_cast<int>(::GetTempPath(MAX_PATH, dir))) + _T("afx_check.bin");
  CFile(path, CFile::modeCreate | CFile::modeWrite).Write("abc", 3);  // closed at once
  CFile file;
  Check(file.Open(path, CFile::modeRead) && file.Read(bytes, 4) == 3 && file.GetLength() == 3,
        "CFile");
  file.Close();
  ::DeleteFile(path);
  CFileException error;
  Check(!file.Open(path, CFile::modeRead, &error) && error.m_cause == CFileException::fileNotFound,
        "CFile error");

  CTimeSpan day = CTime(2020, 5, 17, 10, 0, 0) - CTime(2020, 5, 16, 10, 0, 0);
  Check(day.GetTotalSeconds() == 86400 && CTime(2020, 5, 17, 10, 0, 0).GetDay() == 17, "CTime");

  if (g_failures == 0) std::printf("afx stand-in: ok\n");
  return g_failures == 0 ? 0 : 1;
}
