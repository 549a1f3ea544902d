// The process-wide registry of class records, filled per module: records
// collect while the module's statics are built and are published when the
// module joins (extension_module.h).
#pragma once

#include <vector>

#include "framework/object.h"

namespace kx {

// Records built by this module's static initialisation, not yet published.
std::vector<const CRuntimeClass*> TakePendingClasses();

void PublishClasses(const std::vector<const CRuntimeClass*>& records);
void WithdrawClasses(const std::vector<const CRuntimeClass*>& records);

}  // namespace kx
