// A GDI+ image decoded from a stream over a global memory block.
#pragma once

// GDI+ needs the Windows types and IStream declared first.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include "framework/scoped_hglobal.h"

namespace kx {

// Decodes the stream's picture. GDI+ may read the stream, and so the block
// under it, for as long as the image lives: the image keeps the block and
// frees it after disposing of the image. When decoding fails the object
// still exists, holds no image and reports a size of 0 x 0.
// GDI+ must be started while the object is made and until it is destroyed.
class GdiplusImage {
 public:
  GdiplusImage(IStream* stream, ScopedHGlobal bytes) noexcept;
  ~GdiplusImage();
  GdiplusImage(const GdiplusImage&) = delete;
  GdiplusImage& operator=(const GdiplusImage&) = delete;

  Gdiplus::GpImage* Get() const noexcept { return image_; }
  UINT GetWidth() const noexcept;
  UINT GetHeight() const noexcept;

  // Decoded images not yet disposed of, in the whole process: lets a caller
  // check that none outlives the GDI+ session it was made under.
  static int LiveCount() noexcept;

 private:
  Gdiplus::GpImage* image_ = nullptr;
  ScopedHGlobal bytes_;  // freed after the destructor has disposed of image_
};

}  // namespace kx
