# The plug-in frame: the information record, start-up and the load message,
# the version resource; help and usage (the message-box test needs an X
# display, run ctest under xvfb-run -a; without one it checks only the
# results of Help); the import table.
quorvel_add_wine_test(plugin_tests REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/lifecycle_test.cpp
  LIBS test_support version)
quorvel_add_wine_test(plugin_help_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/help_test.cpp LIBS test_support)

add_test(NAME plugin_imports
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/../check-imports.sh ${QUORVEL_OBJDUMP} $<TARGET_FILE:Quorvel>)
