# The examples of README.md and docs/UserGuide.txt, run through the stand-in
# host with the shipped plug-in installed as the guide says (TLDs.txt beside
# it) and compared with what the documents show; examples that need DNS are
# skipped.
add_test(NAME docs_examples
         COMMAND ${QUORVEL_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/run_examples.py ${CMAKE_BINARY_DIR}/wine-run.sh
                 ${CMAKE_BINARY_DIR}/bin ${QUORVEL_SHIPPED_DLL} ${CMAKE_SOURCE_DIR}/tools/release/TLDs.txt
                 ${CMAKE_BINARY_DIR}/docs-examples ${CMAKE_SOURCE_DIR}/README.md
                 ${CMAKE_SOURCE_DIR}/docs/UserGuide.txt)
set_tests_properties(docs_examples PROPERTIES FIXTURES_REQUIRED wine)
