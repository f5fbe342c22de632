# The list file through the real exports. The test program has a folder of its
# own (bin/tldtest) and loads a copy of the plug-in from bin/tldtest/plugin, so
# the list files it writes are seen by no other test.
set(TLD_TEST_DIR ${CMAKE_BINARY_DIR}/bin/tldtest)

quorvel_add_wine_test(tldfile_test REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tldfile_test.cpp
  LIBS test_support)
quorvel_place_beside(tldfile_test ${TLD_TEST_DIR} ${TLD_TEST_DIR}/plugin)

