// One lock for the environment singleton and the log. They call each other
// (the log asks for the data folder, initialisation logs), so two locks
// would deadlock two threads entering from opposite ends.
#pragma once

#include "framework/lock.h"

namespace kx {

Lock& LibraryLock();

}  // namespace kx
