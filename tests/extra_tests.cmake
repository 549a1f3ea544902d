# The launch series runs side by side with the rest of launcher_test.
if(TARGET launcher_test)
  set_tests_properties(launcher_test PROPERTIES ENVIRONMENT "GTEST_FILTER=-*TwentyBad*")
  add_test(NAME launch_series_test COMMAND launcher_test --gtest_filter=*TwentyBad*)
  set_tests_properties(launch_series_test PROPERTIES TIMEOUT 600
                       PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test"
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endif()

# The log's time is UTC: checked where the local time is not.
if(TARGET environment_test)
  add_test(NAME log_utc_test
           COMMAND environment_test --gtest_filter=Env.LogIsFreshOrAppendedWithExactLines)
  set_tests_properties(log_utc_test PROPERTIES ENVIRONMENT TZ=IST-5:30 TIMEOUT 600
                       PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
                       FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
endif()

# The interface language's automatic rule under four user languages: Wine
# takes the user's default language from the Unix locale.
if(TARGET settings_test)
  foreach(case "de;de_CH.UTF-8;7:eng,deu,deu" "es;es_ES.UTF-8;10:eng,esp,esp"
               "pt;pt_BR.UTF-8;22:eng,eng,eng" "cs;cs_CZ.UTF-8;5:eng,ces,ces")
    list(GET case 0 name)
    list(GET case 1 locale)
    list(GET case 2 codes)
    add_test(NAME language_${name}_test
             COMMAND settings_test --gtest_filter=LanguageCode.Automatic*)
    set_tests_properties(language_${name}_test PROPERTIES
                         ENVIRONMENT "LC_ALL=${locale};KXT_EXPECTED_CODES=${codes}" TIMEOUT 600
                         PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test"
                         FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]|SKIPPED")
  endforeach()
endif()
