// main of the unit tests, which hold the library's code themselves: the
// program joins the resource chain as the DLL's entry point would.
#include <windows.h>

#include "launcher/library_entry.h"
#include "test_main.inc"

int main(int argc, char** argv) {
  kx::LibraryAttach(::GetModuleHandleW(nullptr));
  const int result = KxTestMain(argc, argv);
  kx::LibraryDetach();
  return result;
}
