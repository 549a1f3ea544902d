#include "splash/GdiplusScope.h"

// GDI+ needs IStream declared first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>

namespace kx {

// clang-format on

GdiplusScope::GdiplusScope() {
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  Gdiplus::GdiplusStartup(&m_nToken, &input, nullptr);
}

GdiplusScope::~GdiplusScope() {
  Gdiplus::GdiplusShutdown(m_nToken);
  m_nToken = 0;
}

}  // namespace kx
