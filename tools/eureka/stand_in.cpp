#include "stand_in.h"

#include <cstdint>
#include <cwchar>
#include <vector>

#include "eureka_h.h"

namespace eureka {
namespace {

// The system clock in milliseconds, which a host on this machine shares: it
// tells how long after its own moment Eureka started or published.
std::wstring ClockMs() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return std::to_wstring(ticks / 10000);
}

constexpr wchar_t kControlClass[] = L"EurekaStandInControl";
constexpr wchar_t kWindowClass[] = L"EurekaStandInWindow";
constexpr UINT kCloseMessage = WM_APP + 1;
constexpr UINT kCrashMessage = WM_APP + 2;

WNDCLASSEXW ClassFor(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = name;
  return windowClass;
}

std::wstring CurrentDirectory() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  std::vector<wchar_t> buffer(size + 1);
  const DWORD length = ::GetCurrentDirectoryW(size + 1, buffer.data());
  return std::wstring(buffer.data(), length <= size ? length : 0);
}

std::wstring ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring Hex(HRESULT value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value));
  return text;
}

// BeginPaint/EndPaint pair.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A GDI object selected into a device context until the scope ends.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectScope() { ::SelectObject(dc_, old_); }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

StandIn::StandIn(HINSTANCE instance, const Options& options, const RecordFile& record)
    : instance_(instance),
      options_(options),
      record_(record),
      language_(LanguageFromCommandLine(::GetCommandLineW())),
      controlClass_(ClassFor(instance, kControlClass, &StandIn::ControlProc)),
      windowClass_(ClassFor(instance, kWindowClass, &StandIn::WindowProc)) {}

StandIn::~StandIn() { Shutdown(); }

int StandIn::Run() {
  record_.Write(L"started_at", ClockMs());
  record_.Write(L"commandline", ::GetCommandLineW());
  record_.Write(L"module", ProgramPath());
  record_.Write(L"cwd", CurrentDirectory());
  record_.Write(L"pid", std::to_wstring(::GetCurrentProcessId()));
  record_.Write(L"lang", language_);
  if (FAILED(apartment_.Result())) {
    record_.Write(L"error", L"CoInitializeEx " + Hex(apartment_.Result()));
    return 1;
  }

  typeLibrary_ = RegisterTypeLibrary(ProgramPath());
  if (SUCCEEDED(typeLibrary_.result))
    record_.Write(L"typelib", typeLibrary_.scope);
  else
    record_.Write(L"typelib-error", Hex(typeLibrary_.result));

  object_ = ApplicationObject::Create(options_, record_, typeLibrary_.dispatchInfo.Get(),
                                      [this] { RequestExit(); });
  if (!CreateWindows()) {
    record_.Write(L"error", L"CreateWindowExW " + std::to_wstring(::GetLastError()));
    return 1;
  }

  if (options_.handOver) HandOver();
  if (options_.publishDelayMs == 0u) {
    Publish();
  } else if (options_.publishDelayMs) {
    ::SetTimer(control_.Get(), kPublishTimer, *options_.publishDelayMs, nullptr);
    SetStatus(L"Starting up\u2026");
  } else {
    SetStatus(L"Not publishing");
  }
  if (options_.exitAfterMs) ::SetTimer(control_.Get(), kExitTimer, *options_.exitAfterMs, nullptr);

  MSG message;
  while (!exiting_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Crashing outside DispatchMessage: exceptions in some dispatched
    // callbacks are swallowed by the system.
    if (message.hwnd == control_.Get() && message.message == kCrashMessage) Crash();
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  Shutdown();
  return static_cast<int>(exitCode_);
}

bool StandIn::CreateWindows() {
  control_.Reset(::CreateWindowExW(0, kControlClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   instance_, this));
  if (!control_.Get()) return false;
  if (!options_.showWindow) return true;
  const std::wstring title = L"Eureka \u2014 " + (language_.empty() ? L"?" : language_);
  window_.Reset(::CreateWindowExW(
      0, kWindowClass, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
      CW_USEDEFAULT, CW_USEDEFAULT, 480, 140, nullptr, nullptr, instance_, this));
  if (!window_.Get()) return false;
  ::ShowWindow(window_.Get(), SW_SHOWNORMAL);
  ::UpdateWindow(window_.Get());
  return true;
}

void StandIn::Publish() {
  const DWORD pid = options_.publishPid.value_or(::GetCurrentProcessId());
  const std::wstring name = L"Eureka_PID_" + std::to_wstring(static_cast<int>(pid));
  const HRESULT hr = registration_.Register(object_.Get(), name);
  if (FAILED(hr)) {
    record_.Write(L"publish-error", Hex(hr));
    SetStatus(L"Could not publish " + name + L" (" + Hex(hr) + L")");
    return;
  }
  record_.Write(L"published", name);
  record_.Write(L"published_at", ClockMs());
  if (options_.busyMs && options_.busyRetryLater) {
    object_->SetBusyUntil(::GetTickCount64() + options_.busyMs);
  } else if (options_.busyMs) {
    busyFilter_ = std::make_unique<BusyFilter>(::GetTickCount64() + options_.busyMs, record_);
    ::CoRegisterMessageFilter(busyFilter_.get(), nullptr);
  }
  SetStatus(L"Published as " + name);
  if (options_.lifetimeMs)
    ::SetTimer(control_.Get(), kLifetimeTimer, *options_.lifetimeMs, nullptr);
  if (options_.crashAfterMs)
    ::SetTimer(control_.Get(), kCrashTimer, *options_.crashAfterMs, nullptr);
}

// A copy of this program publishes under this process's id, and this one
// ends abruptly once it has: a client's next look finds an object and an
// ended process together.
void StandIn::HandOver() {
  const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
  for (const auto& [name, value] : {std::pair{L"PUBLISH_PID", pid.c_str()},
                                    {L"PUBLISH_DELAY_MS", L"0"},
                                    {L"LIFETIME_MS", L"1500"},
                                    {L"HAND_OVER", nullptr},
                                    {L"RECORD", nullptr},
                                    {L"WINDOW", L"0"}})
    ::SetEnvironmentVariableW((std::wstring(L"EUREKA_STANDIN_") + name).c_str(), value);
  std::wstring commandLine = ::GetCommandLineW();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION successor{};
  if (::CreateProcessW(ProgramPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &startup, &successor)) {
    ::CloseHandle(successor.hThread);
    ::CloseHandle(successor.hProcess);
  }
  kx::ComPtr<IRunningObjectTable> table;
  kx::ComPtr<IMoniker> moniker;
  ::GetRunningObjectTable(0, table.Receive());
  ::CreateItemMoniker(nullptr, (L"Eureka_PID_" + pid).c_str(), moniker.Receive());
  for (int i = 0; i < 1000 && table && moniker && table->IsRunning(moniker.Get()) != S_OK; ++i)
    ::Sleep(10);
  record_.Write(L"crash", L"hand-over");
  ::TerminateProcess(::GetCurrentProcess(), 6);
  ::ExitProcess(6);
}

void StandIn::RequestExit() {
  // Runs inside the caller's Invoke: the exit must come after the reply.
  if (options_.closeDelayMs == 0)
    ::PostMessageW(control_.Get(), kCloseMessage, 0, 0);
  else
    ::SetTimer(control_.Get(), kCloseTimer, options_.closeDelayMs, nullptr);
}

void StandIn::Exit(DWORD code) {
  if (exiting_) return;
  exiting_ = true;
  exitCode_ = code;
  record_.Write(L"exit", std::to_wstring(code));
  window_.Reset();
  ::PostQuitMessage(0);
}

void StandIn::Crash() {
  if (options_.crashKind == CrashKind::kTerminate) {
    record_.Write(L"crash", L"terminate " + std::to_wstring(options_.crashCode));
    ::TerminateProcess(::GetCurrentProcess(), options_.crashCode);
  }
  record_.Write(L"crash", L"access-violation");
  // The process is to end with the exception's code, as after a crash report,
  // not wait for a debugger: Wine starts winedbg whatever the error mode says.
  ::SetUnhandledExceptionFilter(
      [](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
  static volatile std::uintptr_t nowhere = 0;
  *reinterpret_cast<volatile int*>(nowhere) = 0;
  ::ExitProcess(options_.crashCode);
}

void StandIn::SetStatus(std::wstring status) {
  status_ = std::move(status);
  if (window_.Get()) ::InvalidateRect(window_.Get(), nullptr, TRUE);
}

void StandIn::Shutdown() noexcept {
  if (busyFilter_) ::CoRegisterMessageFilter(nullptr, nullptr);
  registration_.Revoke();
  if (object_) {
    // Drops the references that clients' proxies hold through the stubs.
    ::CoDisconnectObject(object_.Get(), 0);
    object_.Reset();
  }
  window_.Reset();
  control_.Reset();
}

// Both windows carry the stand-in in their user data, set at creation.
StandIn* StandIn::FromWindow(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<StandIn*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK StandIn::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  StandIn* self = FromWindow(window, message, lParam);
  return self ? self->OnControlMessage(window, message, wParam, lParam)
              : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK StandIn::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  StandIn* self = FromWindow(window, message, lParam);
  return self ? self->OnWindowMessage(window, message, wParam, lParam)
              : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT StandIn::OnControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      ::KillTimer(window, wParam);
      switch (wParam) {
        case kPublishTimer:
          Publish();
          break;
        case kExitTimer:
        case kLifetimeTimer:
          Exit(options_.exitCode);
          break;
        case kCrashTimer:
          ::PostMessageW(window, kCrashMessage, 0, 0);
          break;
        case kCloseTimer:
          Exit(0);
          break;
      }
      return 0;
    case kCloseMessage:
      Exit(0);
      return 0;
    case kCrashMessage:
      Crash();
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT StandIn::OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_DESTROY:
      // Closed by the person watching (our own closing clears window_ first):
      // the application ends, as Eureka would.
      if (window_.Get() == window) {
        window_.Forget();
        Exit(0);
      }
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void StandIn::Paint(HWND window) {
  PaintScope paint(window);
  SelectScope font(paint.Dc(), ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(paint.Dc(), TRANSPARENT);
  RECT area;
  ::GetClientRect(window, &area);
  ::InflateRect(&area, -12, -12);
  const std::wstring text = L"Eureka simulation \u2014 language: " +
                            (language_.empty() ? std::wstring(L"(none)") : language_) +
                            L"\nProcess " + std::to_wstring(::GetCurrentProcessId()) + L": " +
                            status_;
  ::DrawTextW(paint.Dc(), text.c_str(), static_cast<int>(text.size()), &area,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace eureka
