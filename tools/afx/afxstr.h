// afxstr.h: CStringT, CStringA, CStringW and CString of the framework stand-in.
// Included by afx.h; the text lives in a std::basic_string, so the length is
// stored and embedded NULs survive whenever a length is given.
#ifndef __AFX_H__
#include "afx.h"  // brings this file in at the point it needs
#endif

#ifndef __AFXSTR_H__
#define __AFXSTR_H__

#ifndef AFX_STANDIN_SHOW_WARNINGS
#pragma GCC system_header  // as afx.h
#endif

namespace afx_detail {

inline int CheckedLength(size_t n) {
  if (n > static_cast<size_t>(INT_MAX)) AfxThrowMemoryException();
  return static_cast<int>(n);
}

// CP_ACP both ways, as the framework converts.
inline std::wstring Widen(const char* psz, size_t n) {
  std::wstring out;
  if (n == 0) return out;
  int nIn = CheckedLength(n);
  int m = ::MultiByteToWideChar(CP_ACP, 0, psz, nIn, NULL, 0);
  if (m <= 0) return out;
  out.resize(static_cast<size_t>(m));
  ::MultiByteToWideChar(CP_ACP, 0, psz, nIn, &out[0], m);
  return out;
}

inline std::string Narrow(const wchar_t* psz, size_t n) {
  std::string out;
  if (n == 0) return out;
  int nIn = CheckedLength(n);
  int m = ::WideCharToMultiByte(CP_ACP, 0, psz, nIn, NULL, 0, NULL, NULL);
  if (m <= 0) return out;
  out.resize(static_cast<size_t>(m));
  ::WideCharToMultiByte(CP_ACP, 0, psz, nIn, &out[0], m, NULL, NULL);
  return out;
}

template <class T>
struct StringOps;

template <>
struct StringOps<char> {
  typedef wchar_t Other;
  static size_t Length(const char* psz) { return strlen(psz); }
  static std::string FromOther(const wchar_t* psz, size_t n) { return Narrow(psz, n); }
  static int Count(const char* pszFormat, va_list args) { return _vscprintf(pszFormat, args); }
  static int VFormat(char* pBuf, size_t n, const char* pszFormat, va_list args) {
    return _vsnprintf(pBuf, n, pszFormat, args);
  }
  static void Upper(char* p, size_t n) { ::CharUpperBuffA(p, static_cast<DWORD>(n)); }
  static void Lower(char* p, size_t n) { ::CharLowerBuffA(p, static_cast<DWORD>(n)); }
  static bool IsSpace(char ch) { return isspace(static_cast<unsigned char>(ch)) != 0; }
  static int CompareNoCase(const char* a, const char* b) { return _stricmp(a, b); }
};

template <>
struct StringOps<wchar_t> {
  typedef char Other;
  static size_t Length(const wchar_t* psz) { return wcslen(psz); }
  static std::wstring FromOther(const char* psz, size_t n) { return Widen(psz, n); }
  // msvcrt's own: %s is a wide string here, as in the framework.
  static int Count(const wchar_t* pszFormat, va_list args) { return _vscwprintf(pszFormat, args); }
  static int VFormat(wchar_t* pBuf, size_t n, const wchar_t* pszFormat, va_list args) {
    return _vsnwprintf(pBuf, n, pszFormat, args);
  }
  static void Upper(wchar_t* p, size_t n) { ::CharUpperBuffW(p, static_cast<DWORD>(n)); }
  static void Lower(wchar_t* p, size_t n) { ::CharLowerBuffW(p, static_cast<DWORD>(n)); }
  static bool IsSpace(wchar_t ch) { return iswspace(ch) != 0; }
  static int CompareNoCase(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b); }
};

template <class T>
std::basic_string<T> VFormat(const T* pszFormat, va_list args) {
  if (pszFormat == NULL) AfxThrowInvalidArgException();
  va_list copy;
  va_copy(copy, args);
  int n = StringOps<T>::Count(pszFormat, copy);
  va_end(copy);
  if (n < 0) AfxThrowInvalidArgException();
  std::basic_string<T> buf(static_cast<size_t>(n) + 1, T(0));
  va_copy(copy, args);
  int m = StringOps<T>::VFormat(&buf[0], buf.size(), pszFormat, copy);
  va_end(copy);
  if (m < 0 || m > n) AfxThrowInvalidArgException();
  buf.resize(static_cast<size_t>(m));
  return buf;
}

}  // namespace afx_detail

template <class T>
class CStringT {
  typedef afx_detail::StringOps<T> Ops;
  typedef std::basic_string<T> Text;

 public:
  typedef T XCHAR;
  typedef T* PXSTR;
  typedef const T* PCXSTR;
  typedef typename Ops::Other YCHAR;
  typedef YCHAR* PYSTR;
  typedef const YCHAR* PCYSTR;

  CStringT() {}
  CStringT(const CStringT&) = default;
  CStringT(CStringT&&) noexcept = default;
  CStringT(PCXSTR psz) {
    if (psz != NULL) m_text.assign(psz);
  }
  CStringT(PCXSTR pch, int nLength) {
    if (nLength < 0 || (pch == NULL && nLength != 0)) AfxThrowInvalidArgException();
    if (nLength > 0) m_text.assign(pch, static_cast<size_t>(nLength));
  }
  CStringT(XCHAR ch, int nRepeat = 1) {
    if (nRepeat > 0) m_text.assign(static_cast<size_t>(nRepeat), ch);
  }
  CStringT(PCYSTR psz) {
    if (psz != NULL) m_text = Ops::FromOther(psz, afx_detail::StringOps<YCHAR>::Length(psz));
  }
  CStringT(PCYSTR pch, int nLength) {
    if (nLength < 0 || (pch == NULL && nLength != 0)) AfxThrowInvalidArgException();
    m_text = Ops::FromOther(pch, static_cast<size_t>(nLength));
  }
  CStringT(const CStringT<YCHAR>& str)
      : m_text(Ops::FromOther(str.GetString(), static_cast<size_t>(str.GetLength()))) {}

  CStringT& operator=(const CStringT&) = default;
  CStringT& operator=(CStringT&&) noexcept = default;
  CStringT& operator=(PCXSTR psz) {
    if (psz == NULL) {
      m_text.clear();
    } else {
      Text copy(psz);  // psz may point into this string
      m_text.swap(copy);
    }
    return *this;
  }
  CStringT& operator=(PCYSTR psz) { return *this = CStringT(psz); }
  CStringT& operator=(XCHAR ch) {
    m_text.assign(1, ch);
    return *this;
  }
  CStringT& operator=(const CStringT<YCHAR>& str) { return *this = CStringT(str); }

  CStringT& operator+=(const CStringT& str) {
    m_text.append(str.m_text);
    return *this;
  }
  CStringT& operator+=(PCXSTR psz) {
    if (psz != NULL) m_text.append(Text(psz));
    return *this;
  }
  CStringT& operator+=(XCHAR ch) {
    m_text.push_back(ch);
    return *this;
  }
  void Append(PCXSTR psz, int nLength) { *this += CStringT(psz, nLength); }
  void AppendChar(XCHAR ch) { m_text.push_back(ch); }

  int GetLength() const { return static_cast<int>(m_text.size()); }
  BOOL IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  PCXSTR GetString() const { return m_text.c_str(); }
  operator PCXSTR() const { return m_text.c_str(); }

  XCHAR GetAt(int iChar) const {
    CheckIndex(iChar);
    return m_text[static_cast<size_t>(iChar)];
  }
  XCHAR operator[](int iChar) const { return GetAt(iChar); }
  void SetAt(int iChar, XCHAR ch) {
    CheckIndex(iChar);
    m_text[static_cast<size_t>(iChar)] = ch;
  }

  int Compare(PCXSTR psz) const {
    if (psz == NULL) AfxThrowInvalidArgException();
    return m_text.compare(psz);
  }
  int Compare(const CStringT& str) const { return m_text.compare(str.m_text); }
  int CompareNoCase(PCXSTR psz) const {
    if (psz == NULL) AfxThrowInvalidArgException();
    return Ops::CompareNoCase(GetString(), psz);
  }

  void __cdecl Format(PCXSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Text text = afx_detail::VFormat(pszFormat, args);
    va_end(args);
    m_text.swap(text);
  }
  void __cdecl AppendFormat(PCXSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Text text = afx_detail::VFormat(pszFormat, args);
    va_end(args);
    m_text.append(text);
  }
  void FormatV(PCXSTR pszFormat, va_list args) { m_text = afx_detail::VFormat(pszFormat, args); }
  void AppendFormatV(PCXSTR pszFormat, va_list args) {
    m_text.append(afx_detail::VFormat(pszFormat, args));
  }

  CStringT Left(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount >= GetLength()) return *this;
    return CStringT(m_text.substr(0, static_cast<size_t>(nCount)));
  }
  CStringT Right(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount >= GetLength()) return *this;
    return CStringT(m_text.substr(m_text.size() - static_cast<size_t>(nCount)));
  }
  CStringT Mid(int iFirst) const { return Mid(iFirst, GetLength()); }
  CStringT Mid(int iFirst, int nCount) const {
    if (iFirst < 0) iFirst = 0;
    if (nCount < 0) nCount = 0;
    if (iFirst >= GetLength()) return CStringT();
    if (nCount > GetLength() - iFirst) nCount = GetLength() - iFirst;
    return CStringT(m_text.substr(static_cast<size_t>(iFirst), static_cast<size_t>(nCount)));
  }

  int Find(XCHAR ch, int iStart = 0) const {
    if (iStart < 0 || iStart >= GetLength()) return -1;
    return ToIndex(m_text.find(ch, static_cast<size_t>(iStart)));
  }
  int Find(PCXSTR pszSub, int iStart = 0) const {
    if (pszSub == NULL || iStart < 0 || iStart > GetLength()) return -1;
    return ToIndex(m_text.find(pszSub, static_cast<size_t>(iStart)));
  }
  int FindOneOf(PCXSTR pszCharSet) const {
    if (pszCharSet == NULL) return -1;
    return ToIndex(m_text.find_first_of(pszCharSet));
  }
  int ReverseFind(XCHAR ch) const { return ToIndex(m_text.rfind(ch)); }

  CStringT& MakeUpper() {
    if (!m_text.empty()) Ops::Upper(&m_text[0], m_text.size());
    return *this;
  }
  CStringT& MakeLower() {
    if (!m_text.empty()) Ops::Lower(&m_text[0], m_text.size());
    return *this;
  }
  CStringT& MakeReverse() {
    Text reversed(m_text.rbegin(), m_text.rend());
    m_text.swap(reversed);
    return *this;
  }

  CStringT& TrimLeft() {
    size_t i = 0;
    while (i < m_text.size() && Ops::IsSpace(m_text[i])) ++i;
    m_text.erase(0, i);
    return *this;
  }
  CStringT& TrimRight() {
    size_t n = m_text.size();
    while (n > 0 && Ops::IsSpace(m_text[n - 1])) --n;
    m_text.resize(n);
    return *this;
  }
  CStringT& Trim() { return TrimRight().TrimLeft(); }
  CStringT& TrimLeft(XCHAR chTarget) {
    size_t i = m_text.find_first_not_of(chTarget);
    m_text.erase(0, i == Text::npos ? m_text.size() : i);
    return *this;
  }
  CStringT& TrimRight(XCHAR chTarget) {
    size_t i = m_text.find_last_not_of(chTarget);
    m_text.resize(i == Text::npos ? 0 : i + 1);
    return *this;
  }
  CStringT& Trim(XCHAR chTarget) { return TrimRight(chTarget).TrimLeft(chTarget); }
  CStringT& TrimLeft(PCXSTR pszTargets) {
    if (pszTargets == NULL) return *this;
    size_t i = m_text.find_first_not_of(pszTargets);
    m_text.erase(0, i == Text::npos ? m_text.size() : i);
    return *this;
  }
  CStringT& TrimRight(PCXSTR pszTargets) {
    if (pszTargets == NULL) return *this;
    size_t i = m_text.find_last_not_of(pszTargets);
    m_text.resize(i == Text::npos ? 0 : i + 1);
    return *this;
  }
  CStringT& Trim(PCXSTR pszTargets) { return TrimRight(pszTargets).TrimLeft(pszTargets); }

  int Replace(XCHAR chOld, XCHAR chNew) {
    int nCount = 0;
    for (T& ch : m_text) {
      if (ch == chOld) {
        ch = chNew;
        ++nCount;
      }
    }
    return nCount;
  }
  int Replace(PCXSTR pszOld, PCXSTR pszNew) {
    if (pszOld == NULL || *pszOld == 0) return 0;
    const Text from(pszOld), to(pszNew != NULL ? pszNew : Text());
    Text result;
    int nCount = 0;
    size_t start = 0;
    for (size_t hit; (hit = m_text.find(from, start)) != Text::npos; start = hit + from.size()) {
      result.append(m_text, start, hit - start).append(to);
      ++nCount;
    }
    if (nCount == 0) return 0;
    result.append(m_text, start, Text::npos);
    afx_detail::CheckedLength(result.size());
    m_text.swap(result);
    return nCount;
  }
  int Remove(XCHAR chRemove) {
    size_t before = m_text.size();
    m_text.erase(std::remove(m_text.begin(), m_text.end(), chRemove), m_text.end());
    return static_cast<int>(before - m_text.size());
  }
  int Insert(int iIndex, XCHAR ch) { return Insert(iIndex, CStringT(ch).GetString()); }
  int Insert(int iIndex, PCXSTR psz) {
    if (iIndex < 0) iIndex = 0;
    if (iIndex > GetLength()) iIndex = GetLength();
    if (psz != NULL) m_text.insert(static_cast<size_t>(iIndex), Text(psz));
    return GetLength();
  }
  int Delete(int iIndex, int nCount = 1) {
    if (iIndex < 0) iIndex = 0;
    if (nCount > 0 && iIndex < GetLength())
      m_text.erase(static_cast<size_t>(iIndex), static_cast<size_t>(nCount));
    return GetLength();
  }
  CStringT Tokenize(PCXSTR pszTokens, int& iStart) const {
    if (iStart < 0) AfxThrowInvalidArgException();
    if (pszTokens == NULL || *pszTokens == 0) {
      if (iStart < GetLength()) return Mid(iStart);
    } else if (iStart < GetLength()) {
      size_t from = m_text.find_first_not_of(pszTokens, static_cast<size_t>(iStart));
      if (from != Text::npos) {
        size_t until = m_text.find_first_of(pszTokens, from);
        if (until == Text::npos) until = m_text.size();
        iStart = static_cast<int>(until) + 1;
        return CStringT(m_text.substr(from, until - from));
      }
    }
    iStart = -1;
    return CStringT();
  }

  PXSTR GetBuffer() { return GetBuffer(0); }
  PXSTR GetBuffer(int nMinBufferLength) {
    if (nMinBufferLength < 0) AfxThrowInvalidArgException();
    if (static_cast<size_t>(nMinBufferLength) > m_text.size())
      m_text.resize(static_cast<size_t>(nMinBufferLength));
    return &m_text[0];
  }
  PXSTR GetBufferSetLength(int nLength) {
    if (nLength < 0) AfxThrowInvalidArgException();
    m_text.resize(static_cast<size_t>(nLength));
    return &m_text[0];
  }
  void ReleaseBuffer(int nNewLength = -1) {
    if (nNewLength == -1) {
      nNewLength = static_cast<int>(std::char_traits<T>::length(m_text.c_str()));
    } else if (nNewLength < 0 || nNewLength > GetLength()) {
      AfxThrowInvalidArgException();
    }
    m_text.resize(static_cast<size_t>(nNewLength));
  }
  void ReleaseBufferSetLength(int nNewLength) {
    if (nNewLength < 0) AfxThrowInvalidArgException();
    ReleaseBuffer(nNewLength);
  }
  void Preallocate(int nLength) {
    if (nLength > 0) m_text.reserve(static_cast<size_t>(nLength));
  }
  int GetAllocLength() const { return static_cast<int>(m_text.capacity()); }
  void FreeExtra() { m_text.shrink_to_fit(); }
  void SetString(PCXSTR psz) { *this = psz; }
  void SetString(PCXSTR psz, int nLength) { *this = CStringT(psz, nLength); }

  friend CStringT operator+(const CStringT& a, const CStringT& b) {
    return Concat(a.m_text, b.m_text);
  }
  friend CStringT operator+(const CStringT& a, PCXSTR b) { return Concat(a.m_text, OrEmpty(b)); }
  friend CStringT operator+(PCXSTR a, const CStringT& b) { return Concat(OrEmpty(a), b.m_text); }
  friend CStringT operator+(const CStringT& a, XCHAR b) { return Concat(a.m_text, Text(1, b)); }
  friend CStringT operator+(XCHAR a, const CStringT& b) { return Concat(Text(1, a), b.m_text); }

  friend bool operator==(const CStringT& a, const CStringT& b) { return a.Compare(b) == 0; }
  friend bool operator==(const CStringT& a, PCXSTR b) { return a.Compare(b) == 0; }
  friend bool operator==(PCXSTR a, const CStringT& b) { return b.Compare(a) == 0; }
  friend bool operator==(const CStringT& a, XCHAR b) {
    return a.m_text.size() == 1 && a.m_text[0] == b;
  }
  friend bool operator==(XCHAR a, const CStringT& b) { return b == a; }
  friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }
  friend bool operator!=(const CStringT& a, PCXSTR b) { return !(a == b); }
  friend bool operator!=(PCXSTR a, const CStringT& b) { return !(b == a); }
  friend bool operator!=(const CStringT& a, XCHAR b) { return !(a == b); }
  friend bool operator!=(XCHAR a, const CStringT& b) { return !(b == a); }
  friend bool operator<(const CStringT& a, const CStringT& b) { return a.Compare(b) < 0; }
  friend bool operator<(const CStringT& a, PCXSTR b) { return a.Compare(b) < 0; }
  friend bool operator<(PCXSTR a, const CStringT& b) { return b.Compare(a) > 0; }
  friend bool operator>(const CStringT& a, const CStringT& b) { return a.Compare(b) > 0; }
  friend bool operator>(const CStringT& a, PCXSTR b) { return a.Compare(b) > 0; }
  friend bool operator>(PCXSTR a, const CStringT& b) { return b.Compare(a) < 0; }
  friend bool operator<=(const CStringT& a, const CStringT& b) { return a.Compare(b) <= 0; }
  friend bool operator<=(const CStringT& a, PCXSTR b) { return a.Compare(b) <= 0; }
  friend bool operator<=(PCXSTR a, const CStringT& b) { return b.Compare(a) >= 0; }
  friend bool operator>=(const CStringT& a, const CStringT& b) { return a.Compare(b) >= 0; }
  friend bool operator>=(const CStringT& a, PCXSTR b) { return a.Compare(b) >= 0; }
  friend bool operator>=(PCXSTR a, const CStringT& b) { return b.Compare(a) <= 0; }

 private:
  explicit CStringT(Text text) : m_text(std::move(text)) {
    afx_detail::CheckedLength(m_text.size());
  }

  void CheckIndex(int iChar) const {
    if (iChar < 0 || iChar >= GetLength()) AfxThrowInvalidArgException();
  }
  static int ToIndex(size_t pos) { return pos == Text::npos ? -1 : static_cast<int>(pos); }
  static Text OrEmpty(PCXSTR psz) { return psz != NULL ? Text(psz) : Text(); }
  static CStringT Concat(const Text& a, const Text& b) {
    Text text;
    text.reserve(a.size() + b.size());
    text.append(a).append(b);
    return CStringT(std::move(text));
  }

  Text m_text;
};

typedef CStringT<wchar_t> CStringW;
typedef CStringT<char> CStringA;
#ifdef _UNICODE
typedef CStringW CString;
#else
typedef CStringA CString;
#endif

#endif  // __AFXSTR_H__
