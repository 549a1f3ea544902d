// The DLL's own emulated thread-local storage (the thread-locals of the
// statically linked C++ runtime), which an unload gives back to the process.
#pragma once

namespace kx {

// The calling thread's variables, when it ends.
void FreeThreadLocals() noexcept;
// Every thread's variables and the TLS slot, when the library is unloaded.
void FreeAllThreadLocals() noexcept;

}  // namespace kx
