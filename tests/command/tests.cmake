# The configuration command, its tokenizer, and help and usage.
# The message-box test needs an X display (run ctest under xvfb-run -a);
# without one it checks only the results of Help.
quorvel_add_wine_test(command_tokenizer_test CORE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tokenizer_test.cpp LIBS test_support)
quorvel_add_wine_test(command_core_test CORE REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_core_test.cpp LIBS test_support)
quorvel_add_wine_test(command_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_test.cpp LIBS test_support)
quorvel_add_wine_test(command_help_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/help_test.cpp LIBS test_support)
# End to end: two runs of the stand-in host share the saved options.
add_test(NAME command_e2e
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/e2e.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/bin
                 ${QUORVEL_WINEPREFIX})
set_tests_properties(command_e2e PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
