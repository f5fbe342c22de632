# The native benchmark of the plug-in's own work (native_bench.cpp), part of
# the native build (tests/native) but not of its tests: the platform-free
# sources and the fakes built once more, at -O2 (with symbols, for profiling)
# and without sanitizers, with the hardening of the shipped libraries.
quorvel_native_core(quorvel_plain FAKES quorvel_fakes_plain -O2 -gdwarf-4 ${QUORVEL_HARDENING})

add_executable(native_bench ${CMAKE_CURRENT_LIST_DIR}/native_bench.cpp)
target_compile_options(native_bench PRIVATE ${QUORVEL_WARNINGS} -O2 -gdwarf-4)
target_link_libraries(native_bench PRIVATE quorvel_plain)
