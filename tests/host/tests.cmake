# The stand-in host's handling of its own errors (options, exit codes, long
# lines, help without a display); its batch language is exercised by the
# documents' examples (tests/docs).
add_test(NAME host_errors
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/host_check.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(host_errors PROPERTIES FIXTURES_REQUIRED wine)
