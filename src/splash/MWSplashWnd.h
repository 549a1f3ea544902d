// The splash window shown while a launch prepares: a borderless, topmost
// popup the size of the library's PNG picture, with one line of loading text
// over it. The picture is loaded, drawn and released only while a
// GdiplusScope is open.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/font.h"
#include "framework/gdiplus_image.h"
#include "framework/scoped_gdi_object.h"
#include "framework/geometry.h"
#include "framework/window.h"

namespace kx {

class MWSplashWnd : public CWnd {
 public:
  MWSplashWnd();
  // Releases a picture still held and the font; the base class destroys a
  // window that still exists.
  ~MWSplashWnd() override;

  // ShowSplash does nothing while the splash is disabled.
  void SetSplashEnabled(BOOL enabled);
  // The setters below repaint the window at once when it exists.
  void SetText(LPCWSTR text);
  void SetTextColor(COLORREF colour);
  // Top-left corner of the text, in client coordinates.
  void SetTextPosition(CPoint& position);
  // Size in tenths of a point; style bits: 1 bold, 2 italic, 4 underlined.
  // Takes effect at the next repaint.
  void SetTextFont(LPCWSTR faceName, int pointSize, UINT style);
  // Period of timer 1, started by ShowSplash; -1 when enable is FALSE. A
  // running timer keeps its period.
  void SetTimerPeriod(BOOL enable, int periodMs);

  // For a launch that keeps its thread's messages flowing: the window is not
  // topmost (it must never cover the simulator's own), and its timer only
  // advances the dots instead of closing it on the fifth event. Before
  // ShowSplash.
  void SetResponsive(BOOL responsive);

  // Creates, places, shows and paints the window, starts its timer, and
  // when closeAfterDelay is TRUE sleeps delayMs without dispatching messages
  // and closes it again. Does nothing when disabled or after a first call.
  void ShowSplash(CWnd* parent, int delayMs, BOOL closeAfterDelay);
  // Hides and destroys the window and releases the picture.
  void CloseSplash();

 protected:
  int OnCreate(LPCREATESTRUCTW createStruct);
  void OnPaint();
  // The dots after the text count up on timer 1; the fifth event of any
  // timer closes the window.
  void OnTimer(UINT_PTR timerId);
  KX_DECLARE_MESSAGE_MAP()

 private:
  BOOL CreateSplashWindow(CWnd* parent);
  void PlaceAndShow();
  BOOL LoadImageResource(UINT resourceId, LPCWSTR type, HMODULE module);
  void DrawSplashImage(HDC dc);
  void DrawSplashText(HDC dc);
  void Repaint();
  // Hides and destroys the window and releases the picture; the tick count
  // is left to the caller.
  void HideAndDestroy();

  int m_nTickCount = 0;
  BOOL m_bCreated = FALSE;
  BOOL m_bEnabled = TRUE;
  std::unique_ptr<kx::GdiplusImage> m_pImage;
  kx::ScopedGdiObject<HBITMAP> m_picture;  // the picture as painted, for repaints
  UINT m_nImageResourceId;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nX = 0;
  int m_nY = 0;
  CFont m_font;
  std::wstring m_strText;
  CPoint m_ptText;
  COLORREF m_crText = RGB(0, 0, 0);  // callers set it; black until then
  int m_nTimerPeriod = -1;
  int m_nDotCount = 0;
  BOOL m_bResponsive = FALSE;
};

}  // namespace kx
