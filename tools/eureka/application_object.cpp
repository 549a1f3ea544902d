#include "application_object.h"

#include <ole2.h>
#include <windows.h>

#include <string>

#include "eureka_h.h"

namespace eureka {
namespace {

constexpr DISPID kDispIdApiVersion = 4;
constexpr DISPID kDispIdCloseAllDocumentsAndExit = 46;
// scode of the ApiVersion exception, in the interface's own range.
constexpr SCODE kApiVersionUnavailable = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200);
// How long a silent member keeps its caller waiting before the program ends.
constexpr DWORD kSilentMs = 300000;

std::wstring DescribeCall(WORD flags, const DISPPARAMS* params, const VARIANT* result) {
  const UINT args = params ? params->cArgs : 0;
  const UINT named = params ? params->cNamedArgs : 0;
  return L"flags=" + std::to_wstring(flags) + L" args=" + std::to_wstring(args) + L" named=" +
         std::to_wstring(named) + L" result=" + (result ? L"yes" : L"no");
}

}  // namespace

kx::ComPtr<ApplicationObject> ApplicationObject::Create(const Options& options,
                                                        const RecordFile& record,
                                                        ITypeInfo* typeInfo,
                                                        std::function<void()> requestExit) {
  return kx::ComPtr<ApplicationObject>(
      new ApplicationObject(options, record, typeInfo, std::move(requestExit)));
}

ApplicationObject::ApplicationObject(const Options& options, const RecordFile& record,
                                     ITypeInfo* typeInfo, std::function<void()> requestExit)
    : options_(options),
      record_(record),
      typeInfo_(typeInfo),
      requestExit_(std::move(requestExit)) {}

HRESULT ApplicationObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  const bool answered =
      IsEqualIID(riid, IID_IUnknown) ||
      (IsEqualIID(riid, IID_IDispatch) && options_.answerDispatch) ||
      (IsEqualIID(riid, DIID_IEurekaApplicationDisp) && options_.answerEurekaInterface);
  if (!answered) return E_NOINTERFACE;
  *object = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG ApplicationObject::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

ULONG ApplicationObject::Release() {
  const LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ApplicationObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = typeInfo_ ? 1 : 0;
  return S_OK;
}

HRESULT ApplicationObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0 || !typeInfo_) return DISP_E_BADINDEX;
  *info = typeInfo_.Get();
  (*info)->AddRef();
  return S_OK;
}

HRESULT ApplicationObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                         DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] && ::lstrcmpiW(names[0], L"ApiVersion") == 0)
    ids[0] = kDispIdApiVersion;
  else if (names[0] && ::lstrcmpiW(names[0], L"CloseAllDocumentsAndExit") == 0)
    ids[0] = kDispIdCloseAllDocumentsAndExit;
  else
    result = DISP_E_UNKNOWNNAME;
  // Neither member has parameters to name.
  if (count > 1) result = DISP_E_UNKNOWNNAME;
  return result;
}

HRESULT ApplicationObject::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* exception, UINT*) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const bool hasArguments = params && (params->cArgs != 0 || params->cNamedArgs != 0);
  const auto silent = [&] {
    if (member != options_.silentMember) return;
    // A hung application: this thread serves nothing more until it is ended.
    ::Sleep(kSilentMs);
    ::ExitProcess(options_.exitCode);
  };
  const bool known = member == kDispIdApiVersion || member == kDispIdCloseAllDocumentsAndExit;
  if (known && ::GetTickCount64() < busyUntil_) {
    record_.Write(L"busy", L"retry later");
    return RPC_E_SERVERCALL_RETRYLATER;
  }
  switch (member) {
    case kDispIdApiVersion:
      record_.Write(L"ApiVersion", DescribeCall(flags, params, result));
      silent();
      if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
      if (hasArguments) return DISP_E_BADPARAMCOUNT;
      return AnswerApiVersion(result, exception);
    case kDispIdCloseAllDocumentsAndExit:
      record_.Write(L"CloseAllDocumentsAndExit", DescribeCall(flags, params, result));
      silent();
      if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
      if (hasArguments) return DISP_E_BADPARAMCOUNT;
      if (result) ::VariantInit(result);
      requestExit_();
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT ApplicationObject::AnswerApiVersion(VARIANT* result, EXCEPINFO* exception) {
  switch (options_.apiVersion) {
    case ApiVersionAnswer::kException:
      if (exception) {
        *exception = EXCEPINFO{};
        exception->bstrSource = ::SysAllocString(L"Eureka");
        exception->bstrDescription = ::SysAllocString(L"The interface version is not available");
        exception->scode = kApiVersionUnavailable;
        // Whatever number a client receives here is ours to choose.
        exception->pfnDeferredFillIn =
            reinterpret_cast<HRESULT(STDAPICALLTYPE*)(EXCEPINFO*)>(options_.exceptionFillIn);
      }
      return DISP_E_EXCEPTION;
    case ApiVersionAnswer::kFail:
      return E_FAIL;
    default:
      break;
  }
  if (!result) return E_INVALIDARG;
  ::VariantInit(result);
  switch (options_.apiVersion) {
    case ApiVersionAnswer::kI2:
      V_VT(result) = VT_I2;
      V_I2(result) = static_cast<SHORT>(options_.apiVersionNumber);
      break;
    case ApiVersionAnswer::kBstr:
      V_BSTR(result) = ::SysAllocStringLen(options_.apiVersionText.data(),
                                           static_cast<UINT>(options_.apiVersionText.size()));
      if (!V_BSTR(result)) return E_OUTOFMEMORY;
      V_VT(result) = VT_BSTR;
      break;
    case ApiVersionAnswer::kDispatch:
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = this;
      AddRef();
      break;
    default:
      V_VT(result) = VT_I4;
      V_I4(result) = options_.apiVersionNumber;
      break;
  }
  return S_OK;
}

}  // namespace eureka
