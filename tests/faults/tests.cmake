# Failures injected into the platform calls of the settings and of the list
# file lookup (white-box, through the replaceable tables of src/platform).
quorvel_add_wine_test(faults_registry_test CORE REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_faults_test.cpp LIBS test_support)
quorvel_add_wine_test(faults_listfile_test CORE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/listfile_faults_test.cpp
          ${CMAKE_SOURCE_DIR}/tests/textsource/os_faults.cpp
  LIBS test_support)
