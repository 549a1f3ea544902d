// Function-local statics are built once under a guard. The C++ runtime's
// guard goes through winpthreads' pthread_once, which gives the first caller
// of each load a TLS slot and two handles that no unload gives back; this one
// uses a Win32 lock and condition variable, which need no freeing.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_finished = CONDITION_VARIABLE_INIT;

// The guard's first byte is the compiler's "built" flag; its second half
// names the thread building the static (0: none).
std::atomic_ref<unsigned char> Built(std::int64_t* guard) {
  return std::atomic_ref<unsigned char>(*reinterpret_cast<unsigned char*>(guard));
}
DWORD& Builder(std::int64_t* guard) { return reinterpret_cast<DWORD*>(guard)[1]; }

void Finish(std::int64_t* guard, bool built) noexcept {
  ::AcquireSRWLockExclusive(&g_lock);
  if (built) Built(guard).store(1, std::memory_order_release);
  Builder(guard) = 0;
  ::ReleaseSRWLockExclusive(&g_lock);
  ::WakeAllConditionVariable(&g_finished);
}

}  // namespace

// 1: the caller builds the static and then calls release (or abort if it threw).
extern "C" int __cxa_guard_acquire(std::int64_t* guard) noexcept {
  if (Built(guard).load(std::memory_order_acquire)) return 0;
  const DWORD self = ::GetCurrentThreadId();
  ::AcquireSRWLockExclusive(&g_lock);
  while (Builder(guard) && Builder(guard) != self)
    ::SleepConditionVariableSRW(&g_finished, &g_lock, INFINITE, 0);
  // The static's own initialiser reached it again: it could never finish.
  if (Builder(guard) == self) std::abort();
  const bool build = !Built(guard).load(std::memory_order_relaxed);
  if (build) Builder(guard) = self;
  ::ReleaseSRWLockExclusive(&g_lock);
  return build;
}

extern "C" void __cxa_guard_release(std::int64_t* guard) noexcept { Finish(guard, true); }
extern "C" void __cxa_guard_abort(std::int64_t* guard) noexcept { Finish(guard, false); }
