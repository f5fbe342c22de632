# Settings, the argument tokenizer and the command: start-up loading through
# the exports; loading and saving against the real (Wine) registry, also with
# failures put in through the platform table (white-box); the tokenizer; the
# command through its export and white-box; two runs of the stand-in host
# that share the saved options.
set(SETTINGS_DIR ${CMAKE_CURRENT_LIST_DIR})
quorvel_add_wine_test(settings_tests REGISTRY
  SOURCES ${SETTINGS_DIR}/settings_test.cpp LIBS test_support)
quorvel_add_wine_test(settings_core_test CORE REGISTRY
  SOURCES ${SETTINGS_DIR}/settings_core_test.cpp LIBS test_support)
quorvel_add_wine_test(settings_registry_faults_test CORE REGISTRY
  SOURCES ${SETTINGS_DIR}/registry_faults_test.cpp LIBS test_support)
quorvel_add_wine_test(settings_tokenizer_test CORE
  SOURCES ${SETTINGS_DIR}/tokenizer_test.cpp LIBS test_support)
quorvel_add_wine_test(settings_command_core_test CORE REGISTRY
  SOURCES ${SETTINGS_DIR}/command_core_test.cpp LIBS test_support)
quorvel_add_wine_test(settings_command_test REGISTRY
  SOURCES ${SETTINGS_DIR}/command_test.cpp LIBS test_support)
add_test(NAME settings_command_e2e
         COMMAND sh ${SETTINGS_DIR}/e2e.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/bin
                 ${QUORVEL_WINEPREFIX})
set_tests_properties(settings_command_e2e PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
