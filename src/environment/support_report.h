// "Where is everything": the places the library searches, what each holds
// and which one wins, for support staff. Made without starting anything,
// without creating the environment, touching the log switch or logging.
#pragma once

#include <string>

namespace kx {

// JSON (fields documented in kxvm.h) or aligned text for a person.
std::wstring SupportReport(bool json);

}  // namespace kx
