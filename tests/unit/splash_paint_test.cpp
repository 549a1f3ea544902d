// What the splash draws over its picture and when: the loading text, its
// font, the dots of the timer and the repaints of the setters.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "framework/gdiplus_image.h"
#include "resources/resource.h"
#include "screen_capture.h"
#include "screen_window.h"
#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

namespace {

using kxtest::Pixels;
using Clock = std::chrono::steady_clock;

const bool kNoWindowManager = kxtest::WithoutWindowManager();

constexpr wchar_t kTitle[] = L"Kalvex Virtual Machine";
constexpr COLORREF kTextColour = 0x00753B12;
constexpr COLORREF kRed = RGB(0xFF, 0, 0);
constexpr COLORREF kGreen = RGB(0, 0xFF, 0);

// Separate groups of columns in area where the window's pixels differ from
// the picture: one per dot when only dots are drawn.
int CountInkGroups(const Pixels& shown, const Pixels& picture, const RECT& area) {
  int groups = 0;
  bool inGroup = false;
  for (int x = area.left; x < area.right; ++x) {
    bool ink = false;
    for (int y = area.top; y < area.bottom && !ink; ++y) ink = shown.At(x, y) != picture.At(x, y);
    if (ink && !inGroup) ++groups;
    inGroup = ink;
  }
  return groups;
}

// Dispatches this thread's messages until the window is gone or the time is
// up; returns the WM_TIMER messages that reached it.
int PumpUntilGone(HWND hwnd, std::chrono::milliseconds limit) {
  int timerEvents = 0;
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == hwnd) ++timerEvents;
      ::DispatchMessageW(&msg);
    }
    if (!::IsWindow(hwnd)) break;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return timerEvents;
}

class SplashPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kNoWindowManager);
    picture_ = kxtest::DecodeResourcePicture(nullptr, L"PNG", IDB_KX_SPLASH);
    ASSERT_FALSE(picture_.Empty());
  }

  Pixels picture_;
};

// Dots counted on every paint of the splash window, seen from a hook.
struct PaintWatch {
  HWND hwnd = nullptr;
  const Pixels* picture = nullptr;
  RECT area{};
  std::vector<int> dots;
} g_paints;

LRESULT CALLBACK AfterEachSentMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == g_paints.hwnd && sent->message == WM_PAINT)
    g_paints.dots.push_back(
        CountInkGroups(kxtest::CaptureWindowClient(sent->hwnd), *g_paints.picture, g_paints.area));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(SplashPaintTest, TimerDrawsOneDotMoreEachEventAndClosesOnTheFifth) {
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  splash.SetText(L"");
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 300, 1);  // large dots, easy to count
  splash.SetTimerPeriod(TRUE, 10);
  splash.ShowSplash(nullptr, 0, FALSE);
  HWND hwnd = kxtest::FindOwnWindow(kTitle);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(kxtest::CountDifferences(kxtest::CaptureWindowClient(hwnd), picture_, 0, 0), 0)
      << "empty text and no dots draw nothing";

  g_paints = {hwnd, &picture_, {100, 225, 400, 290}, {}};
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterEachSentMessage, nullptr,
                                   ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  const int timerEvents = PumpUntilGone(hwnd, std::chrono::seconds(5));
  ::UnhookWindowsHookEx(hook);

  EXPECT_FALSE(::IsWindow(hwnd)) << "the splash did not close itself";
  EXPECT_EQ(timerEvents, 5);
  std::vector<int> counts;  // each repaint once, whatever else painted meanwhile
  for (int n : g_paints.dots)
    if (counts.empty() ? n != 0 : n != counts.back()) counts.push_back(n);
  EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
  EXPECT_EQ(PumpUntilGone(hwnd, std::chrono::milliseconds(100)), 0) << "timer outlived the window";
}

TEST_F(SplashPaintTest, TimerRunsOnlyForAPositivePeriodAndSurvivesItsSetter) {
  GdiplusScope gdiplus;
  for (const auto& [enable, period] : {std::pair{TRUE, 0}, std::pair{FALSE, 50}}) {
    MWSplashWnd splash;
    splash.SetTimerPeriod(enable, period);
    splash.ShowSplash(nullptr, 0, FALSE);
    HWND hwnd = kxtest::FindOwnWindow(kTitle);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(PumpUntilGone(hwnd, std::chrono::milliseconds(200)), 0)
        << "a timer started for SetTimerPeriod(" << enable << ", " << period << ")";
    EXPECT_TRUE(::IsWindow(hwnd));
    splash.CloseSplash();
  }

  MWSplashWnd running;
  running.SetTimerPeriod(TRUE, 10);
  running.ShowSplash(nullptr, 0, FALSE);
  HWND hwnd = kxtest::FindOwnWindow(kTitle);
  ASSERT_NE(hwnd, nullptr);
  running.SetTimerPeriod(FALSE, -1);  // stores -1; the running timer goes on
  EXPECT_EQ(PumpUntilGone(hwnd, std::chrono::seconds(5)), 5);
  EXPECT_FALSE(::IsWindow(hwnd));

  // During the launch's plain sleep no timer message is handled, and none
  // is left behind for a later message loop.
  MWSplashWnd launch;
  launch.SetTimerPeriod(TRUE, 10);
  launch.ShowSplash(nullptr, 100, TRUE);
  EXPECT_EQ(PumpUntilGone(nullptr, std::chrono::milliseconds(100)), 0);
}

TEST_F(SplashPaintTest, SettersRepaintAtOnceButANewFontWaitsForTheNextPaint) {
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  splash.SetTextColor(kRed);
  CPoint first(100, 225);
  splash.SetTextPosition(first);
  splash.SetTextFont(L"Arial", 100, 1);
  splash.SetText(L"IIIIIIIIIIII");
  splash.ShowSplash(nullptr, 0, FALSE);
  HWND hwnd = kxtest::FindOwnWindow(kTitle);
  ASSERT_NE(hwnd, nullptr);
  const RECT firstBox = {100, 222, 300, 250};
  const RECT secondBox = {450, 318, 650, 345};
  auto shown = [&] { return kxtest::CaptureWindowClient(hwnd); };

  EXPECT_GT(kxtest::CountAddedColour(shown(), picture_, 0, 0, firstBox, kRed), 10);

  splash.SetText(L"");
  EXPECT_EQ(kxtest::CountDifferences(shown(), picture_, 0, 0), 0) << "old text left standing";

  splash.SetText(L"IIIIIIIIIIII");
  splash.SetTextColor(kGreen);
  Pixels now = shown();
  EXPECT_GT(kxtest::CountAddedColour(now, picture_, 0, 0, firstBox, kGreen), 10);
  EXPECT_EQ(kxtest::CountAddedColour(now, picture_, 0, 0, firstBox, kRed), 0);

  CPoint second(450, 320);
  splash.SetTextPosition(second);
  const Pixels moved = shown();
  const RECT ink = kxtest::DifferenceBounds(moved, picture_, 0, 0, {0, 0, 757, 375});
  EXPECT_GE(ink.left, 450);
  EXPECT_LE(ink.left, 453);
  EXPECT_GE(ink.top, 320);
  EXPECT_EQ(kxtest::CountDifferences(moved, picture_, 0, 0, secondBox), 0)
      << "text drawn outside its new place";

  splash.SetTextFont(L"Arial", 100, 5);  // underlined: seen only after a repaint
  EXPECT_EQ(kxtest::CountDifferences(shown(), moved, 0, 0), 0) << "SetTextFont repainted";
  splash.SetTimerPeriod(FALSE, -1);
  const RECT underlined = kxtest::DifferenceBounds(shown(), moved, 0, 0, secondBox);
  EXPECT_GT(underlined.right - underlined.left, 40) << "SetTimerPeriod did not repaint";

  splash.CloseSplash();
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
}

struct Rendering {
  int ink = 0;              // pixels that differ from the picture
  bool underlined = false;  // a row of ink across most of the text
  int slant = 0;            // how far the top of the strokes leans right of their foot
};

Rendering RenderWithStyle(const Pixels& picture, UINT style) {
  Rendering r;
  MWSplashWnd splash;
  splash.SetText(L"IIIIII");
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 200, style);
  splash.ShowSplash(nullptr, 0, FALSE);
  HWND hwnd = kxtest::FindOwnWindow(kTitle);
  if (!hwnd) return r;
  const Pixels shown = kxtest::CaptureWindowClient(hwnd);
  splash.CloseSplash();

  const RECT area = {100, 222, 330, 270};
  const RECT box = kxtest::DifferenceBounds(shown, picture, 0, 0, area);
  const int width = box.right - box.left;
  std::vector<int> strokeRows;
  for (int y = box.top; y < box.bottom; ++y) {
    int run = 0, longest = 0;
    for (int x = box.left; x < box.right; ++x) {
      const bool ink = shown.At(x, y) != picture.At(x, y);
      r.ink += ink;
      run = ink ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    if (longest * 10 >= width * 8)
      r.underlined = true;
    else if (longest > 0)
      strokeRows.push_back(y);
  }
  // The first stroke's left edge at its top and at its foot.
  auto leftEdge = [&](int y) -> int {
    for (int x = box.left; x < box.right; ++x)
      if (shown.At(x, y) != picture.At(x, y)) return x;
    return box.right;
  };
  if (!strokeRows.empty()) r.slant = leftEdge(strokeRows.front()) - leftEdge(strokeRows.back());
  return r;
}

TEST_F(SplashPaintTest, FontStyleBitsGiveBoldItalicAndUnderline) {
  GdiplusScope gdiplus;
  const Rendering normal = RenderWithStyle(picture_, 0);
  const Rendering bold = RenderWithStyle(picture_, 1);
  const Rendering italic = RenderWithStyle(picture_, 2);
  const Rendering underlined = RenderWithStyle(picture_, 4);
  const Rendering all = RenderWithStyle(picture_, 7);
  std::printf("ink: normal %d, bold %d, bold italic underlined %d; slant %d / %d\n", normal.ink,
              bold.ink, all.ink, normal.slant, all.slant);

  ASSERT_GT(normal.ink, 50) << "no text drawn";
  EXPECT_FALSE(normal.underlined);
  EXPECT_LE(std::abs(normal.slant), 1) << "style 0 is not upright";
  EXPECT_GT(bold.ink * 4, normal.ink * 5) << "style 1 is not bold";
  EXPECT_FALSE(bold.underlined);
  EXPECT_GE(italic.slant, 3) << "style 2 is not italic";
  EXPECT_FALSE(italic.underlined);
  EXPECT_TRUE(underlined.underlined) << "style 4 is not underlined";
  EXPECT_LE(std::abs(underlined.slant), 1);
  EXPECT_LT(underlined.ink * 4, bold.ink * 5) << "style 4 is bold";
  EXPECT_TRUE(all.underlined) << "style 7 is not underlined";
  EXPECT_GE(all.slant, 3) << "style 7 is not italic";
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
}

}  // namespace
