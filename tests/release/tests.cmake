# The release package works when unpacked beside the host.
add_test(NAME release_package
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/unpack-and-run.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${QUORVEL_PACKAGE}
                 ${CMAKE_BINARY_DIR}/bin ${CMAKE_CURRENT_LIST_DIR}/package.btm ${CMAKE_CURRENT_LIST_DIR}/package.expected)
set_tests_properties(release_package PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
