# The release package works when unpacked beside the host, with this build's
# library and stand-in host.
if(QUORVEL_PACKAGE)
  add_test(NAME release_package
           COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/unpack-and-run.sh ${CMAKE_BINARY_DIR}/wine-run.sh ${QUORVEL_PACKAGE}
                   ${CMAKE_BINARY_DIR}/bin ${CMAKE_CURRENT_LIST_DIR}/package.btm ${CMAKE_CURRENT_LIST_DIR}/package.expected
                   ${QUORVEL_SHIPPED_DLL} ${QUORVEL_OBJDUMP})
  set_tests_properties(release_package PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
  # Signed with a certificate made for the test: both signatures verify, and
  # this build's library with its detached signature is the signed one.
  add_test(NAME release_signing
           COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/sign-test.sh ${QUORVEL_PACKAGE} ${QUORVEL_SHIPPED_DLL})
endif()

# Both libraries of the package carry the mitigations of docs/Security.md
# (checked once, in the build that makes the package).
if(QUORVEL_PACKAGE AND QUORVEL_X64_BUILD AND QUORVEL_PLATFORM STREQUAL x86)
  add_test(NAME release_mitigations
           COMMAND ${QUORVEL_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/check_pe.py ${PROJECT_VERSION} ${QUORVEL_PACKAGE})
endif()

# The committed TLDs.txt is what its generator makes from the pinned source
# today (skipped unless `npm ci` in tools/release has installed it).
add_test(NAME release_tlds_generated
         COMMAND ${CMAKE_COMMAND} -DPYTHON=${QUORVEL_PYTHON}
                 -DSCRIPT=${CMAKE_SOURCE_DIR}/tools/release/gen_tlds.py
                 -DREQUIRES=${CMAKE_SOURCE_DIR}/tools/release/node_modules/tlds
                 -DCOMMITTED=${CMAKE_SOURCE_DIR}/tools/release/TLDs.txt -DOUT=${CMAKE_BINARY_DIR}/TLDs.check.txt
                 -P ${CMAKE_SOURCE_DIR}/tests/support/check_generated.cmake)
set_tests_properties(release_tlds_generated PROPERTIES SKIP_REGULAR_EXPRESSION "skipped:")

# An overrun in a program built like the shipped plug-in (its flags, its stack
# guard and failure routines, libssp for the fortified calls' checks) ends the
# process with STATUS_STACK_BUFFER_OVERRUN and nothing more: a smashed cookie
# and a fortified memcpy, with fail-fast, without it, and without it where
# TerminateProcess fails once. The program takes the release build's
# optimisation in every build type (at -O0 the overrun runs past the frame
# into its own counter before any check) and no coverage instrumentation.
add_executable(release_failfast ${CMAKE_CURRENT_LIST_DIR}/failfast.cpp ${QUORVEL_GUARD_SOURCES})
target_include_directories(release_failfast PRIVATE ${CMAKE_SOURCE_DIR}/src)
separate_arguments(quorvel_release_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS_RELEASE}")
target_compile_options(release_failfast PRIVATE ${QUORVEL_WARNINGS} -fno-exceptions ${QUORVEL_HARDENING}
                       "$<$<NOT:$<CONFIG:Release>>:${quorvel_release_flags}>")
target_link_options(release_failfast PRIVATE ${QUORVEL_STATIC_LINK} -fstack-protector-strong)
add_test(NAME release_failfast COMMAND release_failfast WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(release_failfast PROPERTIES FIXTURES_REQUIRED wine)
