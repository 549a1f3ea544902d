// Eureka.exe stand-in: a simulation application that honours Eureka's
// automation contract, for testing and demonstrating the launcher.
//
// Started as "<full file name> -lang<code>", it registers its type library
// (TYPELIB 1 of this program), shows a small window naming the language,
// publishes its automation object in the Running Object Table under the item
// moniker "Eureka_PID_<pid>" (no delimiter), and serves ApiVersion (DISPID 4)
// and CloseAllDocumentsAndExit (DISPID 46) from its message loop.
//
// Its command line is the launcher's, untouched; test behaviour comes from
// the environment it inherits:
//   EUREKA_STANDIN_PUBLISH_DELAY_MS  ms from start to publishing, or "never"   (0)
//   EUREKA_STANDIN_PUBLISH_PID       publish under this process id instead     (own)
//   EUREKA_STANDIN_DISPATCH_QI       "ok" | "nointerface": QueryInterface(IDispatch)  (ok)
//   EUREKA_STANDIN_INTERFACE_QI      "ok" | "nointerface": QueryInterface(IEurekaApplicationDisp)
//   EUREKA_STANDIN_API_VERSION       "i4:N" | "i2:N" | "bstr:TEXT" | "dispatch" |
//                                    "exception" | "fail"                      (i4:42)
//   EUREKA_STANDIN_EXIT_AFTER_MS     exit on its own this long after start
//   EUREKA_STANDIN_LIFETIME_MS       exit on its own this long after publishing
//   EUREKA_STANDIN_EXIT_CODE         exit code of those two exits              (0)
//   EUREKA_STANDIN_CRASH_AFTER_MS    end abruptly this long after publishing
//   EUREKA_STANDIN_CRASH_KIND        "terminate" | "access-violation"          (terminate)
//   EUREKA_STANDIN_CRASH_CODE        exit code of "terminate"                  (3)
//   EUREKA_STANDIN_CLOSE_DELAY_MS    from CloseAllDocumentsAndExit to the exit (0)
//   EUREKA_STANDIN_RECORD            file that receives "key=value" lines (UTF-8, CR LF):
//                                    commandline, cwd, pid, lang, typelib, published,
//                                    ApiVersion, CloseAllDocumentsAndExit, exit, crash, error
//   EUREKA_STANDIN_WINDOW            "0": no window                            (1)
// Numbers are decimal or 0x hexadecimal. A value it cannot use ends the
// program at once with exit code 87 and an "error" line in the record.
#include <windows.h>

#include <cstring>
#include <exception>
#include <string>

#include "options.h"
#include "record_file.h"
#include "stand_in.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const eureka::RecordFile record(eureka::RecordPath());
  eureka::Options options;
  try {
    options = eureka::ReadOptions();
  } catch (const eureka::OptionError& error) {
    record.Write(L"error", error.message);
    return ERROR_INVALID_PARAMETER;
  }
  try {
    eureka::StandIn standIn(instance, options, record);
    // Ends here, without leaving the apartment: Wine's CoUninitialize waits
    // for calls still arriving (a client's last release) that only this
    // thread's message loop, now ended, would serve.
    ::ExitProcess(static_cast<UINT>(standIn.Run()));
  } catch (const std::exception& error) {
    const char* what = error.what();
    record.Write(L"error", L"stopped: " + std::wstring(what, what + std::strlen(what)));
    return 1;
  }
}
