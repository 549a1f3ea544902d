// A GDI+ drawing surface over a device context, for one scope.
#pragma once

// GDI+ needs the Windows types and IStream declared first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace kx {

// clang-format on


// Get() is null when GDI+ could not attach to the DC (for instance when it
// is not started); callers then draw nothing.
class GdiplusGraphics {
 public:
  explicit GdiplusGraphics(HDC dc) noexcept {
    if (Gdiplus::DllExports::GdipCreateFromHDC(dc, &graphics_) != Gdiplus::Ok) graphics_ = nullptr;
  }
  ~GdiplusGraphics() {
    if (graphics_) Gdiplus::DllExports::GdipDeleteGraphics(graphics_);
  }
  GdiplusGraphics(const GdiplusGraphics&) = delete;
  GdiplusGraphics& operator=(const GdiplusGraphics&) = delete;

  Gdiplus::GpGraphics* Get() const noexcept { return graphics_; }

 private:
  Gdiplus::GpGraphics* graphics_ = nullptr;
};

}  // namespace kx
