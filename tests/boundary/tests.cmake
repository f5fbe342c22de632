# The limits of every input. boundary_test goes through the real exports; it
# has a folder of its own (bin/boundary) and loads a copy of the plug-in from
# bin/boundary/plugin, so the list files it writes are seen by no other test.
# boundary_module_path_test puts library paths at the limit of the path
# buffer through the platform table (white-box).
set(BOUNDARY_DIR ${CMAKE_BINARY_DIR}/bin/boundary)

quorvel_add_wine_test(boundary_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/boundary_test.cpp LIBS test_support)
quorvel_place_beside(boundary_test ${BOUNDARY_DIR} ${BOUNDARY_DIR}/plugin)

quorvel_add_wine_test(boundary_module_path_test CORE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/module_path_test.cpp LIBS test_support)
