// Waiting on the simulator: a busy one (loading a machine, say) rejects
// calls, and the call is tried again until the busy deadline; no call waits
// beyond the call deadline.
#pragma once

#include <windows.h>

namespace kx {

// How long a busy simulator is waited for, and how often it is asked again.
inline constexpr DWORD kBusyWaitMs = 10000;
inline constexpr DWORD kBusyRetryMs = 250;
// How long one call on the simulator may take, busy waits included.
inline constexpr DWORD kCallDeadlineMs = 60000;

// kCallDeadlineMs, or less when the test setting KXVM_TEST_CALL_DEADLINE_MS
// (read once) asks for less, so that a test need not wait a minute.
DWORD CallDeadlineMs();

// "Call rejected" and "retry later": the answers of a busy server.
inline bool IsBusy(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

}  // namespace kx
