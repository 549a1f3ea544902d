// The splash window on a real X display: where it stands, what it shows, how
// long ShowSplash keeps the caller, and what its timer and font draw.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "files.h"
#include "framework/gdiplus_image.h"
#include "framework/resource_chain.h"
#include "framework/scoped_handle.h"
#include "resources/resource.h"
#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kTitle[] = L"Kalvex Virtual Machine";
constexpr COLORREF kTextColour = 0x00753B12;  // splash.png has none of it where text goes
constexpr RECT kTextArea = {95, 220, 430, 255};

// A few pixels of splash.png, in picture coordinates.
struct Sample {
  int x, y;
  COLORREF colour;
};
constexpr Sample kPicture[] = {{0, 0, RGB(10, 38, 80)},        {756, 374, RGB(10, 38, 80)},
                               {378, 187, RGB(243, 246, 250)}, {600, 300, RGB(146, 161, 181)},
                               {700, 50, RGB(25, 71, 130)},    {50, 300, RGB(233, 238, 245)}};

// The samples as at(x, y) shows them with the picture's corner at (left,
// top); those at CLR_INVALID (off screen) are skipped.
template <class At>
void ExpectPicture(At at, int left, int top) {
  for (const Sample& s : kPicture) {
    const COLORREF seen = at(left + s.x, top + s.y);
    if (seen != CLR_INVALID) {
      EXPECT_EQ(seen, s.colour) << "picture pixel (" << s.x << ", " << s.y << ")";
    }
  }
}

// The text colour's pixels within area, row by row ('#' where it is), and
// the smallest rectangle holding them, relative to area's top-left corner.
struct Ink {
  std::vector<std::string> rows;
  int count = 0;
  RECT box = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
};

template <class At>
Ink FindInk(At at, const RECT& area) {
  Ink ink;
  for (LONG y = 0; y < area.bottom - area.top; ++y) {
    std::string& row = ink.rows.emplace_back();
    for (LONG x = 0; x < area.right - area.left; ++x) {
      row += at(area.left + x, area.top + y) == kTextColour ? '#' : '.';
      if (row.back() == '.') continue;
      ++ink.count;
      ink.box = {std::min(ink.box.left, x), std::min(ink.box.top, y),
                 std::max(ink.box.right, x + 1), std::max(ink.box.bottom, y + 1)};
    }
  }
  return ink;
}

Ink ClientInk(HWND hwnd, const RECT& area) {
  HDC dc = ::GetDC(hwnd);
  Ink ink = FindInk([dc](int x, int y) { return ::GetPixel(dc, x, y); }, area);
  ::ReleaseDC(hwnd, dc);
  return ink;
}

// The X display as a screenshot tool sees it: xwd, converted to raw RGB by
// ImageMagick, run by a Unix shell that writes it to the prefix's C: drive.
struct Screenshot {
  int width = ::GetSystemMetrics(SM_CXSCREEN);
  int height = ::GetSystemMetrics(SM_CYSCREEN);
  std::string rgb;

  COLORREF operator()(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const auto* p = reinterpret_cast<const unsigned char*>(rgb.data()) + (y * width + x) * 3;
    return RGB(p[0], p[1], p[2]);
  }
};

Screenshot CaptureXDisplay() {
  constexpr wchar_t kShot[] = L"C:\\kxshot.rgb";
  ::DeleteFileW(kShot);
  // Wine gives no handle to wait on for a Unix program: the finished file is
  // renamed into place and waited for.
  std::wstring command =
      L"/bin/sh -c \"f=${WINEPREFIX:-$HOME/.wine}/drive_c/kxshot.rgb; xwd -root -silent | "
      L"/usr/bin/convert-im6.q16 xwd:- -depth 8 rgb:$f.part && mv $f.part $f\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  Screenshot shot;
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
    return shot;
  kx::ScopedHandle process(started.hProcess), thread(started.hThread);
  for (int i = 0; i < 2000 && !kxtest::FileExists(kShot); ++i) ::Sleep(10);
  shot.rgb = kxtest::ReadFileBytes(kShot);
  if (shot.rgb.size() != static_cast<size_t>(shot.width) * shot.height * 3) shot.rgb.clear();
  return shot;
}

HWND WaitForVisibleSplash(DWORD timeoutMs) {
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < timeoutMs; ::Sleep(5))
    if (HWND hwnd = ::FindWindowW(nullptr, kTitle); hwnd && ::IsWindowVisible(hwnd)) return hwnd;
  return nullptr;
}

template <class F>
long long MillisecondsOf(F&& call) {
  const auto start = Clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The values the launch sequence gives the splash.
void ConfigureAsLaunch(MWSplashWnd& splash) {
  splash.SetText(kx::LoadResString(IDS_KX_LOADING).c_str());
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 100, 1);
  splash.SetTimerPeriod(TRUE, 10);
}

TEST(SplashWindowTest, ShowsPictureAndTextForTheDelayThenLeavesNoWindow) {
  ASSERT_EQ(::GetSystemMetrics(SM_CXSCREEN), 1920);
  ASSERT_EQ(::GetSystemMetrics(SM_CYSCREEN), 1080);
  HWND hwnd = nullptr;
  RECT rect{}, client{};
  LONG style = 0, exStyle = 0;
  Screenshot shot;
  MWSplashWnd splash;
  ConfigureAsLaunch(splash);
  long long elapsed = 0;
  {
    GdiplusScope gdiplus;
    const auto start = Clock::now();
    std::thread watcher([&] {
      if (!(hwnd = WaitForVisibleSplash(2000))) return;
      ::GetWindowRect(hwnd, &rect);
      ::GetClientRect(hwnd, &client);
      style = ::GetWindowLongW(hwnd, GWL_STYLE);
      exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
      std::this_thread::sleep_until(start + std::chrono::seconds(1));
      shot = CaptureXDisplay();
    });
    elapsed = MillisecondsOf([&] { splash.ShowSplash(nullptr, 2500, TRUE); });
    watcher.join();
    EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0) << "picture still held when GDI+ shuts down";
  }
  std::printf("ShowSplash(nullptr, 2500, TRUE) returned after %lld ms\n", elapsed);
  EXPECT_GE(elapsed, 2500);
  EXPECT_LT(elapsed, 2900);
  ASSERT_NE(hwnd, nullptr) << "no visible splash window";
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(::FindWindowW(nullptr, kTitle), nullptr);
  EXPECT_EQ(rect.left, 643);
  EXPECT_EQ(rect.top, 342);
  EXPECT_EQ(rect.right, 1400);
  EXPECT_EQ(rect.bottom, 717);
  EXPECT_EQ(client.right * 1000 + client.bottom, 757375) << "a border or caption takes room";
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME), 0);

  ASSERT_FALSE(shot.rgb.empty()) << "no screenshot (xwd, convert-im6.q16)";
  ExpectPicture(shot, 643, 342);
  const Ink text = FindInk(shot, {643 + kTextArea.left, 342 + kTextArea.top, 643 + kTextArea.right,
                                  342 + kTextArea.bottom});
  EXPECT_GE(text.count, 30) << "no loading text in 0x00753B12";
  // Relative to kTextArea, which starts 5 pixels left of and above (100, 225).
  EXPECT_GE(text.box.left, 5);
  EXPECT_LE(text.box.left, 8) << "text does not start at x = 100";
  EXPECT_GE(text.box.top, 5);
  EXPECT_LE(text.box.top, 11) << "text does not hang from y = 225";
  EXPECT_GT(text.box.right, 205) << "text shorter than \"Kalvex Virtual Machine Loading...\"";
}

// Registered a second time in CTest with KX_SCREEN=640x300x24.
TEST(SplashSmallScreenTest, StandsPartlyOffAScreenSmallerThanThePicture) {
  if (::GetSystemMetrics(SM_CXSCREEN) != 640 || ::GetSystemMetrics(SM_CYSCREEN) != 300)
    GTEST_SKIP() << "needs a 640 x 300 screen (KX_SCREEN=640x300x24)";
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  splash.ShowSplash(nullptr, 0, FALSE);
  HWND hwnd = ::FindWindowW(nullptr, kTitle);
  ASSERT_NE(hwnd, nullptr);
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  EXPECT_EQ(rect.left, 4);
  EXPECT_EQ(rect.top, -47);
  EXPECT_EQ(rect.right, 761);
  EXPECT_EQ(rect.bottom, 328);
  const Screenshot shot = CaptureXDisplay();
  ASSERT_FALSE(shot.rgb.empty());
  ExpectPicture(shot, 4, -47);
  splash.CloseSplash();
}

TEST(SplashWindowTest, ReturnsAtOnceWhenShownBeforeDisabledOrNotClosing) {
  GdiplusScope gdiplus;
  MWSplashWnd once;
  ConfigureAsLaunch(once);
  once.ShowSplash(nullptr, 0, TRUE);
  EXPECT_LT(MillisecondsOf([&] { once.ShowSplash(nullptr, 2000, TRUE); }), 100)
      << "a second ShowSplash waited";
  EXPECT_EQ(::FindWindowW(nullptr, kTitle), nullptr) << "a second ShowSplash made a window";

  MWSplashWnd disabled;
  disabled.SetSplashEnabled(FALSE);
  EXPECT_LT(MillisecondsOf([&] { disabled.ShowSplash(nullptr, 2000, TRUE); }), 100);
  EXPECT_EQ(::FindWindowW(nullptr, kTitle), nullptr);

  MWSplashWnd open;
  ConfigureAsLaunch(open);
  EXPECT_LT(MillisecondsOf([&] { open.ShowSplash(nullptr, 5000, FALSE); }), 1000);
  // No message has been dispatched since: the paint was synchronous.
  HWND hwnd = ::FindWindowW(nullptr, kTitle);
  ASSERT_NE(hwnd, nullptr);
  HDC dc = ::GetDC(hwnd);
  ExpectPicture([dc](int x, int y) { return ::GetPixel(dc, x, y); }, 0, 0);
  ::ReleaseDC(hwnd, dc);
  EXPECT_GE(ClientInk(hwnd, kTextArea).count, 30) << "no loading text";
  open.CloseSplash();
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
}

// Dots seen after each paint of the splash, from a hook.
struct PaintWatch {
  HWND hwnd = nullptr;
  std::vector<int> dots;
} g_paints;

int CountDots(const Ink& ink) {
  int dots = 0;
  bool inDot = false;
  for (size_t x = 0; x < ink.rows.front().size(); ++x) {
    const bool on = std::any_of(ink.rows.begin(), ink.rows.end(),
                                [x](const std::string& row) { return row[x] == '#'; });
    dots += on && !inDot;
    inDot = on;
  }
  return dots;
}

LRESULT CALLBACK AfterEachSentMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == g_paints.hwnd && sent->message == WM_PAINT)
    g_paints.dots.push_back(CountDots(ClientInk(sent->hwnd, {100, 225, 400, 290})));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(SplashWindowTest, TimerDrawsOneDotMoreEachEventAndClosesOnTheFifth) {
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 300, 1);  // large dots, easy to count
  splash.SetTimerPeriod(TRUE, 10);
  splash.ShowSplash(nullptr, 0, FALSE);
  g_paints.hwnd = ::FindWindowW(nullptr, kTitle);
  ASSERT_NE(g_paints.hwnd, nullptr);
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterEachSentMessage, nullptr,
                                   ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  int timerEvents = 0;
  for (auto end = Clock::now() + std::chrono::seconds(5);
       Clock::now() < end && ::IsWindow(g_paints.hwnd);
       ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT)) {
    for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ::DispatchMessageW(&msg))
      timerEvents += msg.message == WM_TIMER && msg.hwnd == g_paints.hwnd;
  }
  ::UnhookWindowsHookEx(hook);

  EXPECT_FALSE(::IsWindow(g_paints.hwnd)) << "the splash did not close itself";
  EXPECT_EQ(timerEvents, 5);
  std::vector<int> counts;  // each repaint once, whatever else painted meanwhile
  for (int n : g_paints.dots)
    if (counts.empty() ? n != 0 : n != counts.back()) counts.push_back(n);
  EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
}

struct Rendering {
  int strokeWidth = 0;      // ink across the middle of the strokes
  bool underlined = false;  // a row of ink across most of the text
  int slant = 0;            // how far the strokes' tops lean right of their feet
};

Rendering RenderWithStyle(UINT style) {
  MWSplashWnd splash;
  splash.SetText(L"IIIIII");
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 300, style);
  splash.ShowSplash(nullptr, 0, FALSE);
  const Ink ink = ClientInk(::FindWindowW(nullptr, kTitle), {100, 222, 400, 290});
  splash.CloseSplash();
  Rendering r;
  std::vector<std::string> strokes;
  for (const std::string& row : ink.rows) {
    size_t longest = 0;
    for (size_t at = row.find('#'); at != std::string::npos; at = row.find('#', at)) {
      const size_t end = std::min(row.find('.', at), row.size());
      longest = std::max(longest, end - at);
      at = end;
    }
    if (longest * 10 >= static_cast<size_t>(ink.box.right - ink.box.left) * 8)
      r.underlined = true;
    else if (longest > 0)
      strokes.push_back(row);
  }
  if (strokes.empty()) return r;
  const std::string& middle = strokes[strokes.size() / 2];
  r.strokeWidth = static_cast<int>(std::count(middle.begin(), middle.end(), '#'));
  r.slant =
      static_cast<int>(strokes.front().find('#')) - static_cast<int>(strokes.back().find('#'));
  return r;
}

TEST(SplashWindowTest, FontStyleBitsGiveBoldItalicAndUnderline) {
  GdiplusScope gdiplus;
  const Rendering plain = RenderWithStyle(0);
  const Rendering all = RenderWithStyle(7);
  std::printf("strokes %d / %d, slant %d / %d\n", plain.strokeWidth, all.strokeWidth, plain.slant,
              all.slant);
  ASSERT_GT(plain.strokeWidth, 0) << "no text drawn";
  EXPECT_FALSE(plain.underlined);
  EXPECT_LE(std::abs(plain.slant), 1) << "style 0 is not upright";
  EXPECT_GT(all.strokeWidth * 4, plain.strokeWidth * 5) << "style 7 is not bold";
  EXPECT_GE(all.slant, 3) << "style 7 is not italic";
  EXPECT_TRUE(all.underlined) << "style 7 is not underlined";
}

// The launch's splash, run in a copy of this program without the picture.
KX_CHILD_SCENARIO(missing_picture) {
  HWND seen = nullptr;
  RECT rect{};
  long long elapsed = 0;
  MWSplashWnd splash;
  ConfigureAsLaunch(splash);
  {
    GdiplusScope gdiplus;
    std::thread watcher([&] {
      if ((seen = WaitForVisibleSplash(1000))) ::GetWindowRect(seen, &rect);
    });
    elapsed = MillisecondsOf([&] { splash.ShowSplash(nullptr, 600, TRUE); });
    watcher.join();
  }
  const LONG x = ::GetSystemMetrics(SM_CXSCREEN) / 2 + 62;
  const LONG y = ::GetSystemMetrics(SM_CYSCREEN) / 2 - 10;
  std::printf("splash %p at (%ld, %ld)-(%ld, %ld), %lld ms; expected a point at (%ld, %ld)\n",
              static_cast<void*>(seen), rect.left, rect.top, rect.right, rect.bottom, elapsed, x,
              y);
  const bool ok = seen && rect.left == x && rect.right == x && rect.top == y && rect.bottom == y &&
                  elapsed >= 600 && !::FindWindowW(nullptr, kTitle);
  return ok ? 0 : 1;
}

TEST(SplashWindowTest, MissingPictureGivesAZeroSizeWindowThatStillWaits) {
  // The copy's resources are written afresh, holding only the title: Wine's
  // UpdateResourceW cannot delete one resource of a file.
  kxtest::TempFolder folder(L"splash-missing");
  const std::wstring copy = folder.Path() + L"no_picture.exe";
  ASSERT_TRUE(::CopyFileW(kxtest::SelfPath().c_str(), copy.c_str(), FALSE));
  const WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  const LPCWSTR block = MAKEINTRESOURCEW(IDS_KX_APP_TITLE / 16 + 1);
  HRSRC title = ::FindResourceExW(nullptr, RT_STRING, block, english);
  ASSERT_NE(title, nullptr);
  HANDLE update = ::BeginUpdateResourceW(copy.c_str(), TRUE);
  ASSERT_NE(update, nullptr);
  const BOOL written = ::UpdateResourceW(update, RT_STRING, block, english,
                                         ::LockResource(::LoadResource(nullptr, title)),
                                         ::SizeofResource(nullptr, title));
  ASSERT_TRUE(::EndUpdateResourceW(update, !written) && written);
  const kxtest::ChildResult result = kxtest::RunChildScenarioFrom(copy, "missing_picture", 30000);
  EXPECT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 0u);
}

}  // namespace
