# Creates the Wine prefix of the build, once. Later runs find it ready.
if(EXISTS "${PREFIX}/system.reg")
  return()
endif()
execute_process(COMMAND ${RUNNER} wineboot -i RESULT_VARIABLE rc)
execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${PREFIX} wineserver -w)
if(NOT EXISTS "${PREFIX}/system.reg")
  message(FATAL_ERROR "Wine prefix was not created (wineboot: ${rc})")
endif()
