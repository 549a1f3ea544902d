// Keeps GDI+ started for the lifetime of the object.
#pragma once

#include <windows.h>

namespace kx {

class GdiplusScope {
 public:
  // Starts GDI+ version 1 with its background thread and external codecs.
  // A failure is not reported: images made meanwhile then have size 0 x 0.
  GdiplusScope();
  // Shuts GDI+ down; every image made under this scope must be gone by now.
  ~GdiplusScope();
  GdiplusScope(const GdiplusScope&) = delete;
  GdiplusScope& operator=(const GdiplusScope&) = delete;

 private:
  ULONG_PTR m_nToken = 0;
};

}  // namespace kx
