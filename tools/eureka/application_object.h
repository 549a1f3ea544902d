// Eureka's automation object: IDispatch for IEurekaApplicationDisp, with
// ApiVersion (DISPID 4) and CloseAllDocumentsAndExit (DISPID 46).
#pragma once

#include <oaidl.h>

#include <atomic>
#include <functional>

#include "framework/com_ptr.h"
#include "options.h"
#include "record_file.h"

namespace eureka {

class ApplicationObject final : public IDispatch {
 public:
  // requestExit runs inside CloseAllDocumentsAndExit; it must only schedule
  // the exit, since the caller waits for the call to return.
  static kx::ComPtr<ApplicationObject> Create(const Options& options, const RecordFile& record,
                                              ITypeInfo* typeInfo,
                                              std::function<void()> requestExit);

  ApplicationObject(const ApplicationObject&) = delete;
  ApplicationObject& operator=(const ApplicationObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;

  // Until then (GetTickCount64 time) both members answer "retry later".
  void SetBusyUntil(ULONGLONG until) { busyUntil_ = until; }

 private:
  ApplicationObject(const Options& options, const RecordFile& record, ITypeInfo* typeInfo,
                    std::function<void()> requestExit);
  ~ApplicationObject() = default;

  HRESULT AnswerApiVersion(VARIANT* result, EXCEPINFO* exception);

  LONG references_ = 0;
  std::atomic<ULONGLONG> busyUntil_{0};
  const Options options_;
  const RecordFile record_;
  kx::ComPtr<ITypeInfo> typeInfo_;
  std::function<void()> requestExit_;
};

}  // namespace eureka
