// A host whose #import output declares Eureka's interface.
#include <afxwin.h>
#include <comdef.h>

struct IEurekaApplicationDisp : IDispatch {
  long GetApiVersion();
};

#define KXVM_NO_EUREKA_INTERFACE
#include "MWVMLauncher.h"
#include "check.h"

void ImportInterfaceSnippet() {
  MWVMLauncher launcher;
  IEurekaApplicationDisp* app = NULL;
  launcher.SetEurekaApp(app);
  CHECK(kEurekaDispIdApiVersion == 4);
}
