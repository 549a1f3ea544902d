// Entry point of KXVirtualMachMgr.dll. The runtime has built the library's
// statics (and so collected its class records) before this runs.
#include <windows.h>

#include "framework/thread_local_storage.h"
#include "launcher/library_entry.h"

// libstdc++'s: frees its emergency exception pool, which it never frees itself.
namespace __gnu_cxx {
void __freeres() noexcept;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return kx::LibraryAttach(instance) ? TRUE : FALSE;
    case DLL_THREAD_DETACH:
      kx::FreeThreadLocals();
      return TRUE;
    case DLL_PROCESS_DETACH:
      // At process exit the other threads are gone, perhaps holding a lock
      // the teardown would wait on; the system reclaims everything anyway.
      // An unload gives back what the static runtime would keep for good.
      if (!reserved) {
        kx::LibraryDetach();
        kx::FreeAllThreadLocals();
        __gnu_cxx::__freeres();
      }
      return TRUE;
    default:
      return TRUE;
  }
}
