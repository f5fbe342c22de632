# The list file through the real exports. The test program has a folder of its
# own (bin/tldtest) and loads a copy of the plug-in from bin/tldtest/plugin, so
# the list files it writes are seen by no other test.
set(TLD_TEST_DIR ${CMAKE_BINARY_DIR}/bin/tldtest)

quorvel_add_wine_test(tldfile_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tldfile_test.cpp
  LIBS test_support)
set_target_properties(tldfile_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TLD_TEST_DIR})

add_custom_command(
  OUTPUT ${TLD_TEST_DIR}/TakeCmd.dll ${TLD_TEST_DIR}/plugin/Quorvel-x86.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TLD_TEST_DIR}/plugin
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:TakeCmd> ${TLD_TEST_DIR}/TakeCmd.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Quorvel> ${TLD_TEST_DIR}/plugin/Quorvel-x86.dll
  DEPENDS TakeCmd Quorvel
  COMMENT "Plug-in and host beside the list file test")
add_custom_target(tldfile_test_files DEPENDS ${TLD_TEST_DIR}/TakeCmd.dll ${TLD_TEST_DIR}/plugin/Quorvel-x86.dll)
add_dependencies(tldfile_test tldfile_test_files)
