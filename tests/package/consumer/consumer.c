/* The C interface from a host of Microsoft's ABI, linked with the .lib. */
#include <windows.h>

#include "kxvm.h"

void start(void) {
  static const char ok[] = "consumer: ok\n";
  DWORD written = 0;
  if (kxvm_api_version() >> 16 != KXVM_API_VERSION_MAJOR) ExitProcess(1);
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), ok, sizeof ok - 1, &written, NULL);
  ExitProcess(0);
}
