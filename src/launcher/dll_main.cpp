// Entry point of KXVirtualMachMgr.dll. The runtime has built the library's
// statics (and so collected its class records) before this runs.
#include <windows.h>

#include "launcher/library_entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return kx::LibraryAttach(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      kx::LibraryDetach();
      return TRUE;
    default:
      return TRUE;
  }
}
