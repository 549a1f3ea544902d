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
  // Leaves every level the calling thread holds, for a path that never
  // returns to release them (the process is about to end).
  void ReleaseAll() noexcept {
    while (depth_ > 0 && cs_.OwningThread == ULongToHandle(::GetCurrentThreadId())) Release();
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
