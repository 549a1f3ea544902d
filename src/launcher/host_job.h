// The job that ties simulators to the host's life, for launches that ask for
// it: made on first use and held by the library until the process ends, never
// closed by it (not even at unload), so that the system ends every process
// in it when the host ends, killed or crashed included, and never before.
#pragma once

#include <windows.h>

namespace kx {

// Puts the process (created suspended, not yet resumed) into the job; false
// when the job cannot be made or the process cannot join it.
bool AssignToHostJob(HANDLE process);

}  // namespace kx
