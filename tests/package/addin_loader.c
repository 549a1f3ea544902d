/* The CAD host of the sample add-in in C: loads it by its full path from a
 * folder of its own (KXVirtualMachMgr.dll and Eureka.exe beside it), starts
 * it, waits until Eureka runs, stops it, and checks that Eureka was asked to
 * close and ended with 0. Summary line, then ExitProcess. */
#include <windows.h>
#include <stdio.h>

typedef int(__stdcall* Get)(void);

void __stdcall LoaderMain(void) {
  wchar_t addIn[MAX_PATH];
  static const wchar_t kData[] = L"C:\\kxaddin data\\";
  HMODULE module;
  Get start, status, exitCode;
  void(__stdcall * stop)(void);
  int i, seen = 0, ok;
  setvbuf(stdout, NULL, _IONBF, 0);
  GetEnvironmentVariableW(L"KXT_ADDIN", addIn, MAX_PATH);
  CreateDirectoryW(L"C:\\kxaddin data", NULL);
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Brondel\\Kalvex\\Kalvex 2023x64", L"KXDataPath",
                  REG_SZ, kData, sizeof kData);
  SetEnvironmentVariableW(L"EUREKA_STANDIN_WINDOW", L"0");
  module = LoadLibraryExW(addIn, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
  start = (Get)GetProcAddress(module, "AddInStart");
  status = (Get)GetProcAddress(module, "AddInStatus");
  exitCode = (Get)GetProcAddress(module, "AddInExitCode");
  stop = (void(__stdcall*)(void))GetProcAddress(module, "AddInStop");
  ok = module && start && status && exitCode && stop && start() == 1;
  for (i = 0; ok && i < 300 && !(seen = status() == 2); ++i) Sleep(100);
  if (ok) stop();
  ok = ok && seen && status() == 3 && exitCode() == 0;
  printf("%s: the add-in started Eureka and stopped it (status %d)\n", ok ? "PASSED" : "FAILED",
         status ? status() : -99);
  if (module) FreeLibrary(module);
  ExitProcess(ok ? 0 : 1);
}
