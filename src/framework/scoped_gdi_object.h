// Owner of a GDI object: a font, brush, pen, bitmap or region.
#pragma once

#include <windows.h>

#include "framework/scoped_handle.h"

namespace kx {

template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static T Null() { return nullptr; }
  static bool IsValid(T object) { return object != nullptr; }
  static void Close(T object) { ::DeleteObject(object); }
};

// Move-only; deletes the object on every path. It must not be selected into
// a device context at that time (ScopedSelectObject puts the old one back).
template <class T>
using ScopedGdiObject = ScopedGenericHandle<GdiObjectTraits<T>>;

struct MemoryDcTraits {
  using Handle = HDC;
  static HDC Null() { return nullptr; }
  static bool IsValid(HDC dc) { return dc != nullptr; }
  static void Close(HDC dc) { ::DeleteDC(dc); }
};

// A memory device context compatible with dc, deleted on every path.
class ScopedMemoryDC : public ScopedGenericHandle<MemoryDcTraits> {
 public:
  explicit ScopedMemoryDC(HDC dc) : ScopedGenericHandle(::CreateCompatibleDC(dc)) {}
};

}  // namespace kx
