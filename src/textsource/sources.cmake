# The text source reader and its platform calls.
target_sources(quorvel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/textsource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/detect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codepage_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../platform/os_textsource_win.cpp
)
