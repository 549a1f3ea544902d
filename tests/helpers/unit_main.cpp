// main of the unit tests, which hold the library's code themselves: the
// program joins the resource chain as the DLL's entry point would.
#include <windows.h>

#include "launcher/library_entry.h"
#include "child_process.h"

int main(int argc, char** argv) {
  kx::LibraryAttach(::GetModuleHandleW(nullptr));
  const int result = kxtest::TestMain(argc, argv);
  kx::LibraryDetach();
  return result;
}
