// afxwin.h: the framework stand-in's window-level header; of it, add-ins
// need the geometry classes CSize, CPoint and CRect.
#ifndef __AFXWIN_H__
#define __AFXWIN_H__

#ifndef AFX_STANDIN_SHOW_WARNINGS
#pragma GCC system_header  // as afx.h
#endif

#include "afx.h"

class CPoint;
class CRect;

class CSize : public tagSIZE {
 public:
  CSize() : tagSIZE{0, 0} {}
  CSize(int initCX, int initCY) : tagSIZE{initCX, initCY} {}
  CSize(SIZE initSize) : tagSIZE(initSize) {}
  CSize(POINT initPt) : tagSIZE{initPt.x, initPt.y} {}
  CSize(DWORD dwSize)
      : tagSIZE{static_cast<short>(LOWORD(dwSize)), static_cast<short>(HIWORD(dwSize))} {}

  // bool, and the same-type overloads, keep C++20's reversed operands unambiguous.
  bool operator==(SIZE size) const { return cx == size.cx && cy == size.cy; }
  bool operator!=(SIZE size) const { return !(*this == size); }
  bool operator==(const CSize& size) const { return *this == static_cast<const SIZE&>(size); }
  bool operator!=(const CSize& size) const { return !(*this == size); }
  void operator+=(SIZE size) {
    cx += size.cx;
    cy += size.cy;
  }
  void operator-=(SIZE size) {
    cx -= size.cx;
    cy -= size.cy;
  }
  void SetSize(int nCX, int nCY) {
    cx = nCX;
    cy = nCY;
  }
  CSize operator+(SIZE size) const { return CSize(cx + size.cx, cy + size.cy); }
  CSize operator-(SIZE size) const { return CSize(cx - size.cx, cy - size.cy); }
  CSize operator-() const { return CSize(-cx, -cy); }
};

class CPoint : public tagPOINT {
 public:
  CPoint() : tagPOINT{0, 0} {}
  CPoint(int initX, int initY) : tagPOINT{initX, initY} {}
  CPoint(POINT initPt) : tagPOINT(initPt) {}
  CPoint(SIZE initSize) : tagPOINT{initSize.cx, initSize.cy} {}
  CPoint(DWORD dwPoint)
      : tagPOINT{static_cast<short>(LOWORD(dwPoint)), static_cast<short>(HIWORD(dwPoint))} {}

  void Offset(int xOffset, int yOffset) {
    x += xOffset;
    y += yOffset;
  }
  void Offset(POINT point) { Offset(point.x, point.y); }
  void Offset(SIZE size) { Offset(size.cx, size.cy); }
  void SetPoint(int X, int Y) {
    x = X;
    y = Y;
  }

  bool operator==(POINT point) const { return x == point.x && y == point.y; }
  bool operator!=(POINT point) const { return !(*this == point); }
  bool operator==(const CPoint& point) const { return *this == static_cast<const POINT&>(point); }
  bool operator!=(const CPoint& point) const { return !(*this == point); }
  void operator+=(SIZE size) { Offset(size); }
  void operator-=(SIZE size) { Offset(-size.cx, -size.cy); }
  void operator+=(POINT point) { Offset(point); }
  void operator-=(POINT point) { Offset(-point.x, -point.y); }
  CPoint operator+(SIZE size) const { return CPoint(x + size.cx, y + size.cy); }
  CPoint operator-(SIZE size) const { return CPoint(x - size.cx, y - size.cy); }
  CPoint operator-() const { return CPoint(-x, -y); }
  CPoint operator+(POINT point) const { return CPoint(x + point.x, y + point.y); }
  CSize operator-(POINT point) const { return CSize(x - point.x, y - point.y); }
};

class CRect : public tagRECT {
 public:
  CRect() : tagRECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  CRect(const RECT& srcRect) : tagRECT(srcRect) {}
  CRect(LPCRECT lpSrcRect) : tagRECT(*lpSrcRect) {}
  CRect(POINT point, SIZE size) : tagRECT{point.x, point.y, point.x + size.cx, point.y + size.cy} {}
  CRect(POINT topLeft, POINT bottomRight)
      : tagRECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  // Views of the two corners, as the framework gives them.
  CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
  const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
  CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }

  BOOL IsRectEmpty() const { return left >= right || top >= bottom; }
  BOOL IsRectNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
  BOOL PtInRect(POINT point) const {
    return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
  }
  BOOL EqualRect(LPCRECT lpRect) const {
    return lpRect != NULL && left == lpRect->left && top == lpRect->top && right == lpRect->right &&
           bottom == lpRect->bottom;
  }

  void SetRect(int x1, int y1, int x2, int y2) {
    left = x1;
    top = y1;
    right = x2;
    bottom = y2;
  }
  void SetRect(POINT topLeft, POINT bottomRight) {
    SetRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
  }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void CopyRect(LPCRECT lpSrcRect) { *static_cast<RECT*>(this) = *lpSrcRect; }
  void OffsetRect(int x, int y) {
    left += x;
    right += x;
    top += y;
    bottom += y;
  }
  void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
  void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
  void InflateRect(int x, int y) {
    left -= x;
    top -= y;
    right += x;
    bottom += y;
  }
  void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
  void InflateRect(LPCRECT lpRect) {
    left -= lpRect->left;
    top -= lpRect->top;
    right += lpRect->right;
    bottom += lpRect->bottom;
  }
  void InflateRect(int l, int t, int r, int b) {
    left -= l;
    top -= t;
    right += r;
    bottom += b;
  }
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }
  BOOL IntersectRect(LPCRECT lpRect1, LPCRECT lpRect2) {
    SetRect(afx_detail::Max(lpRect1->left, lpRect2->left),
            afx_detail::Max(lpRect1->top, lpRect2->top),
            afx_detail::Min(lpRect1->right, lpRect2->right),
            afx_detail::Min(lpRect1->bottom, lpRect2->bottom));
    if (IsRectEmpty()) SetRectEmpty();
    return !IsRectEmpty();
  }
  BOOL UnionRect(LPCRECT lpRect1, LPCRECT lpRect2) {
    CRect r1(lpRect1), r2(lpRect2);
    if (r1.IsRectEmpty()) {
      *this = r2;
    } else if (r2.IsRectEmpty()) {
      *this = r1;
    } else {
      SetRect(afx_detail::Min(r1.left, r2.left), afx_detail::Min(r1.top, r2.top),
              afx_detail::Max(r1.right, r2.right), afx_detail::Max(r1.bottom, r2.bottom));
    }
    if (IsRectEmpty()) SetRectEmpty();
    return !IsRectEmpty();
  }

  CRect& operator=(const RECT& srcRect) {
    CopyRect(&srcRect);
    return *this;
  }
  bool operator==(const RECT& rect) const { return EqualRect(&rect) != FALSE; }
  bool operator!=(const RECT& rect) const { return !EqualRect(&rect); }
  bool operator==(const CRect& rect) const { return EqualRect(&rect) != FALSE; }
  bool operator!=(const CRect& rect) const { return !EqualRect(&rect); }
  void operator+=(POINT point) { OffsetRect(point); }
  void operator+=(SIZE size) { OffsetRect(size); }
  void operator-=(POINT point) { OffsetRect(-point.x, -point.y); }
  void operator-=(SIZE size) { OffsetRect(-size.cx, -size.cy); }
  CRect operator+(POINT point) const {
    CRect rect(*this);
    rect.OffsetRect(point);
    return rect;
  }
  CRect operator-(POINT point) const {
    CRect rect(*this);
    rect.OffsetRect(-point.x, -point.y);
    return rect;
  }
};

// Add-ins built as extension libraries state their module; there is only one here.
struct AFX_MODULE_STATE;
inline AFX_MODULE_STATE* AFXAPI AfxGetStaticModuleState() { return NULL; }
#define AFX_MANAGE_STATE(p) ((void)(p))

#endif  // __AFXWIN_H__
