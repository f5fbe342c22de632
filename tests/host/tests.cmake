# The stand-in host's handling of its own errors (options, exit codes, long
# lines, help without a display); its batch language is exercised by the
# documents' examples (tests/docs).
add_test(NAME host_errors
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/host_check.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(host_errors PROPERTIES FIXTURES_REQUIRED wine)
# host.sh itself, in a build that it would find as build/ARCH (with a
# tryout and a list file of the test's own, in the build's Wine prefix).
get_filename_component(build_name ${CMAKE_BINARY_DIR} NAME)
if(build_name STREQUAL QUORVEL_PLATFORM)
  add_test(NAME host_tryout COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/tryout_check.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set_tests_properties(host_tryout PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
endif()
