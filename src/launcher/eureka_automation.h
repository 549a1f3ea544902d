// The calls the launcher makes on Eureka's automation object. A busy Eureka
// is asked again for up to 10 s (busy_wait.h); a failed call raises
// _com_error, which nothing in the library catches.
#pragma once

#include <oaidl.h>

namespace kx {

// Eureka's object published under "Eureka_PID_<processId>" in the Running
// Object Table, as IDispatch with one reference for the caller; null when
// not (yet) published or not reachable.
IDispatch* FindEurekaObject(int processId);

// ApiVersion (DISPID 4, property get), converted to a 32-bit integer.
int ReadApiVersion(IDispatch* app);

// CloseAllDocumentsAndExit (DISPID 46): no arguments, no result asked for.
void CallCloseAllDocumentsAndExit(IDispatch* app);

}  // namespace kx
