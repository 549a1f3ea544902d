/* A CAD add-in in C that starts the Kalvex Virtual Machine through
 * KXVirtualMachMgr.dll. The CAD host loads the add-in by its full path (so
 * that Windows finds KXVirtualMachMgr.dll beside it), calls AddInStart when
 * the user clicks the add-in's button, may ask AddInStatus, and calls
 * AddInStop before it unloads the add-in.
 *
 * The launch runs on a thread of the add-in's own, so the CAD window keeps
 * working: the thread starts Eureka (ready as soon as Eureka is), then waits
 * for Eureka's end or for AddInStop, which asks Eureka to close its
 * documents and exit. Eureka ends with the CAD application, however that
 * ends. */
#include "kxvm.h"

#include <windows.h>

/* What AddInStatus says. */
#define ADDIN_IDLE 0
#define ADDIN_STARTING 1
#define ADDIN_RUNNING 2
#define ADDIN_ENDED 3          /* Eureka ran and ended; AddInExitCode has its code */
#define ADDIN_NOT_STARTED 4    /* AddInOutcome says why (KXVM_OUTCOME_*) */
#define ADDIN_FAILED (-1)      /* a library call failed: AddInError has its code */
#define ADDIN_TOO_OLD (-2)     /* the KXVirtualMachMgr.dll beside the add-in is older */

static kxvm_launcher* g_launcher;
static HANDLE g_thread, g_stop;
static volatile LONG g_status = ADDIN_IDLE, g_outcome, g_error;
static volatile DWORD g_exitCode;

static DWORD Failed(int32_t code) {
  g_error = code;
  InterlockedExchange(&g_status, ADDIN_FAILED);
  return 1;
}

static DWORD WINAPI Launch(void* unused) {
  int32_t result = 0, outcome = KXVM_OUTCOME_NONE, ended = 0;
  uint32_t exitCode = 0;
  void* process = NULL;
  HANDLE waits[2];
  int32_t code;
  (void)unused;
  code = kxvm_launcher_start(g_launcher, &result, &outcome, &exitCode);
  g_outcome = outcome;
  if (code != KXVM_OK) return Failed(code);
  if (outcome != KXVM_OUTCOME_STARTED) {
    g_exitCode = exitCode;
    InterlockedExchange(&g_status, ADDIN_NOT_STARTED);
    return 0;
  }
  InterlockedExchange(&g_status, ADDIN_RUNNING);
  /* Eureka's end or the add-in's, whichever comes first. */
  if ((code = kxvm_launcher_process_handle(g_launcher, &process)) != KXVM_OK) return Failed(code);
  waits[0] = (HANDLE)process;
  waits[1] = g_stop;
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    /* From the thread that started it: Eureka is asked to close and exit. */
    kxvm_launcher_close_all_and_exit(g_launcher);
  }
  CloseHandle(process);
  /* Its end, its exit code, and the launcher's handles let go. */
  code = kxvm_launcher_wait(g_launcher, 0xFFFFFFFF, &ended, &exitCode);
  if (code < 0) return Failed(code);
  g_exitCode = exitCode;
  InterlockedExchange(&g_status, ADDIN_ENDED);
  return 0;
}

__declspec(dllexport) int32_t __stdcall AddInStart(void) {
  const uint32_t version = kxvm_api_version();
  wchar_t* report = NULL;
  int32_t code;
  if (g_thread) return g_status;
  /* The functions this add-in calls came with interface 1.1. */
  if (version >> 16 != KXVM_API_VERSION_MAJOR || (version & 0xFFFF) < KXVM_API_VERSION_MINOR)
    return g_status = ADDIN_TOO_OLD;
  /* Without a data folder the CAD application must not end: report it. */
  code = kxvm_env_set_missing_data_folder(KXVM_MISSING_DATA_FOLDER_REPORT);
  if (code != KXVM_OK && code != KXVM_E_TOO_LATE) return Failed(code), g_status;
  /* Where everything is, for the add-in's own diagnostics; starts nothing. */
  if (kxvm_support_report(KXVM_REPORT_TEXT, &report) == KXVM_OK) {
    OutputDebugStringW(report);
    kxvm_free(report);
  }
  if ((code = kxvm_launcher_create(&g_launcher)) != KXVM_OK) return Failed(code), g_status;
  kxvm_launcher_set_debug_mode(g_launcher, KXVM_DEBUG_REGISTRY, 0, L"AddIn");
  kxvm_launcher_set_options(g_launcher, KXVM_LAUNCH_RESPONSIVE | KXVM_LAUNCH_END_WITH_HOST);
  g_stop = CreateEventW(NULL, TRUE, FALSE, NULL);
  g_status = ADDIN_STARTING;
  g_thread = CreateThread(NULL, 0, Launch, NULL, 0, NULL);
  if (!g_thread) return Failed(KXVM_E_OUT_OF_MEMORY), g_status;
  return g_status;
}

__declspec(dllexport) int32_t __stdcall AddInStatus(void) { return g_status; }
__declspec(dllexport) int32_t __stdcall AddInOutcome(void) { return g_outcome; }
__declspec(dllexport) uint32_t __stdcall AddInExitCode(void) { return g_exitCode; }
__declspec(dllexport) int32_t __stdcall AddInError(void) { return g_error; }

/* Before the host unloads the add-in: Eureka asked to close, the thread and
 * the launcher gone. */
__declspec(dllexport) void __stdcall AddInStop(void) {
  if (!g_thread) return;
  SetEvent(g_stop);
  WaitForSingleObject(g_thread, INFINITE);
  CloseHandle(g_thread);
  CloseHandle(g_stop);
  kxvm_launcher_destroy(g_launcher);
  g_thread = g_stop = NULL;
  g_launcher = NULL;
}
