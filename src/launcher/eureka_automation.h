// Finding Eureka's automation object; the calls on it are the link's
// (automation_link.h).
#pragma once

#include <oaidl.h>

namespace kx {

// Eureka's object published under "Eureka_PID_<processId>" in the Running
// Object Table, as IDispatch with one reference for the caller; null when
// not (yet) published or not reachable.
IDispatch* FindEurekaObject(int processId);

}  // namespace kx
