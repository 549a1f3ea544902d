// The splash on a real X display: place, picture, text, timer, font, delay.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "framework/gdiplus_image.h"
#include "framework/resource_chain.h"
#include "resources/resource.h"
#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

using namespace kx;

namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kTitle[] = L"Kalvex Virtual Machine";
constexpr COLORREF kTextColour = 0x00753B12;  // splash.png has none of it where text goes

// Pixels of splash.png; (756, 374), its last column and row, catches one drawn short.
constexpr std::tuple<int, int, COLORREF> kPicture[] = {
    {0, 0, RGB(10, 38, 80)},        {756, 374, RGB(10, 38, 80)}, {378, 187, RGB(243, 246, 250)},
    {600, 300, RGB(146, 161, 181)}, {700, 50, RGB(25, 71, 130)}, {50, 300, RGB(233, 238, 245)}};

template <class At>
void ExpectPicture(const At& at) {
  for (const auto& [x, y, colour] : kPicture)
    EXPECT_EQ(at(x, y), colour) << "pixel (" << x << ", " << y << ")";
}

// The text colour's pixels in area, as '#', and their bounding box relative to area.
struct Ink {
  std::vector<std::string> rows;
  RECT box = {LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
};

template <class At>
Ink FindInk(const At& at, const RECT& area) {
  Ink ink;
  for (LONG y = 0; y < area.bottom - area.top; ++y) {
    std::string& row = ink.rows.emplace_back();
    for (LONG x = 0; x < area.right - area.left; ++x) {
      row += at(area.left + x, area.top + y) == kTextColour ? '#' : '.';
      if (row.back() == '.') continue;
      ink.box = {std::min(ink.box.left, x), std::min(ink.box.top, y),
                 std::max(ink.box.right, x + 1), std::max(ink.box.bottom, y + 1)};
    }
  }
  return ink;
}

// The client area as painted, read through one DC while this lives.
struct ClientPixels {
  HWND hwnd;
  HDC dc = ::GetDC(hwnd);
  ~ClientPixels() { ::ReleaseDC(hwnd, dc); }
  COLORREF operator()(int x, int y) const { return ::GetPixel(dc, x, y); }
};

template <class F>
long long MillisecondsOf(F&& call) {
  const auto start = Clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Dispatches this thread's messages for up to ms, or till hwnd is gone; counts its timer events.
int PumpCountingTimerEvents(HWND hwnd, int ms) {
  int events = 0;
  for (auto end = Clock::now() + std::chrono::milliseconds(ms);
       Clock::now() < end && ::IsWindow(hwnd);
       ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT))
    for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ::DispatchMessageW(&msg))
      events += msg.message == WM_TIMER && msg.hwnd == hwnd;
  return events;
}

// The launch sequence's settings by default; the font tests draw larger.
void Configure(MWSplashWnd& splash, const std::wstring& text = kx::LoadResString(IDS_KX_LOADING),
               int pointSize = 100, UINT style = 1, int period = 10) {
  splash.SetText(text.c_str());
  splash.SetTextColor(kTextColour);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", pointSize, style);
  splash.SetTimerPeriod(TRUE, period);
}

TEST(SplashWindowTest, ShowsPictureAndTextOnceForTheDelayUnlessDisabled) {
  ASSERT_EQ(std::pair(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)),
            std::pair(1920, 1080));
  HWND hwnd = nullptr;
  RECT rect{}, client{};
  LONG exStyle = 0;
  Ink text;
  MWSplashWnd splash;
  Configure(splash);
  {
    GdiplusScope gdiplus;
    std::thread watcher([&] {
      for (int i = 0; i < 400 && !(hwnd && ::IsWindowVisible(hwnd)); ++i, ::Sleep(5))
        hwnd = ::FindWindowW(nullptr, kTitle);
      if (!hwnd || !::IsWindowVisible(hwnd)) return;
      ::GetWindowRect(hwnd, &rect);
      ::GetClientRect(hwnd, &client);
      exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
      std::this_thread::sleep_for(std::chrono::milliseconds(700));  // painted by then
      const ClientPixels pixels{hwnd};
      ExpectPicture(pixels);
      text = FindInk(pixels, {95, 220, 430, 255});
    });
    const long long elapsed = MillisecondsOf([&] { splash.ShowSplash(nullptr, 2500, TRUE); });
    watcher.join();
    EXPECT_TRUE(elapsed >= 2500 && elapsed < 2900) << "kept the caller " << elapsed << " ms";
    MWSplashWnd disabled;
    disabled.SetSplashEnabled(FALSE);
    for (MWSplashWnd* again : {&splash, &disabled})
      EXPECT_LT(MillisecondsOf([&] { again->ShowSplash(nullptr, 2000, TRUE); }), 100)
          << (again == &splash ? "shown twice" : "shown while disabled");
    EXPECT_EQ(kx::GdiplusImage::LiveCount(), 0) << "picture still held when GDI+ shuts down";
  }
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_EQ((std::array{rect.left, rect.top, rect.right, rect.bottom}),
            (std::array<LONG, 4>{643, 342, 1400, 717}));
  EXPECT_EQ(client.right * 1000 + client.bottom, 757375) << "a border or caption takes room";
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  // Relative to the area read, 5 pixels left of and above the text's (100, 225).
  EXPECT_TRUE(text.box.left >= 5 && text.box.left <= 8) << "text starts at " << text.box.left;
  EXPECT_TRUE(text.box.top >= 5 && text.box.top <= 11) << "text hangs from " << text.box.top;
  EXPECT_GT(text.box.right, 205) << "text shorter than \"Kalvex Virtual Machine Loading...\"";
}

// Dots seen after each paint of the splash, from a hook; none at first.
HWND g_splash = nullptr;
std::vector<int> g_dots{0};

// Dots are round: a row through their middle crosses each of them.
int CountDots(const Ink& ink) {
  if (ink.box.top > ink.box.bottom) return 0;  // no ink
  const std::string row = "." + ink.rows[(ink.box.top + ink.box.bottom) / 2];
  int dots = 0;
  for (size_t x = 1; x < row.size(); ++x) dots += row[x] == '#' && row[x - 1] == '.';
  return dots;
}

LRESULT CALLBACK AfterEachSentMessage(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->hwnd == g_splash && sent->message == WM_PAINT)
    g_dots.push_back(CountDots(FindInk(ClientPixels{sent->hwnd}, {100, 225, 400, 290})));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Ink across the strokes' middle, their lean, and a row of ink under them. A period of
// zero or less starts no timer: the splash stays up without an event.
std::tuple<int, int, bool> RenderWithStyle(UINT style) {
  MWSplashWnd splash;
  const int period = -static_cast<int>(style & 1);
  Configure(splash, L"IIIIII", 300, style, period);
  splash.ShowSplash(nullptr, 0, FALSE);
  const HWND hwnd = ::FindWindowW(nullptr, kTitle);
  EXPECT_EQ(PumpCountingTimerEvents(hwnd, 80), 0) << "period " << period;
  EXPECT_TRUE(::IsWindow(hwnd)) << "period " << period;
  const Ink ink = FindInk(ClientPixels{hwnd}, {100, 222, 400, 290});
  splash.CloseSplash();
  bool underlined = false;
  std::vector<std::string> strokes;
  for (const std::string& row : ink.rows) {
    const auto inked = std::count(row.begin(), row.end(), '#');
    if (inked * 10 >= (ink.box.right - ink.box.left) * 8)
      underlined = true;
    else if (inked > 0)
      strokes.push_back(row);
  }
  if (strokes.empty()) return {0, 0, underlined};
  const std::string& middle = strokes[strokes.size() / 2];
  return {static_cast<int>(std::count(middle.begin(), middle.end(), '#')),
          static_cast<int>(strokes.front().find('#')) - static_cast<int>(strokes.back().find('#')),
          underlined};
}

TEST(SplashWindowTest, PaintsEachStyleAtOnceThenOneDotMoreEachTimerEventAndClosesOnTheFifth) {
  GdiplusScope gdiplus;
  MWSplashWnd splash;
  Configure(splash, L"", 300);  // large dots, easy to count
  EXPECT_LT(MillisecondsOf([&] { splash.ShowSplash(nullptr, 5000, FALSE); }), 1000);
  ASSERT_NE(g_splash = ::FindWindowW(nullptr, kTitle), nullptr);
  // No message has been dispatched yet: the paint was synchronous.
  ExpectPicture(ClientPixels{g_splash});
  HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterEachSentMessage, nullptr,
                                   ::GetCurrentThreadId());
  const int timerEvents = PumpCountingTimerEvents(g_splash, 5000);
  ::UnhookWindowsHookEx(hook);

  EXPECT_FALSE(::IsWindow(g_splash)) << "the splash did not close itself";
  EXPECT_EQ(timerEvents, 5);
  g_dots.erase(std::unique(g_dots.begin(), g_dots.end()), g_dots.end());  // other paints
  EXPECT_EQ(g_dots, (std::vector<int>{0, 1, 2, 3, 4, 5}));

  // Each style bit alone: bold, italic, underline.
  const auto [width, slant, underlined] = RenderWithStyle(0);
  EXPECT_FALSE(underlined);
  EXPECT_LE(std::abs(slant), 1) << "style 0 is not upright";
  for (const UINT bit : {1u, 2u, 4u}) {
    const auto [bitWidth, bitSlant, bitUnderlined] = RenderWithStyle(bit);
    EXPECT_EQ(bitWidth * 4 > width * 5, bit == 1) << "bold, style " << bit;
    EXPECT_EQ(bitSlant >= 3, bit == 2) << "italic, style " << bit;
    EXPECT_EQ(bitUnderlined, bit == 4) << "underlined, style " << bit;
  }
}

}  // namespace
