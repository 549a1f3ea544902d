// The splash window on a real X display: where it stands, what it shows and
// how long ShowSplash keeps the caller.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "framework/gdiplus_image.h"
#include "framework/resource_chain.h"
#include "framework/window.h"
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
// Where the loading text may draw, in picture coordinates: from (100, 225)
// wide enough for the text and ten dots.
constexpr RECT kTextBox = {100, 222, 420, 250};

// The values the launch sequence gives the splash.
void ConfigureAsLaunch(MWSplashWnd& splash) {
  splash.SetSplashEnabled(TRUE);
  splash.SetText(kx::LoadResString(IDS_KX_LOADING).c_str());
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 100, 1);
  splash.SetTimerPeriod(TRUE, 10);
}

template <class F>
long long MillisecondsOf(F&& call) {
  const auto start = Clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SplashWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture_ = kxtest::DecodeResourcePicture(nullptr, L"PNG", IDB_KX_SPLASH);
    ASSERT_EQ(picture_.width, 757);
    ASSERT_EQ(picture_.height, 375);
  }

  Pixels picture_;
};

TEST_F(SplashWindowTest, ShowsPictureAndLoadingTextForTheDelayThenLeavesNoWindow) {
  ASSERT_TRUE(kNoWindowManager);
  ASSERT_EQ(::GetSystemMetrics(SM_CXSCREEN), 1920);
  ASSERT_EQ(::GetSystemMetrics(SM_CYSCREEN), 1080);

  struct Seen {
    HWND hwnd = nullptr;
    RECT rect{}, client{};
    LONG style = 0, exStyle = 0;
    Pixels shot;
    std::string error;
  } seen;
  MWSplashWnd splash;
  ConfigureAsLaunch(splash);
  long long elapsed = 0;
  {
    GdiplusScope gdiplus;
    const auto start = Clock::now();
    std::thread watcher([&] {
      seen.hwnd = kxtest::WaitForOwnVisibleWindow(kTitle, 2000);
      if (!seen.hwnd) return;
      seen.rect = kxtest::WindowRect(seen.hwnd);
      ::GetClientRect(seen.hwnd, &seen.client);
      seen.style = ::GetWindowLongW(seen.hwnd, GWL_STYLE);
      seen.exStyle = ::GetWindowLongW(seen.hwnd, GWL_EXSTYLE);
      std::this_thread::sleep_until(start + std::chrono::milliseconds(1000));
      seen.shot = kxtest::CaptureXDisplay(&seen.error);
    });
    splash.ShowSplash(nullptr, 2500, TRUE);
    elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    watcher.join();
    EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0) << "picture still held when GDI+ shuts down";
  }
  std::printf("ShowSplash(nullptr, 2500, TRUE) returned after %lld ms\n", elapsed);
  EXPECT_GE(elapsed, 2500);
  EXPECT_LT(elapsed, 2900);

  ASSERT_NE(seen.hwnd, nullptr) << "no visible splash window";
  EXPECT_EQ(seen.rect.left, 643);
  EXPECT_EQ(seen.rect.top, 342);
  EXPECT_EQ(seen.rect.right, 1400);
  EXPECT_EQ(seen.rect.bottom, 717);
  EXPECT_EQ(seen.client.right, 757) << "a border or caption takes room";
  EXPECT_EQ(seen.client.bottom, 375);
  EXPECT_TRUE(seen.exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(seen.style & WS_POPUP);
  EXPECT_EQ(seen.style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME), 0);
  EXPECT_FALSE(::IsWindow(seen.hwnd));
  EXPECT_EQ(kxtest::FindOwnWindow(kTitle), nullptr);

  ASSERT_FALSE(seen.shot.Empty()) << seen.error;
  EXPECT_EQ(kxtest::CountDifferences(seen.shot, picture_, 643, 342, kTextBox), 0)
      << "the screen does not show the picture at (643, 342)";
  EXPECT_NE(seen.shot.At(642, 500), picture_.At(0, 158));  // nothing of it left of the window
  EXPECT_GE(kxtest::CountAddedColour(seen.shot, picture_, 643, 342, kTextBox, kTextColour), 30)
      << "no loading text in 0x00753B12";
  const RECT ink = kxtest::DifferenceBounds(seen.shot, picture_, 643, 342, kTextBox);
  EXPECT_GE(ink.left, 100);
  EXPECT_LE(ink.left, 103) << "text does not start at x = 100";
  EXPECT_GE(ink.top, 225);
  EXPECT_LE(ink.top, 231) << "text does not hang from y = 225";
  EXPECT_LE(ink.bottom, 241) << "text taller than a 10 point line";
  EXPECT_GT(ink.right, 300) << "text shorter than \"Kalvex Virtual Machine Loading...\"";

  const Pixels after = kxtest::CaptureXDisplay();
  ASSERT_FALSE(after.Empty());
  EXPECT_GT(kxtest::CountDifferences(after, picture_, 643, 342), 757 * 375 * 9 / 10)
      << "the picture is still on screen";
}

TEST_F(SplashWindowTest, ReturnsAtOnceWhenShownBeforeOrDisabled) {
  GdiplusScope gdiplus;
  {
    MWSplashWnd splash;
    ConfigureAsLaunch(splash);
    const long long first = MillisecondsOf([&] { splash.ShowSplash(nullptr, 300, TRUE); });
    const long long second = MillisecondsOf([&] { splash.ShowSplash(nullptr, 2000, TRUE); });
    std::printf("ShowSplash(300, TRUE): %lld ms, again: %lld ms\n", first, second);
    EXPECT_GE(first, 300);
    EXPECT_LT(second, 100) << "a second ShowSplash waited";
    EXPECT_EQ(kxtest::FindOwnWindow(kTitle), nullptr) << "a second ShowSplash made a window";
  }
  {
    MWSplashWnd splash;
    ConfigureAsLaunch(splash);
    splash.SetSplashEnabled(FALSE);
    EXPECT_LT(MillisecondsOf([&] { splash.ShowSplash(nullptr, 2000, TRUE); }), 100);
    EXPECT_EQ(kxtest::FindOwnWindow(kTitle), nullptr);
    // A disabled call does not count as shown.
    splash.SetSplashEnabled(TRUE);
    splash.ShowSplash(nullptr, 0, FALSE);
    EXPECT_NE(kxtest::FindOwnWindow(kTitle), nullptr);
    splash.CloseSplash();
  }
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
}

TEST_F(SplashWindowTest, WithoutCloseReturnsPaintedAndStaysUntilClosed) {
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  ConfigureAsLaunch(splash);
  const long long elapsed = MillisecondsOf([&] { splash.ShowSplash(nullptr, 5000, FALSE); });
  std::printf("ShowSplash(5000, FALSE): %lld ms\n", elapsed);
  EXPECT_LT(elapsed, 1000);

  // No message has been dispatched since: the paint was synchronous.
  HWND hwnd = kxtest::FindOwnWindow(kTitle);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(::IsWindowVisible(hwnd));
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 1);
  const Pixels client = kxtest::CaptureWindowClient(hwnd);
  EXPECT_EQ(kxtest::CountDifferences(client, picture_, 0, 0, kTextBox), 0);
  EXPECT_GE(kxtest::CountAddedColour(client, picture_, 0, 0, kTextBox, kTextColour), 30);
  const Pixels shot = kxtest::CaptureXDisplay();
  EXPECT_EQ(kxtest::CountDifferences(shot, picture_, 643, 342, kTextBox), 0)
      << "painted, but not on the X display";

  splash.CloseSplash();
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
  splash.CloseSplash();  // closed already: nothing to do

  MWSplashWnd instant;
  ConfigureAsLaunch(instant);
  EXPECT_LT(MillisecondsOf([&] { instant.ShowSplash(nullptr, 0, TRUE); }), 500);
  EXPECT_EQ(kxtest::FindOwnWindow(kTitle), nullptr);

  // Destroying a splash that is still up takes its window and picture along.
  {
    MWSplashWnd open;
    ConfigureAsLaunch(open);
    open.ShowSplash(nullptr, 0, FALSE);
    hwnd = kxtest::FindOwnWindow(kTitle);
    ASSERT_NE(hwnd, nullptr);
  }
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0);
}

TEST_F(SplashWindowTest, BelongsToTheHostMainWindowWhenThereIsOne) {
  HWND host = ::CreateWindowExW(0, L"STATIC", L"host main window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  {
    GdiplusScope gdiplus;
    MWSplashWnd splash;
    ConfigureAsLaunch(splash);
    CWnd parent(host);
    splash.ShowSplash(&parent, 0, FALSE);
    HWND hwnd = kxtest::FindOwnWindow(kTitle);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), host);
    const RECT rect = kxtest::WindowRect(hwnd);
    EXPECT_EQ(rect.left, 643) << "placed by the screen, not by the owner";
    EXPECT_EQ(rect.top, 342);
    splash.CloseSplash();
  }
  EXPECT_TRUE(::IsWindow(host)) << "the splash destroyed a window it does not own";
  ::DestroyWindow(host);
}

// Registered a second time in CTest with KX_SCREEN=640x300x24.
TEST(SplashSmallScreenTest, StandsPartlyOffAScreenSmallerThanThePicture) {
  if (::GetSystemMetrics(SM_CXSCREEN) != 640 || ::GetSystemMetrics(SM_CYSCREEN) != 300)
    GTEST_SKIP() << "needs a 640 x 300 screen (KX_SCREEN=640x300x24)";
  const Pixels picture = kxtest::DecodeResourcePicture(nullptr, L"PNG", IDB_KX_SPLASH);
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  ConfigureAsLaunch(splash);
  splash.ShowSplash(nullptr, 0, FALSE);
  HWND hwnd = kxtest::FindOwnWindow(kTitle);
  ASSERT_NE(hwnd, nullptr);
  const RECT rect = kxtest::WindowRect(hwnd);
  EXPECT_EQ(rect.left, 4);
  EXPECT_EQ(rect.top, -47);
  EXPECT_EQ(rect.right, 761);
  EXPECT_EQ(rect.bottom, 328);

  std::string error;
  const Pixels shot = kxtest::CaptureXDisplay(&error);
  ASSERT_FALSE(shot.Empty()) << error;
  EXPECT_EQ(kxtest::CountDifferences(shot, picture, 4, -47, kTextBox), 0)
      << "the visible part does not show the picture from (4, -47)";
  EXPECT_NE(shot.At(3, 100), picture.At(0, 147));
  splash.CloseSplash();
}

}  // namespace
