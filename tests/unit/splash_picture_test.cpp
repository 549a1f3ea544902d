// The splash picture as a resource, and a splash whose picture is missing or
// unreadable: each failure case runs in a copy of this program whose
// resource was removed or replaced.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "child_process.h"
#include "files.h"
#include "framework/gdiplus_image.h"
#include "framework/resource_chain.h"
#include "framework/scoped_handle.h"
#include "resources/resource.h"
#include "screen_window.h"
#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

namespace {

using Clock = std::chrono::steady_clock;

const bool kNoWindowManager = kxtest::WithoutWindowManager();

constexpr wchar_t kTitle[] = L"Kalvex Virtual Machine";
constexpr WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string PictureIn(HMODULE module) {
  HRSRC info = ::FindResourceExW(module, L"PNG", MAKEINTRESOURCEW(IDB_KX_SPLASH), kEnglishUs);
  const void* bytes = info ? ::LockResource(::LoadResource(module, info)) : nullptr;
  return bytes ? std::string(static_cast<const char*>(bytes), ::SizeofResource(module, info)) : "";
}

std::uint32_t BigEndian32(const std::string& bytes, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

void ExpectSplashPng(const std::string& png) {
  ASSERT_GT(png.size(), 33u) << "no PNG 132 in English (United States)";
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(BigEndian32(png, 16), 757u);
  EXPECT_EQ(BigEndian32(png, 20), 375u);
  EXPECT_EQ(png[24], 8) << "bits per channel";
  EXPECT_EQ(png[25], 6) << "colour type: RGB with alpha";
  EXPECT_EQ(png[28], 0) << "interlaced";
}

TEST(SplashPictureTest, IsA757By375RgbaPngInTheProgramAndTheLibrary) {
  ExpectSplashPng(PictureIn(::GetModuleHandleW(nullptr)));

  const std::wstring dll = kxtest::ProgramFolder() + L"KXVirtualMachMgr.dll";
  HMODULE library = ::LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(library, nullptr) << kxtest::Narrow(dll);
  ExpectSplashPng(PictureIn(library));
  ::FreeLibrary(library);
}

// Exit codes of the scenario below, one bit per broken promise.
enum SplashFailure : DWORD {
  kNoWindow = 1,
  kNotZeroSizeAtCentre = 2,
  kDidNotWait = 4,
  kWindowLeft = 8,
  kPictureHeld = 16,
  kSomethingShown = 32,
};

// Any visible window of this process other than the splash: a message box,
// for instance.
bool OtherWindowShown(HWND splash) {
  struct Search {
    DWORD pid;
    HWND splash;
    bool found;
  } search{::GetCurrentProcessId(), splash, false};
  ::EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == s->pid && hwnd != s->splash && ::IsWindowVisible(hwnd)) s->found = true;
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The launch's splash, in a program whose picture is missing or unreadable.
KX_CHILD_SCENARIO(launch_splash) {
  if (!kNoWindowManager) return 99;
  DWORD failures = 0;
  HWND seen = nullptr;
  RECT rect{};
  bool otherWindow = false;
  MWSplashWnd splash;
  splash.SetText(kx::LoadResString(IDS_KX_LOADING).c_str());
  splash.SetTextColor(0x00753B12);
  CPoint position(100, 225);
  splash.SetTextPosition(position);
  splash.SetTextFont(L"Arial", 100, 1);
  splash.SetTimerPeriod(TRUE, 10);
  {
    GdiplusScope gdiplus;
    std::thread watcher([&] {
      seen = kxtest::WaitForOwnVisibleWindow(kTitle, 1000);
      if (seen) rect = kxtest::WindowRect(seen);
      for (int i = 0; i < 20 && !otherWindow; ++i, ::Sleep(20))
        otherWindow = OtherWindowShown(seen);
    });
    const auto start = Clock::now();
    splash.ShowSplash(nullptr, 600, TRUE);
    if (Clock::now() - start < std::chrono::milliseconds(600)) failures |= kDidNotWait;
    watcher.join();
    if (kx::GdiplusImage::LiveCount() != 0) failures |= kPictureHeld;
  }
  const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2 + 62;
  const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2 - 10;
  if (!seen) failures |= kNoWindow;
  if (rect.left != x || rect.top != y || rect.right != x || rect.bottom != y) {
    failures |= kNotZeroSizeAtCentre;
    std::fprintf(stderr, "splash at (%ld, %ld)-(%ld, %ld), expected a point at (%d, %d)\n",
                 rect.left, rect.top, rect.right, rect.bottom, x, y);
  }
  if (kxtest::FindOwnWindow(kTitle)) failures |= kWindowLeft;
  if (otherWindow) failures |= kSomethingShown;
  return static_cast<int>(failures);
}

// A copy of this program holding its string table (the title and the
// loading text) and replacement as PNG 132, or no picture when replacement
// is null. The copy's resources are written afresh: Wine's UpdateResourceW
// cannot delete a resource that the file already holds.
std::wstring CopyWithPicture(const kxtest::TempFolder& folder, const std::string* replacement) {
  const std::wstring copy = folder.Path() + L"splash_copy.exe";
  if (!::CopyFileW(kxtest::SelfPath().c_str(), copy.c_str(), FALSE)) return {};
  struct Update {
    HANDLE handle;
    bool written;
  } update{::BeginUpdateResourceW(copy.c_str(), TRUE), true};
  if (!update.handle) return {};
  ::EnumResourceNamesW(
      nullptr, RT_STRING,
      [](HMODULE self, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
        auto* u = reinterpret_cast<Update*>(param);
        HRSRC info = ::FindResourceExW(self, RT_STRING, name, kEnglishUs);
        void* bytes = info ? ::LockResource(::LoadResource(self, info)) : nullptr;
        u->written &= bytes && ::UpdateResourceW(u->handle, RT_STRING, name, kEnglishUs, bytes,
                                                 ::SizeofResource(self, info));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&update));
  if (replacement)
    update.written &= ::UpdateResourceW(update.handle, L"PNG", MAKEINTRESOURCEW(IDB_KX_SPLASH),
                                        kEnglishUs, const_cast<char*>(replacement->data()),
                                        static_cast<DWORD>(replacement->size())) != FALSE;
  return ::EndUpdateResourceW(update.handle, !update.written) && update.written ? copy
                                                                                : std::wstring();
}

// Runs the program's scenario; its exit code, or STILL_ACTIVE when it hangs.
DWORD RunScenario(const std::wstring& program, const std::wstring& scenario) {
  std::wstring commandLine = L"\"" + program + L"\" --kx-child=" + scenario;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
    return 0xFFFFFFFF;
  kx::ScopedHandle process(info.hProcess);
  kx::ScopedHandle thread(info.hThread);
  if (::WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), STILL_ACTIVE);
    ::WaitForSingleObject(process.Get(), INFINITE);
    return STILL_ACTIVE;
  }
  DWORD code = 0xFFFFFFFF;
  ::GetExitCodeProcess(process.Get(), &code);
  return code;
}

constexpr char kLegend[] =
    "exit code bits: 1 no window, 2 not 0 x 0 at the screen centre + (62, -10), 4 did not "
    "wait, 8 window left, 16 picture held, 32 another window (a message) shown; 259 hung";

TEST(SplashPictureTest, MissingPictureGivesAZeroSizeWindowThatStillWaits) {
  kxtest::TempFolder folder(L"splash-missing");
  const std::wstring program = CopyWithPicture(folder, nullptr);
  ASSERT_FALSE(program.empty()) << "cannot remove the picture from a copy";
  HMODULE copy = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(::FindResourceW(copy, MAKEINTRESOURCEW(IDB_KX_SPLASH), L"PNG"), nullptr)
      << "the copy still holds the picture";
  ::FreeLibrary(copy);
  EXPECT_EQ(RunScenario(program, L"launch_splash"), 0u) << kLegend;
}

TEST(SplashPictureTest, UndecodablePictureGivesAZeroSizeWindowThatStillWaits) {
  kxtest::TempFolder folder(L"splash-garbage");
  const std::string garbage = "\x89PNG\r\n\x1a\n but the rest is not a picture";
  const std::wstring program = CopyWithPicture(folder, &garbage);
  ASSERT_FALSE(program.empty()) << "cannot replace the picture in a copy";
  EXPECT_EQ(RunScenario(program, L"launch_splash"), 0u) << kLegend;
}

}  // namespace
