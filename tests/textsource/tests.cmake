# The text source reader: decoding, detection and tables on byte buffers;
# opening real files, standard input, the console and the clipboard; failures
# injected through the platform table. The console and clipboard tests need
# an X display (run ctest under xvfb-run -a) and skip without one.
set(TS_DIR ${CMAKE_CURRENT_LIST_DIR})

quorvel_add_wine_test(textsource_codec_test CORE
  SOURCES ${TS_DIR}/textbytes.cpp ${TS_DIR}/reader_test.cpp ${TS_DIR}/detect_test.cpp)

# Reports what the reader makes of its standard input ("-"); started by
# textsource_open_test with standard input redirected.
add_executable(textsource_stdin_child ${TS_DIR}/stdin_child.cpp)
target_include_directories(textsource_stdin_child PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(textsource_stdin_child PRIVATE ${QUORVEL_WARNINGS})
target_link_libraries(textsource_stdin_child PRIVATE quorvel_core TakeCmd)
target_link_options(textsource_stdin_child PRIVATE ${QUORVEL_STATIC_LINK})

quorvel_add_wine_test(textsource_open_test CORE
  SOURCES ${TS_DIR}/textbytes.cpp ${TS_DIR}/open_test.cpp ${TS_DIR}/faults_test.cpp
          ${TS_DIR}/os_faults.cpp)
add_dependencies(textsource_open_test textsource_stdin_child)

# Console input takes a console of its own, so it runs in a program of its own.
quorvel_add_wine_test(textsource_console_test CORE
  SOURCES ${TS_DIR}/textbytes.cpp ${TS_DIR}/console_test.cpp ${TS_DIR}/os_faults.cpp)

# The committed code-page tables are what the generator makes today.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_test(NAME textsource_codepages_generated
           COMMAND ${CMAKE_COMMAND} -DPYTHON=${Python3_EXECUTABLE}
                   -DSCRIPT=${CMAKE_SOURCE_DIR}/tools/gen_codepages.py
                   -DCOMMITTED=${CMAKE_SOURCE_DIR}/src/textsource/codepage_tables.cpp
                   -DOUT=${CMAKE_BINARY_DIR}/codepage_tables.check.cpp
                   -P ${CMAKE_SOURCE_DIR}/tests/support/check_generated.cmake)
endif()
