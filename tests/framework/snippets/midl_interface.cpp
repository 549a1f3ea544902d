// A host whose MIDL-made header declares Eureka's interface first.
#include <afxwin.h>

// What MIDL writes for the dispinterface, in short.
#include <oaidl.h>
#ifndef __IEurekaApplicationDisp_FWD_DEFINED__
#define __IEurekaApplicationDisp_FWD_DEFINED__
typedef struct IEurekaApplicationDisp IEurekaApplicationDisp;
#endif
#ifndef __IEurekaApplicationDisp_DISPINTERFACE_DEFINED__
#define __IEurekaApplicationDisp_DISPINTERFACE_DEFINED__
EXTERN_C const IID DIID_IEurekaApplicationDisp;
struct IEurekaApplicationDisp : public IDispatch {};
#endif

#include "MWVMLauncher.h"
#include "check.h"

void MidlInterfaceSnippet() {
  MWVMLauncher launcher;
  IEurekaApplicationDisp* app = NULL;
  launcher.SetEurekaApp(app);
  CHECK(!IsEqualIID(IID_IEurekaApplicationDisp, IID_IDispatch));
}
