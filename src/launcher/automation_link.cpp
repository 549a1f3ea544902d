#include "launcher/automation_link.h"

#include <comdef.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "environment/debug_log.h"
#include "framework/com_ptr.h"
#include "framework/lock.h"
#include "framework/scoped_com_initializer.h"
#include "framework/scoped_handle.h"
#include "framework/scoped_variant.h"
#include "launcher/busy_wait.h"

namespace kx {

namespace {

// Fills and owns the BSTRs of an EXCEPINFO.
struct ExceptionInfo {
  EXCEPINFO info{};
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
  }
};

// An error-information object made from what the application reported.
// pfnDeferredFillIn is never called: from another process it is a number the
// other side chose, not code of ours.
ComPtr<IErrorInfo> ErrorInfoFrom(const EXCEPINFO& info) {
  ComPtr<ICreateErrorInfo> create;
  ComPtr<IErrorInfo> error;
  if (FAILED(::CreateErrorInfo(create.Receive()))) return error;
  create->SetGUID(IID_IEurekaApplicationDisp);
  if (info.bstrSource) create->SetSource(info.bstrSource);
  if (info.bstrDescription) create->SetDescription(info.bstrDescription);
  if (info.bstrHelpFile) create->SetHelpFile(info.bstrHelpFile);
  create->SetHelpContext(info.dwHelpContext);
  create->QueryInterface(IID_IErrorInfo, error.ReceiveVoid());
  return error;
}

[[noreturn]] void Raise(HRESULT hr, IErrorInfo* error = nullptr) {
  throw _com_error(hr, error, true);
}

// The thread parked in the multithreaded apartment while links live there
// (CoIncrementMTAUsage, which needs no thread, needs Windows 8).
struct MtaKeeper {
  Lock lock;
  int users = 0;
  HANDLE stop = nullptr;  // set: the thread leaves; it closes the handle
} g_keeper;

// The body of the library's threads: job in the multithreaded apartment,
// then the library reference taken for the thread goes with it.
DWORD WINAPI JobThread(void* parameter) {
  HMODULE module = nullptr;
  {
    const auto job = std::unique_ptr<std::pair<HMODULE, std::function<void()>>>(
        static_cast<std::pair<HMODULE, std::function<void()>>*>(parameter));
    module = job->first;
    const ScopedComInitializer apartment(COINIT_MULTITHREADED);
    job->second();
  }
  ::FreeLibraryAndExitThread(module, 0);
}

// Starts job on a thread of its own, which holds the library loaded until it
// has returned; null (and GetLastError) when it cannot.
HANDLE StartThread(std::function<void()> job) {
  auto owned = std::make_unique<std::pair<HMODULE, std::function<void()>>>(nullptr, std::move(job));
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&JobThread), &owned->first))
    return nullptr;
  const HANDLE thread = ::CreateThread(nullptr, 0, JobThread, owned.get(), 0, nullptr);
  if (!thread) {
    const DWORD error = ::GetLastError();
    ::FreeLibrary(owned->first);
    ::SetLastError(error);
    return nullptr;
  }
  owned.release();  // the thread's now
  return thread;
}

// Runs job on a thread of its own in the multithreaded apartment and waits
// up to the call deadline, this thread's apartment serving meanwhile. S_OK
// when it ran; RPC_E_CALL_CANCELED when the time ran out (the job goes on,
// so all it uses must be its own); otherwise why it could not run.
HRESULT RunInMta(std::function<void()> job) {
  const ScopedHandle thread(StartThread(std::move(job)));
  if (!thread.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());
  HANDLE handles[] = {thread.Get()};
  DWORD index = 0;
  const HRESULT hr = ::CoWaitForMultipleHandles(0, CallDeadlineMs(), 1, handles, &index);
  if (hr == CO_E_NOTINITIALIZED)  // no apartment here: nothing to serve
    return ::WaitForSingleObject(thread.Get(), CallDeadlineMs()) == WAIT_OBJECT_0
               ? S_OK
               : RPC_E_CALL_CANCELED;
  return hr == RPC_S_CALLPENDING ? RPC_E_CALL_CANCELED : hr;
}

}  // namespace

bool IsUnreachable(HRESULT hr) {
  constexpr HRESULT unreachable[] = {
      RPC_E_DISCONNECTED,    RPC_E_SERVER_DIED,
      RPC_E_SERVER_DIED_DNE, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, RPC_S_SERVER_UNAVAILABLE),
      CO_E_OBJNOTCONNECTED,  MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, RPC_S_CALL_FAILED),
      RPC_E_WRONG_THREAD,    RPC_E_CALL_CANCELED};
  for (const HRESULT each : unreachable)
    if (hr == each) return true;
  return false;
}

AutomationLink::MtaUsage::MtaUsage() {
  AutoLock hold(g_keeper.lock);
  if (g_keeper.users == 0) {
    // Started afresh: one that is still on its way out holds the apartment
    // until this one has entered it.
    ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedHandle stop(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready.IsValid() || !stop.IsValid()) Raise(HRESULT_FROM_WIN32(::GetLastError()));
    const HANDLE signals[] = {ready.Get(), stop.Get()};
    const ScopedHandle thread(StartThread([signals] {
      ::SetEvent(signals[0]);
      ::WaitForSingleObject(signals[1], INFINITE);
      ::CloseHandle(signals[1]);
    }));
    if (!thread.IsValid()) Raise(HRESULT_FROM_WIN32(::GetLastError()));
    const HANDLE waits[] = {ready.Get(), thread.Get()};
    ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    g_keeper.stop = stop.Take();  // the thread closes it
  }
  ++g_keeper.users;
  held = true;
}

AutomationLink::MtaUsage::~MtaUsage() {
  if (!held) return;
  AutoLock hold(g_keeper.lock);
  if (--g_keeper.users == 0) ::SetEvent(std::exchange(g_keeper.stop, nullptr));
}

AutomationLink::AutomationLink(IDispatch* app) : thread_(::GetCurrentThreadId()) {
  // The marshalled interface and what the other thread made of it, its own
  // in case the wait runs out.
  struct Moved {
    ComPtr<IStream> stream;
    HRESULT hr = E_UNEXPECTED;
    IDispatch* app = nullptr;
    ~Moved() {
      if (stream) ::CoReleaseMarshalData(stream.Get());  // never taken over
    }
  };
  const auto moved = std::make_shared<Moved>();
  HRESULT hr = ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, app, moved->stream.Receive());
  if (SUCCEEDED(hr))
    hr = RunInMta([moved] {
      moved->hr = ::CoGetInterfaceAndReleaseStream(moved->stream.Detach(), IID_IDispatch,
                                                   reinterpret_cast<void**>(&moved->app));
    });
  if (SUCCEEDED(hr)) hr = moved->hr;
  if (FAILED(hr)) {
    if (hr == RPC_E_CALL_CANCELED) mta_.held = false;  // what it holds may be Eureka's
    Raise(hr);
  }
  app_ = moved->app;
}

AutomationLink::~AutomationLink() {
  if (!abandoned_) {
    // Released in the apartment it lives in; off any apartment, this thread
    // is in it already.
    IDispatch* app = app_;
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(::CoGetApartmentType(&type, &qualifier)) || type == APTTYPE_MTA)
      app->Release();
    else if (FAILED(RunInMta([app] { app->Release(); })))
      abandoned_ = true;
  }
  if (abandoned_) mta_.held = false;  // its proxies stay for the process's life
}

// One call on Eureka and what came of it, shared by the calling thread and
// the thread that makes the call, which may outlive the caller's wait.
struct AutomationLink::Call {
  const wchar_t* name;
  DISPID member;
  WORD flags;
  HRESULT hr = E_UNEXPECTED;
  ExceptionInfo exception;
  int version = 0;  // ApiVersion's answer as a 32-bit integer

  Call(const wchar_t* name, DISPID member, WORD flags) : name(name), member(member), flags(flags) {}

  // A busy Eureka (it rejects the call, or says to retry later) is asked
  // again until the busy deadline. An ApiVersion answer is converted here,
  // in the apartment of the object it may hold.
  void Make(IDispatch* app) {
    const ULONGLONG start = ::GetTickCount64();
    bool waiting = false;
    auto log = [this](const std::wstring& event) { WriteDebugLog(name + (L" : " + event)); };
    const bool get = flags == DISPATCH_PROPERTYGET;
    for (;;) {
      DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
      ScopedVariant result;
      UINT argumentError = 0;
      hr = app->Invoke(member, IID_NULL, 0, flags, &noArguments, get ? result.Get() : nullptr,
                       &exception.info, &argumentError);
      const ULONGLONG waited = ::GetTickCount64() - start;
      if (IsBusy(hr) && waited < kBusyWaitMs) {
        if (!waiting)
          log(L"Eureka is busy, asking again every " + std::to_wstring(kBusyRetryMs) +
              L" ms for up to " + std::to_wstring(kBusyWaitMs / 1000) + L" s");
        waiting = true;
        ::Sleep(kBusyRetryMs);
        continue;
      }
      if (waiting)
        log(IsBusy(hr) ? L"Eureka still busy after " + std::to_wstring(waited) + L" ms, giving up"
                       : L"Eureka answered after " + std::to_wstring(waited) + L" ms");
      if (SUCCEEDED(hr) && get && result->vt != VT_I4)
        hr = ::VariantChangeType(result.Get(), result.Get(), 0, VT_I4);
      if (SUCCEEDED(hr) && get) version = result->lVal;
      return;
    }
  }
};

std::shared_ptr<AutomationLink::Call> AutomationLink::Invoke(const wchar_t* name, DISPID member,
                                                            WORD flags) {
  if (abandoned_) Raise(CO_E_OBJNOTCONNECTED);
  const auto call = std::make_shared<Call>(name, member, flags);
  IDispatch* app = app_;  // never released while a call may use it
  HRESULT hr = RunInMta([call, app] { call->Make(app); });
  if (hr == RPC_E_CALL_CANCELED)
    WriteDebugLog(name + (L" : Eureka gave no answer within " + std::to_wstring(CallDeadlineMs()) +
                          L" ms, call cancelled"));
  if (SUCCEEDED(hr)) hr = call->hr;
  if (IsUnreachable(hr)) abandoned_ = true;
  if (FAILED(hr)) {
    ComPtr<IErrorInfo> error;
    if (hr == DISP_E_EXCEPTION) error = ErrorInfoFrom(call->exception.info);
    Raise(hr, error.Get());
  }
  return call;
}

int AutomationLink::ReadApiVersion() {
  return Invoke(L"ApiVersion", kEurekaDispIdApiVersion, DISPATCH_PROPERTYGET)->version;
}

void AutomationLink::CloseAllDocumentsAndExit() {
  Invoke(L"CloseAllDocumentsAndExit", kEurekaDispIdCloseAllDocumentsAndExit, DISPATCH_METHOD);
}

}  // namespace kx
