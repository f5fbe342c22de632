# Every source of the plug-in, named once, for the Windows builds (x86, x64)
# and the native build alike. Paths are relative to this folder; including
# this file sets the lists with absolute paths:
#   QUORVEL_PORTABLE_SOURCES  the platform-free code (every build)
#   QUORVEL_WIN32_SOURCES     the thin layer over Win32 (Windows builds only;
#                             the native build links fakes in its place)
#   QUORVEL_ENTRY_SOURCES     the library's entry routine (the DLL only)
# A .cpp file under src/ that none of the lists names stops the configuration.
set(QUORVEL_PORTABLE_SOURCES
  common/qstr.cpp
  plugin/plugin.cpp
  plugin/exports.cpp
  plugin/help.cpp
  settings/settings.cpp
  settings/command.cpp
  settings/tokenizer.cpp
  validate/validate.cpp
  validate/mx.cpp
  validate/tldfile.cpp
  textsource/textsource.cpp
  textsource/detect.cpp
  textsource/decode.cpp
  textsource/codepage_tables.cpp
)
set(QUORVEL_WIN32_SOURCES
  platform/os_win.cpp
  platform/os_textsource_win.cpp
  platform/os_dns_win.cpp
)
set(QUORVEL_ENTRY_SOURCES
  plugin/dllmain.cpp
)

foreach(list QUORVEL_PORTABLE_SOURCES QUORVEL_WIN32_SOURCES QUORVEL_ENTRY_SOURCES)
  list(TRANSFORM ${list} PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
endforeach()

file(GLOB_RECURSE quorvel_all_sources ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM quorvel_all_sources ${QUORVEL_PORTABLE_SOURCES} ${QUORVEL_WIN32_SOURCES}
     ${QUORVEL_ENTRY_SOURCES})
if(quorvel_all_sources)
  message(FATAL_ERROR "Sources not named in src/sources.cmake: ${quorvel_all_sources}")
endif()
