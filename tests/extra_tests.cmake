# The splash on a screen smaller than its picture stands partly off screen.
if(TARGET splash_window_test)
  add_test(NAME splash_small_screen_test
           COMMAND splash_window_test --gtest_filter=SplashSmallScreenTest.*)
  set_tests_properties(splash_small_screen_test PROPERTIES
                       ENVIRONMENT KX_SCREEN=640x300x24 TIMEOUT 600)
endif()
