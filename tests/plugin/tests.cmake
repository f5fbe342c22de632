quorvel_add_wine_test(plugin_tests REGISTRY
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/lifecycle_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/validator_test.cpp
  LIBS test_support version)

add_test(NAME plugin_imports
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/../check-imports.sh ${QUORVEL_OBJDUMP} $<TARGET_FILE:Quorvel>)
