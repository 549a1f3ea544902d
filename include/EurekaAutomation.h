// The automation interface of the simulation application Eureka.exe.
#pragma once

#include <oaidl.h>

// Eureka's dispatch interface; the library reaches it only through Invoke.
// A host whose own MIDL header declares it keeps that one; a host whose
// #import output declares it defines KXVM_NO_EUREKA_INTERFACE.
#if !defined(KXVM_NO_EUREKA_INTERFACE) && !defined(__IEurekaApplicationDisp_DISPINTERFACE_DEFINED__)
#define __IEurekaApplicationDisp_DISPINTERFACE_DEFINED__
#ifndef __IEurekaApplicationDisp_FWD_DEFINED__
#define __IEurekaApplicationDisp_FWD_DEFINED__
#endif
struct IEurekaApplicationDisp : public IDispatch {};
#endif

// {1F08B954-DD18-4DB2-B00B-5438775CA49B}
inline constexpr IID IID_IEurekaApplicationDisp = {
    0x1F08B954, 0xDD18, 0x4DB2, {0xB0, 0x0B, 0x54, 0x38, 0x77, 0x5C, 0xA4, 0x9B}};

// Dispatch ids of the members the library uses.
inline constexpr DISPID kEurekaDispIdApiVersion = 4;
inline constexpr DISPID kEurekaDispIdCloseAllDocumentsAndExit = 46;

// Item name under which Eureka publishes itself in the Running Object Table.
inline constexpr wchar_t kEurekaRotItemFormat[] = L"Eureka_PID_%d";
