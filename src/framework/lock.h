// A recursive lock usable during DLL attach and static initialisation.
#pragma once

#include <windows.h>

namespace kx {

class Lock {
 public:
  Lock() noexcept { ::InitializeCriticalSection(&cs_); }
  ~Lock() { ::DeleteCriticalSection(&cs_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Acquire() noexcept { ::EnterCriticalSection(&cs_); }
  void Release() noexcept { ::LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

class AutoLock {
 public:
  explicit AutoLock(Lock& lock) noexcept : lock_(lock) { lock_.Acquire(); }
  ~AutoLock() { lock_.Release(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace kx
