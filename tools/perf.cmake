# Throughput benchmark (tools/perf): not part of the default build nor of the
# test suite. Build with the target `perf`; tools/perf/run_all.sh builds and
# runs everything and prints the table.
#
# Everything lands in bin/perf, a folder of its own: the benchmark, the
# white-box profile of the list-file lookup, the plug-in, the stand-in host
# and the stand-in DNS client and WinINet (used only when Wine is told to
# prefer them: WINEDLLOVERRIDES=dnsapi,wininet=n).
set(PERF_DIR ${CMAKE_BINARY_DIR}/bin/perf)
set(PERF_SRC ${CMAKE_CURRENT_LIST_DIR}/perf)

foreach(stub dnsapi wininet)
  add_library(perf_stub_${stub} SHARED EXCLUDE_FROM_ALL ${PERF_SRC}/stubs/${stub}.cpp)
  set_target_properties(perf_stub_${stub} PROPERTIES PREFIX "" OUTPUT_NAME ${stub} IMPORT_PREFIX "libperf_stub_"
                        RUNTIME_OUTPUT_DIRECTORY ${PERF_DIR})
  target_compile_options(perf_stub_${stub} PRIVATE ${QUORVEL_WARNINGS})
  target_link_options(perf_stub_${stub} PRIVATE ${QUORVEL_STATIC_LINK} -Wl,--kill-at)
endforeach()

add_executable(perf_bench EXCLUDE_FROM_ALL ${PERF_SRC}/bench.cpp)
target_compile_options(perf_bench PRIVATE ${QUORVEL_WARNINGS} -O2)
# The plug-in's file name for this platform (common/version.h).
target_include_directories(perf_bench PRIVATE ${CMAKE_SOURCE_DIR}/src ${QUORVEL_GENERATED})
target_link_libraries(perf_bench PRIVATE TakeCmd advapi32)
target_link_options(perf_bench PRIVATE ${QUORVEL_STATIC_LINK})

add_executable(perf_profile EXCLUDE_FROM_ALL ${PERF_SRC}/profile_tld.cpp)
target_compile_options(perf_profile PRIVATE ${QUORVEL_WARNINGS} -O2)
target_link_libraries(perf_profile PRIVATE quorvel_core TakeCmd)
target_link_options(perf_profile PRIVATE ${QUORVEL_STATIC_LINK})

set_target_properties(perf_bench perf_profile PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PERF_DIR})

add_custom_command(
  OUTPUT ${PERF_DIR}/TakeCmd.dll ${PERF_DIR}/${QUORVEL_DLL_NAME}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PERF_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:TakeCmd> ${PERF_DIR}/TakeCmd.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Quorvel> ${PERF_DIR}/${QUORVEL_DLL_NAME}
  DEPENDS TakeCmd Quorvel
  COMMENT "Plug-in and host beside the benchmark")
add_custom_target(perf_files DEPENDS ${PERF_DIR}/TakeCmd.dll ${PERF_DIR}/${QUORVEL_DLL_NAME})

add_custom_target(perf)
add_dependencies(perf perf_bench perf_profile perf_files perf_stub_dnsapi perf_stub_wininet)
