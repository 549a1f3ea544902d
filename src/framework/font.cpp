#include "framework/font.h"

#include <cstdlib>
#include <cwchar>

namespace kx {

BOOL CFont::CreatePointFont(int pointSize, LPCWSTR faceName, HDC dc) {
  LOGFONTW logFont{};
  logFont.lfCharSet = DEFAULT_CHARSET;
  if (faceName)
    std::wcsncpy(logFont.lfFaceName, faceName, LF_FACESIZE - 1);  // longer names are cut

  HDC measure = dc ? dc : ::GetDC(nullptr);
  // 72 points an inch, 10 steps a point; the origin is subtracted so that a
  // mapping mode with an offset still yields a height, not a position.
  POINT size{0, ::MulDiv(::GetDeviceCaps(measure, LOGPIXELSY), pointSize, 720)};
  POINT origin{0, 0};
  ::DPtoLP(measure, &size, 1);
  ::DPtoLP(measure, &origin, 1);
  if (!dc) ::ReleaseDC(nullptr, measure);
  logFont.lfHeight = -std::abs(size.y - origin.y);
  return CreateFontIndirect(&logFont);
}

BOOL CFont::CreateFontIndirect(const LOGFONTW* logFont) {
  if (font_.IsValid() || !logFont) return FALSE;
  font_.Reset(::CreateFontIndirectW(logFont));
  return font_.IsValid();
}

int CFont::GetLogFont(LOGFONTW* logFont) const {
  if (!font_.IsValid() || !logFont) return 0;
  return ::GetObjectW(font_.Get(), sizeof(LOGFONTW), logFont);
}

BOOL CFont::DeleteObject() {
  if (!font_.IsValid()) return FALSE;
  font_.Reset();
  return TRUE;
}

}  // namespace kx
