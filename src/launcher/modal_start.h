// A responsive start as a modal dialog runs: the splash shown (not topmost)
// with its dots moving, its owner, the host's main window, disabled, and the
// launching thread's messages (and, in a single-threaded apartment, incoming
// COM calls) dispatched while the launch waits for Eureka. End closes the
// splash and enables the owner again; it runs before any message box and on
// every path out, exceptions included.
#pragma once

#include <windows.h>

#include <optional>

#include "splash/GdiplusScope.h"
#include "splash/MWSplashWnd.h"

namespace kx {

class ModalStart {
 public:
  // Shows splash (set up by the caller) owned by owner, which may be null.
  ModalStart(MWSplashWnd& splash, HWND owner);
  ~ModalStart();
  ModalStart(const ModalStart&) = delete;
  ModalStart& operator=(const ModalStart&) = delete;

  // Closes the splash and enables the owner again, once; a WM_QUIT seen
  // meanwhile is posted again for the host's own loop.
  void End();

  enum class Wait { kEnded, kElapsed, kQuit };
  // Dispatches the thread's messages until process ends or ms have passed;
  // kQuit when a WM_QUIT came (the start is then to be given up).
  Wait For(HANDLE process, DWORD ms);

 private:
  MWSplashWnd& splash_;
  HWND owner_;
  bool ownerWasEnabled_ = false;
  bool ended_ = false;
  std::optional<int> quitCode_;
  std::optional<GdiplusScope> gdiplus_;  // the splash paints its dots meanwhile
};

}  // namespace kx
