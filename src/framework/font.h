// A GDI font owned by an object.
#pragma once

#include <windows.h>

#include "framework/scoped_gdi_object.h"

namespace kx {

class CFont {
 public:
  CFont() noexcept = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  // A font of pointSize tenths of a point, converted to the logical units of
  // dc, or of the screen when dc is null. Fails while a font is held.
  BOOL CreatePointFont(int pointSize, LPCWSTR faceName, HDC dc = nullptr);
  // Fails while a font is held.
  BOOL CreateFontIndirect(const LOGFONTW* logFont);
  // Bytes written into *logFont; 0 when no font is held.
  int GetLogFont(LOGFONTW* logFont) const;
  // Deletes the held font; FALSE when there was none.
  BOOL DeleteObject();

  HFONT GetSafeHandle() const noexcept { return font_.Get(); }

 private:
  kx::ScopedGdiObject<HFONT> font_;
};

}  // namespace kx
