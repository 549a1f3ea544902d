// What the test process holds, counted directly: Wine reports neither
// GetProcessHandleCount nor PrivateUsage.
#pragma once

#include <windows.h>

namespace kxtest {

struct Usage {
  DWORD handles = 0;        // handle values that answer GetHandleInformation
  SIZE_T privateBytes = 0;  // committed private pages
};
Usage MeasureUsage();

}  // namespace kxtest
