#include "framework/gdiplus_image.h"

#include <atomic>
#include <utility>

namespace kx {

namespace {
std::atomic<int> g_liveImages{0};
}  // namespace

GdiplusImage::GdiplusImage(IStream* stream, ScopedHGlobal bytes) noexcept
    : bytes_(std::move(bytes)) {
  // Without embedded colour management, as the picture is drawn as stored.
  if (Gdiplus::DllExports::GdipLoadImageFromStream(stream, &image_) != Gdiplus::Ok)
    image_ = nullptr;
  if (image_) ++g_liveImages;
}

GdiplusImage::~GdiplusImage() {
  if (image_) {
    Gdiplus::DllExports::GdipDisposeImage(image_);
    --g_liveImages;
  }
}

UINT GdiplusImage::GetWidth() const noexcept {
  UINT width = 0;
  if (image_ && Gdiplus::DllExports::GdipGetImageWidth(image_, &width) != Gdiplus::Ok) width = 0;
  return width;
}

UINT GdiplusImage::GetHeight() const noexcept {
  UINT height = 0;
  if (image_ && Gdiplus::DllExports::GdipGetImageHeight(image_, &height) != Gdiplus::Ok) height = 0;
  return height;
}

int GdiplusImage::LiveCount() noexcept { return g_liveImages; }

}  // namespace kx
