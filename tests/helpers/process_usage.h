// What the test process holds, counted directly: Wine reports neither
// GetProcessHandleCount nor PrivateUsage.
#pragma once

#include <windows.h>

namespace kxtest {

struct Usage {
  DWORD handles = 0;        // handle values that answer GetHandleInformation
  SIZE_T privateBytes = 0;  // committed private pages
};

inline Usage MeasureUsage() {
  Usage usage;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4)
    usage.handles += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
  MEMORY_BASIC_INFORMATION info;
  for (const char* at = nullptr; ::VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<const char*>(info.BaseAddress) + info.RegionSize)
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) usage.privateBytes += info.RegionSize;
  return usage;
}

}  // namespace kxtest
