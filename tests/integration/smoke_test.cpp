#include <gtest/gtest.h>
#include "KXEnvApp.h"
TEST(Smoke, Loads) { EXPECT_TRUE(true); }
