#include "launcher/eureka_automation.h"

#include <comdef.h>

#include <cwchar>
#include <string>

#include "EurekaAutomation.h"
#include "environment/debug_log.h"
#include "framework/com_ptr.h"
#include "framework/scoped_bstr.h"
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

// A busy Eureka (it rejects the call, or says to retry later) is asked again
// until the busy deadline; any other failure raises at once.
void Invoke(IDispatch* app, const wchar_t* name, DISPID member, WORD flags, VARIANT* result) {
  const ULONGLONG start = ::GetTickCount64();
  const BusyMessageFilterScope filter(start + kBusyWaitMs);
  bool waiting = false;
  auto log = [name](const std::wstring& event) { WriteDebugLog(name + (L" : " + event)); };
  for (;;) {
    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    ExceptionInfo exception;
    UINT argumentError = 0;
    const HRESULT hr = app->Invoke(member, IID_NULL, 0, flags, &noArguments, result,
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
    if (FAILED(hr)) {
      ComPtr<IErrorInfo> error;
      if (hr == DISP_E_EXCEPTION) error = ErrorInfoFrom(exception.info);
      Raise(hr, error.Get());
    }
    return;
  }
}

}  // namespace

IDispatch* FindEurekaObject(int processId) {
  wchar_t name[32];
  std::swprintf(name, 32, kEurekaRotItemFormat, processId);

  ComPtr<IUnknown> object;
  {
    ComPtr<IRunningObjectTable> table;
    if (FAILED(::GetRunningObjectTable(0, table.Receive())) || !table) return nullptr;
    ComPtr<IMoniker> moniker;
    {
      ScopedBstr itemName{std::wstring(name)};
      ::CreateItemMoniker(nullptr, itemName.Get(), moniker.Receive());
    }
    if (moniker) table->GetObject(moniker.Get(), object.Receive());
  }
  if (!object) return nullptr;
  IDispatch* dispatch = nullptr;
  if (object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)) == S_OK)
    return dispatch;
  // Anything but exactly S_OK counts as not published; a reference handed out
  // anyway is not ours to keep.
  if (dispatch) dispatch->Release();
  return nullptr;
}

int ReadApiVersion(IDispatch* app) {
  ScopedVariant result;
  Invoke(app, L"ApiVersion", kEurekaDispIdApiVersion, DISPATCH_PROPERTYGET, result.Get());
  if (result->vt != VT_I4) {
    const HRESULT hr = ::VariantChangeType(result.Get(), result.Get(), 0, VT_I4);
    if (FAILED(hr)) Raise(hr);
  }
  return result->lVal;
}

void CallCloseAllDocumentsAndExit(IDispatch* app) {
  Invoke(app, L"CloseAllDocumentsAndExit", kEurekaDispIdCloseAllDocumentsAndExit, DISPATCH_METHOD,
         nullptr);
}

}  // namespace kx
