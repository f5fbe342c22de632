# Batch files through the stand-in host with the built plug-in.
add_test(NAME e2e_validate
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/run-host.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/bin
                 ${CMAKE_CURRENT_LIST_DIR}/validate.btm ${CMAKE_CURRENT_LIST_DIR}/validate.expected 3)
set_tests_properties(e2e_validate PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
