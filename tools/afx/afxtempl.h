// afxtempl.h: CArray of the framework stand-in.
#ifndef __AFXTEMPL_H__
#define __AFXTEMPL_H__

#ifndef AFX_STANDIN_SHOW_WARNINGS
#pragma GCC system_header  // as afx.h
#endif

#include "afx.h"

namespace afx_detail {
template <class T, class = void>
struct HasArchiveOperators : std::false_type {};
template <class T>
struct HasArchiveOperators<
    T, std::void_t<decltype(std::declval<CArchive&>() << std::declval<const T&>()),
                   decltype(std::declval<CArchive&>() >> std::declval<T&>())>> : std::true_type {};
}  // namespace afx_detail

// Plain data as its bytes (as the framework does), types with archive
// operators through them (CString); anything else cannot be archived.
// Hosts may specialise it for their own element types.
template <class TYPE>
void AFXAPI SerializeElements(CArchive& ar, TYPE* pElements, INT_PTR nCount) {
  if (nCount <= 0) return;
  // bool is read through its operator, which admits only 0 and 1.
  if constexpr (std::is_trivially_copyable<TYPE>::value && !std::is_same<TYPE, bool>::value) {
    const INT_PTR nMax = static_cast<INT_PTR>(INT_MAX / sizeof(TYPE));
    for (INT_PTR nDone = 0; nDone < nCount;) {
      INT_PTR n = afx_detail::Min(nCount - nDone, nMax);
      UINT nBytes = static_cast<UINT>(static_cast<size_t>(n) * sizeof(TYPE));
      if (ar.IsStoring())
        ar.Write(pElements + nDone, nBytes);
      else
        ar.EnsureRead(pElements + nDone, nBytes);
      nDone += n;
    }
  } else if constexpr (afx_detail::HasArchiveOperators<TYPE>::value) {
    for (INT_PTR i = 0; i < nCount; ++i) {
      if (ar.IsStoring())
        ar << static_cast<const TYPE&>(pElements[i]);
      else
        ar >> pElements[i];
    }
  } else {
    (void)ar;
    AfxThrowNotSupportedException();
  }
}

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() : m_pData(NULL), m_nSize(0), m_nMaxSize(0), m_nGrowBy(-1) {}
  virtual ~CArray() { Release(); }

  INT_PTR GetSize() const { return m_nSize; }
  INT_PTR GetCount() const { return m_nSize; }
  BOOL IsEmpty() const { return m_nSize == 0; }
  INT_PTR GetUpperBound() const { return m_nSize - 1; }

  // New elements are value-initialised.
  void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1) {
    if (nNewSize < 0) AfxThrowInvalidArgException();
    if (nGrowBy >= 0) m_nGrowBy = nGrowBy;
    if (nNewSize == 0) {
      Release();
      return;
    }
    if (nNewSize > m_nMaxSize) {
      INT_PTR nGrow = m_nGrowBy;
      if (nGrow <= 0) nGrow = afx_detail::Min<INT_PTR>(1024, m_nSize / 8 < 4 ? 4 : m_nSize / 8);
      Reallocate(nNewSize > m_nMaxSize + nGrow ? nNewSize : m_nMaxSize + nGrow);
    }
    while (m_nSize < nNewSize) {
      ::new (static_cast<void*>(m_pData + m_nSize)) TYPE();
      ++m_nSize;
    }
    while (m_nSize > nNewSize) m_pData[--m_nSize].~TYPE();
  }
  void FreeExtra() {
    if (m_nSize == 0)
      Release();
    else if (m_nSize != m_nMaxSize)
      Reallocate(m_nSize);
  }
  void RemoveAll() { SetSize(0, -1); }

  const TYPE& GetAt(INT_PTR nIndex) const { return m_pData[Checked(nIndex)]; }
  TYPE& GetAt(INT_PTR nIndex) { return m_pData[Checked(nIndex)]; }
  void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_pData[Checked(nIndex)] = newElement; }
  const TYPE& ElementAt(INT_PTR nIndex) const { return m_pData[Checked(nIndex)]; }
  TYPE& ElementAt(INT_PTR nIndex) { return m_pData[Checked(nIndex)]; }
  const TYPE* GetData() const { return m_pData; }
  TYPE* GetData() { return m_pData; }
  const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
  TYPE& operator[](INT_PTR nIndex) { return GetAt(nIndex); }

  // The element is copied first: it may live in this array.
  void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
    if (nIndex < 0) AfxThrowInvalidArgException();
    TYPE copy(newElement);
    if (nIndex >= m_nSize) SetSize(nIndex + 1, -1);
    m_pData[nIndex] = std::move(copy);
  }
  INT_PTR Add(ARG_TYPE newElement) {
    INT_PTR nIndex = m_nSize;
    SetAtGrow(nIndex, newElement);
    return nIndex;
  }
  INT_PTR Append(const CArray& src) {
    if (this == &src) AfxThrowInvalidArgException();
    INT_PTR nOldSize = m_nSize;
    SetSize(m_nSize + src.m_nSize);
    for (INT_PTR i = 0; i < src.m_nSize; ++i) m_pData[nOldSize + i] = src.m_pData[i];
    return nOldSize;
  }
  void Copy(const CArray& src) {
    if (this == &src) return;
    SetSize(src.m_nSize);
    for (INT_PTR i = 0; i < src.m_nSize; ++i) m_pData[i] = src.m_pData[i];
  }

  void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1) {
    if (nIndex < 0 || nCount <= 0) AfxThrowInvalidArgException();
    TYPE copy(newElement);
    INT_PTR nOldSize = m_nSize;
    if (nIndex >= nOldSize) {
      SetSize(nIndex + nCount, -1);
    } else {
      SetSize(nOldSize + nCount, -1);
      std::move_backward(m_pData + nIndex, m_pData + nOldSize, m_pData + nOldSize + nCount);
    }
    for (INT_PTR i = 0; i < nCount; ++i) m_pData[nIndex + i] = copy;
  }
  void InsertAt(INT_PTR nStartIndex, CArray* pNewArray) {
    if (pNewArray == NULL || nStartIndex < 0) AfxThrowInvalidArgException();
    if (pNewArray->GetSize() == 0) return;
    std::vector<TYPE> items(pNewArray->m_pData, pNewArray->m_pData + pNewArray->m_nSize);
    InsertAt(nStartIndex, items[0], static_cast<INT_PTR>(items.size()));
    for (size_t i = 1; i < items.size(); ++i)
      m_pData[nStartIndex + static_cast<INT_PTR>(i)] = items[i];
  }
  void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) {
    if (nIndex < 0 || nCount < 0 || nIndex > m_nSize - nCount) AfxThrowInvalidArgException();
    std::move(m_pData + nIndex + nCount, m_pData + m_nSize, m_pData + nIndex);
    SetSize(m_nSize - nCount, -1);
  }

  // The count, then the elements. Loading grows the array as the data
  // arrives, so that a false count cannot allocate memory the data lacks.
  virtual void Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
      ar.WriteCount(static_cast<DWORD_PTR>(m_nSize));
      SerializeElements<TYPE>(ar, m_pData, m_nSize);
      return;
    }
    DWORD_PTR nCount = ar.ReadCount();
    RemoveAll();
    const INT_PTR nChunk = afx_detail::Min<INT_PTR>(65536 / sizeof(TYPE) + 1, 65536);
    while (nCount > 0) {
      INT_PTR n = nCount < static_cast<DWORD_PTR>(nChunk) ? static_cast<INT_PTR>(nCount) : nChunk;
      INT_PTR nDone = m_nSize;
      if (nDone + n > m_nMaxSize) {
        // Doubling, but never past the count the archive announced.
        DWORD_PTR nWanted = static_cast<DWORD_PTR>(nDone) + nCount;
        INT_PTR nNewMax = nDone + n + m_nMaxSize;
        if (static_cast<DWORD_PTR>(nNewMax) > nWanted) nNewMax = static_cast<INT_PTR>(nWanted);
        Reallocate(nNewMax);
      }
      SetSize(nDone + n, -1);
      SerializeElements<TYPE>(ar, m_pData + nDone, n);
      nCount -= static_cast<DWORD_PTR>(n);
    }
  }

 protected:
  TYPE* m_pData;
  INT_PTR m_nSize;
  INT_PTR m_nMaxSize;
  INT_PTR m_nGrowBy;

 private:
  INT_PTR Checked(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= m_nSize) AfxThrowInvalidArgException();
    return nIndex;
  }
  void Release() {
    while (m_nSize > 0) m_pData[--m_nSize].~TYPE();
    ::operator delete(m_pData);
    m_pData = NULL;
    m_nMaxSize = 0;
  }
  void Reallocate(INT_PTR nNewMax) {
    if (static_cast<size_t>(nNewMax) > static_cast<size_t>(-1) / 2 / sizeof(TYPE))
      AfxThrowMemoryException();
    TYPE* pNew = static_cast<TYPE*>(
        ::operator new(static_cast<size_t>(nNewMax) * sizeof(TYPE), std::nothrow));
    if (pNew == NULL) AfxThrowMemoryException();
    // Moved, not copied byte for byte: elements such as CString may point
    // into themselves.
    for (INT_PTR i = 0; i < m_nSize; ++i) {
      ::new (static_cast<void*>(pNew + i)) TYPE(std::move(m_pData[i]));
      m_pData[i].~TYPE();
    }
    ::operator delete(m_pData);
    m_pData = pNew;
    m_nMaxSize = nNewMax;
  }
};

#endif  // __AFXTEMPL_H__
