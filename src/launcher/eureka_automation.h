// Finding Eureka's automation object; the calls on it are the link's
// (automation_link.h).
#pragma once

#include <oaidl.h>
#include <objidl.h>

#include "framework/com_ptr.h"

namespace kx {

// Eureka's object published under "Eureka_PID_<processId>" in the Running
// Object Table, as IDispatch with one reference for the caller; null when
// not (yet) published or not reachable.
IDispatch* FindEurekaObject(int processId);

// The same lookup made again and again, for a start that looks every 50 ms:
// the table and the moniker are made once, each look is one question to
// the table.
class EurekaLookup {
 public:
  explicit EurekaLookup(int processId);
  IDispatch* Find() const;

 private:
  ComPtr<IRunningObjectTable> table_;
  ComPtr<IMoniker> moniker_;
};

}  // namespace kx
