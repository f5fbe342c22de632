# The limits of every input. boundary_test goes through the real exports; it
# has a folder of its own (bin/boundary) and loads a copy of the plug-in from
# bin/boundary/plugin, so the list files it writes are seen by no other test.
# boundary_module_path_test puts library paths at the limit of the path
# buffer through the platform table (white-box).
set(BOUNDARY_DIR ${CMAKE_BINARY_DIR}/bin/boundary)

quorvel_add_wine_test(boundary_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/boundary_test.cpp LIBS test_support)
set_target_properties(boundary_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BOUNDARY_DIR})

add_custom_command(
  OUTPUT ${BOUNDARY_DIR}/TakeCmd.dll ${BOUNDARY_DIR}/plugin/Quorvel-x86.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BOUNDARY_DIR}/plugin
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:TakeCmd> ${BOUNDARY_DIR}/TakeCmd.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Quorvel> ${BOUNDARY_DIR}/plugin/Quorvel-x86.dll
  DEPENDS TakeCmd Quorvel
  COMMENT "Plug-in and host beside the boundary test")
add_custom_target(boundary_test_files DEPENDS ${BOUNDARY_DIR}/TakeCmd.dll ${BOUNDARY_DIR}/plugin/Quorvel-x86.dll)
add_dependencies(boundary_test boundary_test_files)

quorvel_add_wine_test(boundary_module_path_test CORE
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/module_path_test.cpp LIBS test_support)
