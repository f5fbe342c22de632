# The MX rule against stand-in DNS and WinINet libraries. The test program,
# the plug-in, TakeCmd.dll and the stand-ins share a folder of their own
# (bin/mxtest), so only this test sees the stand-ins.
set(MX_TEST_DIR ${CMAKE_BINARY_DIR}/bin/mxtest)

foreach(stub dnsapi wininet)
  add_library(stub_${stub} SHARED ${CMAKE_CURRENT_LIST_DIR}/stubs/${stub}.cpp)
  set_target_properties(stub_${stub} PROPERTIES PREFIX "" OUTPUT_NAME ${stub} IMPORT_PREFIX "libstub_"
                        RUNTIME_OUTPUT_DIRECTORY ${MX_TEST_DIR})
  target_compile_options(stub_${stub} PRIVATE ${QUORVEL_WARNINGS})
  target_link_options(stub_${stub} PRIVATE ${QUORVEL_STATIC_LINK} -Wl,--kill-at)
endforeach()

quorvel_add_wine_test(mx_test CORE REGISTRY
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mx_test.cpp
  LIBS test_support stub_dnsapi stub_wininet)
target_include_directories(mx_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
quorvel_place_beside(mx_test ${MX_TEST_DIR} ${MX_TEST_DIR})
set_tests_properties(mx_test PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=dnsapi,wininet=n")

# The MX rule through Wine's real resolver and connection test, against a DNS
# server in private network namespaces. Its own Wine prefix: the namespaces
# run a wineserver of their own, which must not share a prefix with the
# servers of the other tests.
add_executable(mx_resolver_test ${CMAKE_CURRENT_LIST_DIR}/resolver_test.cpp)
target_compile_options(mx_resolver_test PRIVATE ${QUORVEL_WARNINGS})
target_link_libraries(mx_resolver_test PRIVATE gtest gtest_main TakeCmd test_support)
target_link_options(mx_resolver_test PRIVATE ${QUORVEL_STATIC_LINK})
add_dependencies(mx_resolver_test Quorvel)
add_test(NAME mx_resolver_test
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/resolver_check.sh $<TARGET_FILE:mx_resolver_test>
                 ${CMAKE_BINARY_DIR}/wineprefix-net ${CMAKE_BINARY_DIR}/mx-resolver
                 ${QUORVEL_WINE} ${QUORVEL_WINE64}
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(mx_resolver_test PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
