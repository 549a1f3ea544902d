#include "launcher/modal_start.h"

namespace kx {

ModalStart::ModalStart(MWSplashWnd& splash, HWND owner) : splash_(splash), owner_(owner) {
  gdiplus_.emplace();
  CWnd parent(owner);
  splash_.SetResponsive(TRUE);
  splash_.ShowSplash(owner ? &parent : nullptr, 0, FALSE);
  // As a modal dialog: the owner takes no input until the start ends.
  if (owner_) ownerWasEnabled_ = !::EnableWindow(owner_, FALSE);
}

ModalStart::~ModalStart() { End(); }

void ModalStart::End() {
  if (ended_) return;
  ended_ = true;
  // The owner first, so that it is active again when the splash goes.
  if (owner_ && ownerWasEnabled_) ::EnableWindow(owner_, TRUE);
  splash_.CloseSplash();
  gdiplus_.reset();
  if (quitCode_) ::PostQuitMessage(*quitCode_);
}

ModalStart::Wait ModalStart::For(HANDLE process, DWORD ms) {
  const ULONGLONG until = ::GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quitCode_ = static_cast<int>(msg.wParam);
        return Wait::kQuit;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= until) return Wait::kElapsed;
    const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &process, static_cast<DWORD>(until - now),
                                                      QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) return Wait::kEnded;
    if (woken == WAIT_FAILED) return Wait::kElapsed;
  }
}

}  // namespace kx
