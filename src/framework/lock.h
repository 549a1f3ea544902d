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
  void Acquire() noexcept {
    ::EnterCriticalSection(&cs_);
    ++depth_;
  }
  void Release() noexcept {
    --depth_;
    ::LeaveCriticalSection(&cs_);
  }
  // Leaves every level the calling thread holds, for a wait that must not
  // hold the lock (a message box) or a path that never returns to release
  // them (the process is about to end); the levels left, for Reacquire.
  int ReleaseAll() noexcept {
    int levels = 0;
    for (; depth_ > 0 && cs_.OwningThread == ULongToHandle(::GetCurrentThreadId()); ++levels)
      Release();
    return levels;
  }
  void Reacquire(int levels) noexcept {
    while (levels-- > 0) Acquire();
  }

 private:
  CRITICAL_SECTION cs_;
  int depth_ = 0;  // levels held by the owning thread; changed only by it
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
