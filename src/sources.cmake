# Every source of the plug-in, named once, for the Windows builds (x86, x64)
# and the native build alike. Paths are relative to this folder; including
# this file sets the lists with absolute paths:
#   QUORVEL_PORTABLE_SOURCES  the platform-free code (every build)
#   QUORVEL_WIN32_SOURCES     the thin layer over Win32 (Windows builds only;
#                             the native build links fakes in its place), the
#                             guard's source among it
#   QUORVEL_GUARD_SOURCES     the stack protector's guard and failure routines
#                             (also built into the test release_failfast)
#   QUORVEL_ENTRY_SOURCES     the library's entry routine (the DLL only)
# A .cpp file under src/ that none of the lists names stops the configuration,
# and so does an include that runs upward in the stack of folders below.
set(QUORVEL_PORTABLE_SOURCES
  common/qstr.cpp
  platform/host.cpp
  plugin/plugin.cpp
  plugin/exports.cpp
  plugin/help.cpp
  settings/settings.cpp
  settings/command.cpp
  settings/tokenizer.cpp
  validate/validate.cpp
  validate/mx.cpp
  validate/tldfile.cpp
  validate/fastscan.cpp
  validate/invisible_table.cpp
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
set(QUORVEL_GUARD_SOURCES
  platform/stackguard_win.cpp
)
set(QUORVEL_ENTRY_SOURCES
  plugin/dllmain.cpp
)

foreach(list QUORVEL_PORTABLE_SOURCES QUORVEL_WIN32_SOURCES QUORVEL_GUARD_SOURCES QUORVEL_ENTRY_SOURCES)
  list(TRANSFORM ${list} PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
endforeach()
list(APPEND QUORVEL_WIN32_SOURCES ${QUORVEL_GUARD_SOURCES})

file(GLOB_RECURSE quorvel_all_sources ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM quorvel_all_sources ${QUORVEL_PORTABLE_SOURCES} ${QUORVEL_WIN32_SOURCES}
     ${QUORVEL_ENTRY_SOURCES})
if(quorvel_all_sources)
  message(FATAL_ERROR "Sources not named in src/sources.cmake: ${quorvel_all_sources}")
endif()

# The folders of src/ form a stack: each includes only itself and the folders
# before it in this list.
set(QUORVEL_LAYERS common platform textsource settings validate plugin)
file(GLOB_RECURSE quorvel_all_files ${CMAKE_CURRENT_LIST_DIR}/*.cpp ${CMAKE_CURRENT_LIST_DIR}/*.h
     ${CMAKE_CURRENT_LIST_DIR}/*.in)
foreach(file ${quorvel_all_files})
  file(RELATIVE_PATH rel ${CMAKE_CURRENT_LIST_DIR} ${file})
  string(REGEX REPLACE "/.*" "" folder ${rel})
  list(FIND QUORVEL_LAYERS ${folder} level)
  file(STRINGS ${file} includes REGEX "^#include \"[a-z]+/")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" used "${line}")
    list(FIND QUORVEL_LAYERS ${used} usedLevel)
    if(level LESS 0 OR usedLevel GREATER level)
      message(FATAL_ERROR "src/${rel} includes ${used}/, which stands above ${folder}/ (see src/sources.cmake)")
    endif()
  endforeach()
endforeach()
