quorvel_add_wine_test(core_tests CORE REGISTRY
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/settings_core_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/validate_core_test.cpp
  LIBS test_support)
