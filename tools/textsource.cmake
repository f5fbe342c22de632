# Benchmark of the text source reader (not built by default):
#   cmake --build BUILD --target bench_textsource
#   BUILD/wine-run.sh BUILD/bin/bench_textsource.exe
add_executable(bench_textsource EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/tools/bench_textsource.cpp)
target_include_directories(bench_textsource PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(bench_textsource PRIVATE ${QUORVEL_WARNINGS} -O2)
target_link_libraries(bench_textsource PRIVATE quorvel_core TakeCmd)
target_link_options(bench_textsource PRIVATE ${QUORVEL_STATIC_LINK})
