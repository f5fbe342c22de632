# The platform layer's contract against the real Win32 layer (the same cases
# run against the fakes in the native build).
quorvel_add_wine_test(platform_contract_test CORE REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/os_contract_test.cpp ${CMAKE_CURRENT_LIST_DIR}/os_contract_win.cpp)
