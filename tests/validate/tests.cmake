# The address validator, the MX rule and the list file.
set(VALIDATE_DIR ${CMAKE_CURRENT_LIST_DIR})

# The rules through the real exports, and white-box.
quorvel_add_wine_test(validate_tests REGISTRY
  SOURCES ${VALIDATE_DIR}/validator_test.cpp LIBS test_support)
quorvel_add_wine_test(validate_core_test CORE REGISTRY
  SOURCES ${VALIDATE_DIR}/validate_core_test.cpp LIBS test_support)
add_test(NAME validate_e2e
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/support/run-host.sh ${CMAKE_BINARY_DIR}/wine-run.sh
                 ${CMAKE_BINARY_DIR}/bin ${VALIDATE_DIR}/validate.btm ${VALIDATE_DIR}/validate.expected 3)
set_tests_properties(validate_e2e PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)

# The MX rule against stand-in DNS and WinINet libraries. The test program,
# the plug-in, TakeCmd.dll and the stand-ins share a folder of their own
# (bin/mxtest), so only this test sees the stand-ins.
set(MX_TEST_DIR ${CMAKE_BINARY_DIR}/bin/mxtest)
foreach(stub dnsapi wininet)
  add_library(stub_${stub} SHARED ${VALIDATE_DIR}/stubs/${stub}.cpp)
  set_target_properties(stub_${stub} PROPERTIES PREFIX "" OUTPUT_NAME ${stub} IMPORT_PREFIX "libstub_"
                        RUNTIME_OUTPUT_DIRECTORY ${MX_TEST_DIR})
  target_compile_options(stub_${stub} PRIVATE ${QUORVEL_WARNINGS})
  target_link_options(stub_${stub} PRIVATE ${QUORVEL_STATIC_LINK} -Wl,--kill-at)
endforeach()
quorvel_add_wine_test(validate_mx_test CORE REGISTRY
  SOURCES ${VALIDATE_DIR}/mx_test.cpp
  LIBS test_support stub_dnsapi stub_wininet)
quorvel_place_beside(validate_mx_test ${MX_TEST_DIR} ${MX_TEST_DIR})
set_tests_properties(validate_mx_test PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=dnsapi,wininet=n")

# The MX rule through Wine's real resolver and connection test, against a DNS
# server in private network namespaces. Its own Wine prefix: the namespaces
# run a wineserver of their own, which must not share a prefix with the
# servers of the other tests.
# The program has a folder of its own (bin/resolver), with the stand-in
# dnsapi.dll beside it as a decoy that the plug-in must not load.
set(RESOLVER_DIR ${CMAKE_BINARY_DIR}/bin/resolver)
add_executable(validate_mx_resolver_test ${VALIDATE_DIR}/resolver_test.cpp)
target_compile_options(validate_mx_resolver_test PRIVATE ${QUORVEL_WARNINGS})
target_link_libraries(validate_mx_resolver_test PRIVATE gtest gtest_main TakeCmd test_support)
target_link_options(validate_mx_resolver_test PRIVATE ${QUORVEL_STATIC_LINK})
quorvel_place_beside(validate_mx_resolver_test ${RESOLVER_DIR} ${RESOLVER_DIR})
add_custom_command(
  OUTPUT ${RESOLVER_DIR}/dnsapi.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:stub_dnsapi> ${RESOLVER_DIR}/dnsapi.dll
  DEPENDS stub_dnsapi validate_mx_resolver_test_files
  COMMENT "Decoy dnsapi.dll beside validate_mx_resolver_test")
add_custom_target(validate_mx_resolver_decoy DEPENDS ${RESOLVER_DIR}/dnsapi.dll)
add_dependencies(validate_mx_resolver_test validate_mx_resolver_decoy)
add_test(NAME validate_mx_resolver_test
         COMMAND sh ${VALIDATE_DIR}/resolver_check.sh $<TARGET_FILE:validate_mx_resolver_test>
                 ${CMAKE_BINARY_DIR}/wineprefix-net ${CMAKE_BINARY_DIR}/mx-resolver
                 ${QUORVEL_WINE} ${QUORVEL_WINE64}
         WORKING_DIRECTORY ${RESOLVER_DIR})
set_tests_properties(validate_mx_resolver_test PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 LABELS wine)

# The list file through the real exports. The test program has a folder of its
# own (bin/tldtest) and loads a copy of the plug-in from bin/tldtest/plugin, so
# the list files it writes are seen by no other test.
set(TLD_TEST_DIR ${CMAKE_BINARY_DIR}/bin/tldtest)
quorvel_add_wine_test(validate_tldfile_test REGISTRY
  SOURCES ${VALIDATE_DIR}/tldfile_test.cpp LIBS test_support)
quorvel_place_beside(validate_tldfile_test ${TLD_TEST_DIR} ${TLD_TEST_DIR}/plugin)

# Every reader call failing in turn during a lookup (white-box, through the
# replaceable tables of src/platform).
quorvel_add_wine_test(validate_listfile_faults_test CORE
  SOURCES ${VALIDATE_DIR}/listfile_faults_test.cpp ${CMAKE_SOURCE_DIR}/tests/textsource/os_faults.cpp
  LIBS test_support)

# The limits of every input. The boundary test goes through the real exports;
# it has a folder of its own (bin/boundary) and loads a copy of the plug-in
# from bin/boundary/plugin, so the list files it writes are seen by no other
# test. The module path test puts library paths at the limit of the path
# buffer through the platform table (white-box).
set(BOUNDARY_DIR ${CMAKE_BINARY_DIR}/bin/boundary)
quorvel_add_wine_test(validate_boundary_test REGISTRY
  SOURCES ${VALIDATE_DIR}/boundary_test.cpp LIBS test_support)
quorvel_place_beside(validate_boundary_test ${BOUNDARY_DIR} ${BOUNDARY_DIR}/plugin)
quorvel_add_wine_test(validate_module_path_test CORE
  SOURCES ${VALIDATE_DIR}/module_path_test.cpp LIBS test_support)

# The committed table of the characters a local part refuses is what its
# generator makes today.
add_test(NAME validate_invisible_generated
         COMMAND ${CMAKE_COMMAND} -DPYTHON=${QUORVEL_PYTHON} -DSCRIPT=${CMAKE_SOURCE_DIR}/tools/gen_invisible.py
                 -DCOMMITTED=${CMAKE_SOURCE_DIR}/src/validate/invisible_table.cpp
                 -DOUT=${CMAKE_BINARY_DIR}/invisible_table.check.cpp -P ${CMAKE_SOURCE_DIR}/tests/support/check_generated.cmake)
