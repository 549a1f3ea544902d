// The running stand-in: its window, its automation object, the scheduled
// publishing, exits and crashes, and the message loop that serves COM calls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "application_object.h"
#include "busy_filter.h"
#include "framework/com_ptr.h"
#include "options.h"
#include "record_file.h"
#include "rot_registration.h"
#include "scoped_com_apartment.h"
#include "scoped_window.h"
#include "type_library.h"

namespace eureka {

class StandIn {
 public:
  StandIn(HINSTANCE instance, const Options& options, const RecordFile& record);
  ~StandIn();
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  // Runs until the stand-in is told or chooses to exit; returns the exit code.
  int Run();

 private:
  enum Timer : UINT_PTR { kPublishTimer = 1, kExitTimer, kLifetimeTimer, kCrashTimer, kCloseTimer };

  static StandIn* FromWindow(HWND window, UINT message, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool CreateWindows();
  void Publish();
  [[noreturn]] void HandOver();
  void RequestExit();
  void Exit(DWORD code);
  [[noreturn]] void Crash();
  void SetStatus(std::wstring status);
  void Paint(HWND window);
  void Shutdown() noexcept;

  HINSTANCE instance_;
  const Options options_;
  const RecordFile record_;
  const std::wstring language_;
  std::wstring status_;
  bool exiting_ = false;
  DWORD exitCode_ = 0;

  // Declared in the order of acquisition; Shutdown() releases the COM side
  // first, the apartment goes last.
  ScopedComApartment apartment_;
  TypeLibraryRegistration typeLibrary_;
  kx::ComPtr<ApplicationObject> object_;
  std::unique_ptr<BusyFilter> busyFilter_;  // registered while the stand-in is busy
  RotRegistration registration_;
  ScopedWindowClass controlClass_;
  ScopedWindowClass windowClass_;
  ScopedWindow control_;  // message-only: timers and requests
  ScopedWindow window_;   // what a person sees; absent with EUREKA_STANDIN_WINDOW=0
};

}  // namespace eureka
