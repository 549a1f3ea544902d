# The splash on a screen smaller than its picture stands partly off screen.
if(TARGET splash_window_test)
  add_test(NAME splash_small_screen_test
           COMMAND splash_window_test --gtest_filter=SplashSmallScreenTest.*)
  set_tests_properties(splash_small_screen_test PROPERTIES
                       ENVIRONMENT KX_SCREEN=640x300x24 TIMEOUT 600)
endif()

# The log's time is UTC: checked where the local time is not.
if(TARGET environment_test)
  add_test(NAME log_utc_test
           COMMAND environment_test --gtest_filter=Env.LogIsFreshOrAppendedWithExactLines)
  set_tests_properties(log_utc_test PROPERTIES ENVIRONMENT TZ=IST-5:30 TIMEOUT 600
                       PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endif()
