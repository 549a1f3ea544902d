#include "child_process.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kxtest {

std::map<std::string, int (*)()>& ChildScenarios() {
  static std::map<std::string, int (*)()> scenarios;
  return scenarios;
}

int TestMain(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--kx-child=", 11) == 0) {
      const auto it = ChildScenarios().find(argv[i] + 11);
      return it == ChildScenarios().end() ? 97 : it->second();
    }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace kxtest
