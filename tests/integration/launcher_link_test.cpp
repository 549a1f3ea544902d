// The launcher's automation link and process handles, with an automation
// object of the test's own: references taken and dropped exactly as the
// ownership rule says, the exit call as Eureka receives it.
#include <gtest/gtest.h>
#include <comdef.h>

#include <thread>

#include "EurekaAutomation.h"
#include "MWVMLauncher.h"
#include "child_process.h"
#include "files.h"
#include "log_lines.h"
#include "registry.h"

using namespace kxtest;

namespace {

// An IEurekaApplicationDisp that counts its references and records calls.
class FakeEureka : public IEurekaApplicationDisp {
 public:
  ULONG refs = 1;
  int closeCalls = 0;
  UINT lastArgumentCount = 99;
  bool lastAskedForResult = true;
  WORD lastFlags = 0;
  HRESULT closeResult = S_OK;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IEurekaApplicationDisp) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    if (id != kEurekaDispIdCloseAllDocumentsAndExit) return DISP_E_MEMBERNOTFOUND;
    ++closeCalls;
    lastFlags = flags;
    lastArgumentCount = params ? params->cArgs + params->cNamedArgs : 99;
    lastAskedForResult = result != nullptr;
    if (closeResult == DISP_E_EXCEPTION && exception) {
      *exception = EXCEPINFO{};
      exception->scode = E_ACCESSDENIED;
      exception->bstrSource = ::SysAllocString(L"Eureka");
      exception->bstrDescription = ::SysAllocString(L"A document could not be closed.");
    }
    return closeResult;
  }
};

}  // namespace

TEST(LauncherLink, ReferencesFollowTheOwnershipRule) {
  FakeEureka app;
  {
    MWVMLauncher launcher;
    launcher.SetEurekaApp(&app);
    EXPECT_EQ(app.refs, 2u);
    launcher.SetEurekaApp(&app);  // the held pointer again: nothing changes
    EXPECT_EQ(app.refs, 2u);

    MWVMLauncher copy(launcher);  // a copy takes its own reference
    EXPECT_EQ(app.refs, 3u);
    MWVMLauncher assigned;
    assigned = copy;
    EXPECT_EQ(app.refs, 4u);
    assigned = assigned;  // self-assignment keeps the count
    EXPECT_EQ(app.refs, 4u);

    launcher.SetEurekaApp(nullptr);  // releases the held link
    EXPECT_EQ(app.refs, 3u);
    assigned = launcher;  // takes the null link, drops its old one
    EXPECT_EQ(app.refs, 2u);
  }
  EXPECT_EQ(app.refs, 1u);  // the destructors released the rest
}

TEST(LauncherLink, CloseAllDocAndExitCallsTheApplicationThenDropsTheLink) {
  FakeEureka app;
  MWVMLauncher launcher;
  launcher.SetEurekaApp(&app);
  EXPECT_EQ(launcher.CloseAllDocAndExitVM(), 1);
  EXPECT_EQ(app.closeCalls, 1);
  EXPECT_EQ(app.lastFlags, DISPATCH_METHOD);
  EXPECT_EQ(app.lastArgumentCount, 0u);
  EXPECT_FALSE(app.lastAskedForResult);
  EXPECT_EQ(app.refs, 1u);

  // With neither link nor process it only logs.
  EXPECT_EQ(launcher.CloseAllDocAndExitVM(), 1);
  EXPECT_EQ(app.closeCalls, 1);

  // A failing call reaches the host with the application's text and keeps the link.
  app.closeResult = DISP_E_EXCEPTION;
  launcher.SetEurekaApp(&app);
  try {
    launcher.CloseAllDocAndExitVM();
    ADD_FAILURE() << "no _com_error";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), DISP_E_EXCEPTION);
    EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(e.Description())),
              L"A document could not be closed.");
    EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(e.Source())), L"Eureka");
  }
  EXPECT_EQ(app.refs, 2u);
  app.closeResult = E_FAIL;
  EXPECT_THROW(launcher.CloseAllDocAndExitVM(), _com_error);
  launcher.SetEurekaApp(nullptr);
  EXPECT_EQ(app.refs, 1u);
}
