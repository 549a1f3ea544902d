#include "child_process.h"

// The one registry of the program's scenarios.
std::map<std::string, int (*)()>& kxtest::ChildScenarios() {
  static std::map<std::string, int (*)()> scenarios;
  return scenarios;
}
