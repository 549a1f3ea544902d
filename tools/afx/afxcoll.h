// afxcoll.h: CObList of the framework stand-in, a list of CObject pointers
// that it never deletes.
#ifndef __AFX_H__
#include "afx.h"  // brings this file in at the point it needs
#endif

#ifndef __AFXCOLL_H__
#define __AFXCOLL_H__

#ifndef AFX_STANDIN_SHOW_WARNINGS
#pragma GCC system_header  // as afx.h
#endif

class CObList : public CObject {
  DECLARE_SERIAL(CObList)

 protected:
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    CObject* data;
  };

 public:
  typedef CObject* BASE_TYPE;
  typedef CObject* BASE_ARG_TYPE;

  explicit CObList(INT_PTR nBlockSize = 10)
      : m_pNodeHead(NULL), m_pNodeTail(NULL), m_nCount(0), m_nBlockSize(nBlockSize) {}
  virtual ~CObList() { RemoveAll(); }

  INT_PTR GetCount() const { return m_nCount; }
  INT_PTR GetSize() const { return m_nCount; }
  BOOL IsEmpty() const { return m_nCount == 0; }

  CObject*& GetHead() { return NonEmpty(m_pNodeHead)->data; }
  const CObject* GetHead() const { return NonEmpty(m_pNodeHead)->data; }
  CObject*& GetTail() { return NonEmpty(m_pNodeTail)->data; }
  const CObject* GetTail() const { return NonEmpty(m_pNodeTail)->data; }

  CObject* RemoveHead() {
    CNode* pNode = NonEmpty(m_pNodeHead);
    CObject* data = pNode->data;
    Unlink(pNode);
    return data;
  }
  CObject* RemoveTail() {
    CNode* pNode = NonEmpty(m_pNodeTail);
    CObject* data = pNode->data;
    Unlink(pNode);
    return data;
  }

  POSITION AddHead(CObject* newElement) { return Link(NULL, m_pNodeHead, newElement); }
  POSITION AddTail(CObject* newElement) { return Link(m_pNodeTail, NULL, newElement); }
  // Counted first, so that a list may be added to itself.
  void AddHead(CObList* pNewList) {
    if (pNewList == NULL) AfxThrowInvalidArgException();
    POSITION pos = pNewList->GetTailPosition();
    for (INT_PTR n = pNewList->GetCount(); n > 0; --n) AddHead(pNewList->GetPrev(pos));
  }
  void AddTail(CObList* pNewList) {
    if (pNewList == NULL) AfxThrowInvalidArgException();
    POSITION pos = pNewList->GetHeadPosition();
    for (INT_PTR n = pNewList->GetCount(); n > 0; --n) AddTail(pNewList->GetNext(pos));
  }

  void RemoveAll() {
    while (m_pNodeHead != NULL) {
      CNode* pNext = m_pNodeHead->pNext;
      delete m_pNodeHead;
      m_pNodeHead = pNext;
    }
    m_pNodeTail = NULL;
    m_nCount = 0;
  }

  POSITION GetHeadPosition() const { return reinterpret_cast<POSITION>(m_pNodeHead); }
  POSITION GetTailPosition() const { return reinterpret_cast<POSITION>(m_pNodeTail); }

  CObject*& GetNext(POSITION& rPosition) {
    CNode* pNode = NodeAt(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pNext);
    return pNode->data;
  }
  const CObject* GetNext(POSITION& rPosition) const {
    CNode* pNode = NodeAt(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pNext);
    return pNode->data;
  }
  CObject*& GetPrev(POSITION& rPosition) {
    CNode* pNode = NodeAt(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pPrev);
    return pNode->data;
  }
  const CObject* GetPrev(POSITION& rPosition) const {
    CNode* pNode = NodeAt(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pPrev);
    return pNode->data;
  }

  CObject*& GetAt(POSITION position) { return NodeAt(position)->data; }
  const CObject* GetAt(POSITION position) const { return NodeAt(position)->data; }
  void SetAt(POSITION pos, CObject* newElement) { NodeAt(pos)->data = newElement; }
  void RemoveAt(POSITION position) { Unlink(NodeAt(position)); }

  POSITION InsertBefore(POSITION position, CObject* newElement) {
    if (position == NULL) return AddHead(newElement);
    CNode* pNode = NodeAt(position);
    return Link(pNode->pPrev, pNode, newElement);
  }
  POSITION InsertAfter(POSITION position, CObject* newElement) {
    if (position == NULL) return AddTail(newElement);
    CNode* pNode = NodeAt(position);
    return Link(pNode, pNode->pNext, newElement);
  }

  POSITION Find(CObject* searchValue, POSITION startAfter = NULL) const {
    CNode* pNode = startAfter == NULL ? m_pNodeHead : NodeAt(startAfter)->pNext;
    for (; pNode != NULL; pNode = pNode->pNext)
      if (pNode->data == searchValue) return reinterpret_cast<POSITION>(pNode);
    return NULL;
  }
  POSITION FindIndex(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return NULL;
    CNode* pNode = m_pNodeHead;
    while (nIndex-- > 0) pNode = pNode->pNext;
    return reinterpret_cast<POSITION>(pNode);
  }

  virtual void Serialize(CArchive& ar);

 protected:
  CNode* m_pNodeHead;
  CNode* m_pNodeTail;
  INT_PTR m_nCount;
  INT_PTR m_nBlockSize;

 private:
  static CNode* NonEmpty(CNode* pNode) {
    if (pNode == NULL) AfxThrowInvalidArgException();  // an empty list
    return pNode;
  }
  static CNode* NodeAt(POSITION position) {
    if (position == NULL || position == BEFORE_START_POSITION) AfxThrowInvalidArgException();
    return reinterpret_cast<CNode*>(position);
  }
  POSITION Link(CNode* pPrev, CNode* pNext, CObject* data) {
    CNode* pNode = new CNode;
    pNode->pPrev = pPrev;
    pNode->pNext = pNext;
    pNode->data = data;
    (pPrev != NULL ? pPrev->pNext : m_pNodeHead) = pNode;
    (pNext != NULL ? pNext->pPrev : m_pNodeTail) = pNode;
    ++m_nCount;
    return reinterpret_cast<POSITION>(pNode);
  }
  void Unlink(CNode* pNode) {
    (pNode->pPrev != NULL ? pNode->pPrev->pNext : m_pNodeHead) = pNode->pNext;
    (pNode->pNext != NULL ? pNode->pNext->pPrev : m_pNodeTail) = pNode->pPrev;
    delete pNode;
    --m_nCount;
  }
};

AFX_STANDIN_IMPLEMENT_RUNTIMECLASS(CObList, CObject, 0, CObList::CreateObject)
inline CObject* PASCAL CObList::CreateObject() { return new CObList; }
inline AFX_CLASSINIT _init_CObList(RUNTIME_CLASS(CObList));

inline CArchive& AFXAPI operator>>(CArchive& ar, CObList*& pOb) {
  pOb = static_cast<CObList*>(ar.ReadObject(RUNTIME_CLASS(CObList)));
  return ar;
}

inline void CObList::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<DWORD_PTR>(m_nCount));
    for (CNode* pNode = m_pNodeHead; pNode != NULL; pNode = pNode->pNext) ar << pNode->data;
  } else {
    // Each element costs at least its tag: a false count ends at the data's end.
    for (DWORD_PTR nNewCount = ar.ReadCount(); nNewCount > 0; --nNewCount) {
      CObject* newData;
      ar >> newData;
      AddTail(newData);
    }
  }
}

#endif  // __AFXCOLL_H__
