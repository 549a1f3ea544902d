// Entry point of KXVirtualMachMgr.dll. The runtime has built the library's
// statics (and so collected its class records) before this runs.
#include <windows.h>

#include "launcher/library_entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return kx::LibraryAttach(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      // At process exit the other threads are gone, perhaps holding a lock
      // the teardown would wait on; the system reclaims everything anyway.
      if (!reserved) kx::LibraryDetach();
      return TRUE;
    default:
      return TRUE;
  }
}
