// Pictures of what is on screen: the whole X display as a user's screenshot
// tool sees it, a window's client area as its DC holds it, and a PNG decoded
// for comparison.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kxtest {

// Pixels row by row from the top, each as a COLORREF (0x00BBGGRR).
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> data;

  bool Empty() const { return data.empty(); }
  // CLR_INVALID outside the picture.
  COLORREF At(int x, int y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? CLR_INVALID : data[y * width + x];
  }
};

// The X display of this Wine session, taken with xwd and converted with
// ImageMagick by a Unix shell that this program starts. Empty when that is
// not possible (not under Wine, tools missing, time-out); *error says why.
// With KX_KEEP_SCREENSHOTS set to a folder, the shots are kept there.
Pixels CaptureXDisplay(std::string* error = nullptr);

// The window's client area, read back from its device context.
Pixels CaptureWindowClient(HWND hwnd);

// A PNG (or any format GDI+ reads) decoded to pixels; alpha is dropped.
// Empty when it cannot be decoded.
Pixels DecodePicture(const std::string& bytes);

// The picture held as resource (type, id) in module (null: this program),
// decoded; empty when there is none.
Pixels DecodeResourcePicture(HMODULE module, LPCWSTR type, UINT id);

// Colours equal within tolerance in each of red, green and blue.
bool SameColour(COLORREF a, COLORREF b, int tolerance = 0);

// Comparisons of a picture with what is shown, the picture's top-left corner
// standing at (left, top) of shown. Rectangles are in picture coordinates;
// pixels that fall outside shown are skipped.

// Picture pixels that shown has in another colour, outside ignore.
int CountDifferences(const Pixels& shown, const Pixels& picture, int left, int top,
                     const RECT& ignore = {});
// The smallest rectangle holding every pixel of area that shown has in
// another colour than the picture; empty when there is none.
RECT DifferenceBounds(const Pixels& shown, const Pixels& picture, int left, int top,
                      const RECT& area);
// Pixels of area that shown has in colour where the picture has another.
int CountAddedColour(const Pixels& shown, const Pixels& picture, int left, int top,
                     const RECT& area, COLORREF colour, int tolerance = 0);

}  // namespace kxtest
