# Soak of the real plug-in (tools/soak): not part of the default build nor of
# the test suite. Build with the target `soak`; tools/soak.sh builds and runs
# it for both platforms.
#
# Everything lands in bin/soak, a folder of its own, so that the list file the
# soak writes and the stand-ins are seen by nothing else: the soak program,
# the plug-in, the stand-in host, the stand-in DNS client and WinINet of the
# MX test (used only when Wine is told to prefer them:
# WINEDLLOVERRIDES=dnsapi,wininet=n), and a corpus of addresses.
set(SOAK_DIR ${CMAKE_BINARY_DIR}/bin/soak)

add_executable(soak EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/soak/soak.cpp)
target_include_directories(soak PRIVATE ${CMAKE_SOURCE_DIR}/src ${QUORVEL_GENERATED} ${CMAKE_SOURCE_DIR}/tests
                           ${CMAKE_SOURCE_DIR}/tests/validate)
target_compile_options(soak PRIVATE ${QUORVEL_WARNINGS} -O2)
target_link_libraries(soak PRIVATE test_support gtest TakeCmd stub_dnsapi stub_wininet advapi32 psapi)
target_link_options(soak PRIVATE ${QUORVEL_STATIC_LINK})
quorvel_place_beside(soak ${SOAK_DIR} ${SOAK_DIR})

add_custom_command(
  OUTPUT ${SOAK_DIR}/dnsapi.dll ${SOAK_DIR}/wininet.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SOAK_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:stub_dnsapi> $<TARGET_FILE:stub_wininet> ${SOAK_DIR}
  DEPENDS stub_dnsapi stub_wininet
  COMMENT "Stand-in DNS client and WinINet beside the soak")
add_custom_command(
  OUTPUT ${SOAK_DIR}/corpus.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SOAK_DIR}
  COMMAND ${QUORVEL_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/perf/gen_corpus.py ${SOAK_DIR}/corpus.txt 20000
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/perf/gen_corpus.py
  COMMENT "Corpus of the soak")
add_custom_target(soak_data DEPENDS ${SOAK_DIR}/dnsapi.dll ${SOAK_DIR}/wininet.dll ${SOAK_DIR}/corpus.txt)
add_dependencies(soak soak_data)
