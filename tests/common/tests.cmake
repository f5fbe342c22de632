# The shared helpers: bounded texts and byte searches (white-box).
quorvel_add_wine_test(common_test CORE SOURCES ${CMAKE_CURRENT_LIST_DIR}/common_test.cpp)
