#include "splash/MWSplashWnd.h"

#include <cstring>
#include <optional>

#include "framework/com_ptr.h"
#include "framework/gdiplus_graphics.h"
#include "framework/main_window.h"
#include "framework/paint_dc.h"
#include "framework/resource_chain.h"
#include "framework/scoped_gdi_object.h"
#include "framework/scoped_hglobal.h"
#include "framework/scoped_select_object.h"
#include "framework/window_class.h"
#include "resources/resource.h"

namespace kx {

namespace {

constexpr UINT_PTR kDotTimer = 1;
constexpr int kMaxDots = 10;
constexpr int kTicksBeforeClose = 4;
constexpr int kOffsetRight = 62;
constexpr int kOffsetUp = 10;

// Invalidate with erasing and paint at once.
constexpr UINT kRepaintFlags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
static_assert(kRepaintFlags == 0x0105);
constexpr UINT kPlaceFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
static_assert(kPlaceFlags == 0x0214);

}  // namespace

// clang-format off
KX_BEGIN_MESSAGE_MAP(MWSplashWnd, CWnd)
  KX_ON_WM_CREATE()
  KX_ON_WM_PAINT()
  KX_ON_WM_TIMER()
KX_END_MESSAGE_MAP()
// clang-format on

MWSplashWnd::MWSplashWnd() : m_nImageResourceId(IDB_KX_SPLASH) {}

MWSplashWnd::~MWSplashWnd() {
  m_pImage.reset();
  m_font.DeleteObject();
}

void MWSplashWnd::SetSplashEnabled(BOOL enabled) { m_bEnabled = enabled; }

void MWSplashWnd::SetResponsive(BOOL responsive) { m_bResponsive = responsive; }

void MWSplashWnd::SetText(LPCWSTR text) {
  m_strText = text ? text : L"";
  Repaint();
}

void MWSplashWnd::SetTextColor(COLORREF colour) {
  m_crText = colour;
  Repaint();
}

void MWSplashWnd::SetTextPosition(CPoint& position) {
  m_ptText = position;
  Repaint();
}

void MWSplashWnd::SetTextFont(LPCWSTR faceName, int pointSize, UINT style) {
  m_font.DeleteObject();
  if (!m_font.CreatePointFont(pointSize, faceName)) return;
  LOGFONTW logFont{};
  m_font.GetLogFont(&logFont);
  logFont.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = (style & 2) ? TRUE : FALSE;
  logFont.lfUnderline = (style & 4) ? TRUE : FALSE;
  m_font.DeleteObject();
  m_font.CreateFontIndirect(&logFont);
}

void MWSplashWnd::SetTimerPeriod(BOOL enable, int periodMs) {
  m_nTimerPeriod = enable ? periodMs : -1;
  Repaint();
}

void MWSplashWnd::ShowSplash(CWnd* parent, int delayMs, BOOL closeAfterDelay) {
  if (!m_bEnabled || m_bCreated) return;
  m_nImageResourceId = IDB_KX_SPLASH;
  if (!CreateSplashWindow(parent)) return;
  m_bCreated = TRUE;
  PlaceAndShow();
  UpdateWindow();
  if (m_nTimerPeriod > 0) SetTimer(kDotTimer, static_cast<UINT>(m_nTimerPeriod), nullptr);
  if (closeAfterDelay) {
    // A plain sleep: the window was painted above and gets no messages now.
    if (delayMs > 0) ::Sleep(static_cast<DWORD>(delayMs));
    CloseSplash();
  }
}

void MWSplashWnd::CloseSplash() {
  HideAndDestroy();
  m_nTickCount = 0;
}

BOOL MWSplashWnd::CreateSplashWindow(CWnd* parent) {
  const std::wstring title = kx::LoadResString(IDS_KX_APP_TITLE);
  const std::wstring windowClass =
      kx::RegisterWindowClass(0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr, nullptr);
  if (windowClass.empty()) return FALSE;
  // Not visible yet, and no size until the picture is loaded.
  return CreateEx(m_bResponsive ? 0 : WS_EX_TOPMOST, windowClass.c_str(), title.c_str(), WS_POPUP,
                  m_nX, m_nY, m_nWidth, m_nHeight, parent ? parent->GetSafeHwnd() : nullptr,
                  nullptr, nullptr);
}

int MWSplashWnd::OnCreate(LPCREATESTRUCTW /*createStruct*/) {
  if (Default() == -1) return -1;
  CenterWindow();
  return 0;
}

void MWSplashWnd::PlaceAndShow() {
  if (!::IsWindow(m_hWnd)) return;
  LoadImageResource(m_nImageResourceId, L"PNG", nullptr);
  if (m_pImage) {
    m_nWidth = static_cast<int>(m_pImage->GetWidth());
    m_nHeight = static_cast<int>(m_pImage->GetHeight());
  }
  // Integer division truncates toward zero, also for a screen smaller than
  // the picture.
  m_nX = (::GetSystemMetrics(SM_CXSCREEN) - m_nWidth) / 2 + kOffsetRight;
  m_nY = (::GetSystemMetrics(SM_CYSCREEN) - m_nHeight) / 2 - kOffsetUp;
  SetWindowPos(nullptr, m_nX, m_nY, m_nWidth, m_nHeight, kPlaceFlags);
  ShowWindow(SW_SHOW);
}

BOOL MWSplashWnd::LoadImageResource(UINT resourceId, LPCWSTR type, HMODULE module) {
  if (!module) module = kx::FindResourceModule(MAKEINTRESOURCEW(resourceId), L"PNG");
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), type);
  if (!info) return FALSE;
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return FALSE;

  // GDI+ reads the picture through a stream, which needs movable-or-fixed
  // global memory rather than the mapped resource.
  kx::ScopedHGlobal block(::GlobalAlloc(GMEM_FIXED, size));
  if (!block.IsValid()) return FALSE;
  {
    kx::ScopedGlobalLock copy(block.Get());
    if (!copy.Get()) return FALSE;
    std::memcpy(copy.Get(), bytes, size);
  }
  kx::ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(block.Get(), FALSE, stream.Receive()))) return FALSE;
  // The image keeps its own reference to the stream and the block under it.
  m_pImage = std::make_unique<kx::GdiplusImage>(stream.Get(), std::move(block));
  // Resources loaded from a module need no release.
  return TRUE;
}

void MWSplashWnd::OnPaint() {
  CPaintDC dc(this);
  DrawSplashImage(dc);
  DrawSplashText(dc);
}

void MWSplashWnd::DrawSplashImage(HDC dc) {
  CRect client;
  GetClientRect(&client);
  // Drawn once, blended onto what the DC holds (nothing is erased first), into
  // a bitmap that every later repaint (the moving dots) copies.
  if (!m_picture.IsValid()) {
    if (!m_pImage || !m_pImage->Get()) return;
    kx::ScopedMemoryDC memory(dc);
    m_picture.Reset(::CreateCompatibleBitmap(dc, client.Width(), client.Height()));
    if (!memory.Get() || !m_picture.IsValid()) return;
    kx::ScopedSelectObject selected(memory.Get(), m_picture.Get());
    ::BitBlt(memory.Get(), 0, 0, client.Width(), client.Height(), dc, client.left, client.top,
             SRCCOPY);
    kx::GdiplusGraphics graphics(memory.Get());
    if (graphics.Get())
      Gdiplus::DllExports::GdipDrawImageRectI(graphics.Get(), m_pImage->Get(), 0, 0,
                                              client.Width(), client.Height());
  }
  kx::ScopedMemoryDC memory(dc);
  if (!memory.Get()) return;
  kx::ScopedSelectObject selected(memory.Get(), m_picture.Get());
  ::BitBlt(dc, client.left, client.top, client.Width(), client.Height(), memory.Get(), 0, 0,
           SRCCOPY);
}

void MWSplashWnd::DrawSplashText(HDC dc) {
  const std::wstring line = m_strText + std::wstring(static_cast<size_t>(m_nDotCount), L'.');
  if (line.empty()) return;
  std::optional<kx::ScopedSelectObject> font;
  if (m_font.GetSafeHandle()) font.emplace(dc, m_font.GetSafeHandle());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, m_crText);
  ::TextOutW(dc, m_ptText.x, m_ptText.y, line.c_str(), static_cast<int>(line.size()));
}

void MWSplashWnd::OnTimer(UINT_PTR timerId) {
  if (timerId == kDotTimer) {
    if (++m_nDotCount > kMaxDots) m_nDotCount = 0;
    Repaint();
  }
  if (m_bResponsive) return;  // closed by the launch, when the simulator is ready
  if (m_nTickCount < kTicksBeforeClose)
    ++m_nTickCount;
  else
    HideAndDestroy();
}

void MWSplashWnd::Repaint() {
  if (::IsWindow(m_hWnd)) RedrawWindow(nullptr, nullptr, kRepaintFlags);
}

void MWSplashWnd::HideAndDestroy() {
  if (m_hWnd) ShowWindow(SW_HIDE);
  m_pImage.reset();
  m_picture.Reset();
  if (m_hWnd) DestroyWindow();
  // Let what lay under the splash repaint now, not at the next message loop.
  if (HWND mainWindow = kx::ThreadMainWindow()) ::UpdateWindow(mainWindow);
}

}  // namespace kx
