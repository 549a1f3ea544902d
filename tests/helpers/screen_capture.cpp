#include "screen_capture.h"

// GDI+ needs IStream declared first.
// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kxtest {
namespace {

// Wine's kernel32 maps a Windows path to the Unix one; the result is on the
// process heap.
std::string UnixPath(const std::wstring& windowsPath) {
  using UnixFileName = char*(CDECL*)(LPCWSTR);
  const auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  char* path = convert(windowsPath.c_str());
  if (!path) return {};
  std::string result(path);
  ::HeapFree(::GetProcessHeap(), 0, path);
  return result;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Binary portable pixmap: "P6", width, height, maximum, one blank, RGB bytes.
Pixels ParsePpm(const std::string& bytes) {
  size_t pos = 0;
  auto token = [&]() -> std::string {
    for (;;) {
      while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
      if (pos < bytes.size() && bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    const size_t start = pos;
    while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
    return bytes.substr(start, pos - start);
  };
  Pixels pixels;
  if (token() != "P6") return pixels;
  const int width = std::atoi(token().c_str());
  const int height = std::atoi(token().c_str());
  const int maximum = std::atoi(token().c_str());
  ++pos;  // the single blank before the data
  if (width <= 0 || height <= 0 || maximum != 255 ||
      bytes.size() - pos < static_cast<size_t>(width) * height * 3)
    return pixels;
  pixels.width = width;
  pixels.height = height;
  pixels.data.resize(static_cast<size_t>(width) * height);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
  for (COLORREF& c : pixels.data) {
    c = RGB(p[0], p[1], p[2]);
    p += 3;
  }
  return pixels;
}

}  // namespace

bool SameColour(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

int CountDifferences(const Pixels& shown, const Pixels& picture, int left, int top,
                     const RECT& ignore) {
  int count = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const COLORREF seen = shown.At(left + x, top + y);
      const bool ignored =
          x >= ignore.left && x < ignore.right && y >= ignore.top && y < ignore.bottom;
      if (seen != CLR_INVALID && !ignored && seen != picture.At(x, y)) ++count;
    }
  return count;
}

RECT DifferenceBounds(const Pixels& shown, const Pixels& picture, int left, int top,
                      const RECT& area) {
  RECT bounds{};
  bool any = false;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF seen = shown.At(left + x, top + y);
      if (seen == CLR_INVALID || seen == picture.At(x, y)) continue;
      if (!any) bounds = {x, y, x + 1, y + 1};
      any = true;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
    }
  return bounds;
}

int CountAddedColour(const Pixels& shown, const Pixels& picture, int left, int top,
                     const RECT& area, COLORREF colour, int tolerance) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF seen = shown.At(left + x, top + y);
      if (seen != CLR_INVALID && SameColour(seen, colour, tolerance) &&
          !SameColour(picture.At(x, y), colour, tolerance))
        ++count;
    }
  return count;
}

Pixels CaptureXDisplay(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return Pixels{};
  };
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  static LONG counter = 0;
  const std::wstring name = L"kxshot-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                            std::to_wstring(::InterlockedIncrement(&counter)) + L".ppm";
  const std::wstring shot = std::wstring(temp) + name;
  const std::wstring failed = shot + L".failed";
  const std::string unixFolder = UnixPath(temp);
  if (unixFolder.empty())
    return fail("no Unix path for " + std::string(temp, temp + wcslen(temp)) +
                ": not running under Wine");
  const std::string unixShot = unixFolder + std::string(name.begin(), name.end());

  // Wine starts a Unix program named by its Unix path, but hands back no
  // process handle: the shell renames the finished file into place and the
  // caller waits for it to appear.
  const std::string script = "xwd -root -silent | /usr/bin/convert-im6.q16 xwd:- ppm:'" + unixShot +
                             ".part' && mv '" + unixShot + ".part' '" + unixShot + "' || touch '" +
                             unixShot + ".failed'";
  std::wstring commandLine = L"/bin/sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return fail("cannot start /bin/sh, error " + std::to_string(::GetLastError()));
  if (process.hThread) ::CloseHandle(process.hThread);
  if (process.hProcess) ::CloseHandle(process.hProcess);

  const DWORD start = ::GetTickCount();
  while (::GetFileAttributesW(shot.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (::GetFileAttributesW(failed.c_str()) != INVALID_FILE_ATTRIBUTES) {
      ::DeleteFileW(failed.c_str());
      return fail("xwd or convert-im6.q16 failed");
    }
    if (::GetTickCount() - start > 30000) return fail("no screenshot within 30 s");
    ::Sleep(10);
  }
  Pixels pixels = ParsePpm(ReadAll(shot));
  // KX_KEEP_SCREENSHOTS names a folder that keeps every shot, to look at
  // what a failing test saw.
  wchar_t keep[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"KX_KEEP_SCREENSHOTS", keep, MAX_PATH) > 0)
    ::MoveFileExW(shot.c_str(), (std::wstring(keep) + L"\\" + name).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
  ::DeleteFileW(shot.c_str());
  if (pixels.Empty()) return fail("unreadable screenshot");
  return pixels;
}

Pixels CaptureWindowClient(HWND hwnd) {
  Pixels pixels;
  RECT client{};
  if (!::GetClientRect(hwnd, &client) || client.right <= 0 || client.bottom <= 0) return pixels;
  const int width = client.right;
  const int height = client.bottom;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC windowDc = ::GetDC(hwnd);
  HDC memoryDc = ::CreateCompatibleDC(windowDc);
  HBITMAP bitmap = ::CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memoryDc && bitmap && bits) {
    HGDIOBJ old = ::SelectObject(memoryDc, bitmap);
    if (::BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY)) {
      pixels.width = width;
      pixels.height = height;
      pixels.data.resize(static_cast<size_t>(width) * height);
      const auto* bgra = static_cast<const unsigned char*>(bits);
      for (COLORREF& c : pixels.data) {
        c = RGB(bgra[2], bgra[1], bgra[0]);
        bgra += 4;
      }
    }
    ::SelectObject(memoryDc, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (memoryDc) ::DeleteDC(memoryDc);
  ::ReleaseDC(hwnd, windowDc);
  return pixels;
}

Pixels DecodePicture(const std::string& bytes) {
  namespace gp = Gdiplus;
  Pixels pixels;
  ULONG_PTR token = 0;
  gp::GdiplusStartupInput input;
  if (gp::GdiplusStartup(&token, &input, nullptr) != gp::Ok) return pixels;
  HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, bytes.size());
  IStream* stream = nullptr;
  if (block && !bytes.empty()) {
    std::memcpy(block, bytes.data(), bytes.size());  // a fixed block is its own pointer
    ::CreateStreamOnHGlobal(block, FALSE, &stream);
  }
  gp::GpBitmap* bitmap = nullptr;
  if (stream && gp::DllExports::GdipCreateBitmapFromStream(stream, &bitmap) == gp::Ok) {
    UINT width = 0, height = 0;
    gp::DllExports::GdipGetImageWidth(bitmap, &width);
    gp::DllExports::GdipGetImageHeight(bitmap, &height);
    gp::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    gp::BitmapData data{};
    if (width && height &&
        gp::DllExports::GdipBitmapLockBits(bitmap, &all, gp::ImageLockModeRead,
                                           PixelFormat32bppARGB, &data) == gp::Ok) {
      pixels.width = static_cast<int>(width);
      pixels.height = static_cast<int>(height);
      pixels.data.resize(static_cast<size_t>(width) * height);
      for (UINT y = 0; y < height; ++y) {
        const auto* row = static_cast<const unsigned char*>(data.Scan0) + y * data.Stride;
        for (UINT x = 0; x < width; ++x)
          pixels.data[y * width + x] = RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
      }
      gp::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
  }
  if (bitmap) gp::DllExports::GdipDisposeImage(bitmap);
  if (stream) stream->Release();
  if (block) ::GlobalFree(block);
  gp::GdiplusShutdown(token);
  return pixels;
}

Pixels DecodeResourcePicture(HMODULE module, LPCWSTR type, UINT id) {
  if (!module) module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
  const void* bytes = info ? ::LockResource(::LoadResource(module, info)) : nullptr;
  if (!bytes) return {};
  return DecodePicture(
      std::string(static_cast<const char*>(bytes), ::SizeofResource(module, info)));
}

}  // namespace kxtest
