# Runs a generator (SCRIPT, with OUT as its last argument) and fails if the
# result differs from the committed file. With REQUIRES, a path the generator
# reads, the check is skipped (prints "skipped: ...") when that path is missing.
if(DEFINED REQUIRES AND NOT EXISTS "${REQUIRES}")
  message("skipped: ${REQUIRES} is not installed")
  return()
endif()
execute_process(COMMAND ${PYTHON} ${SCRIPT} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "generator failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${COMMITTED} RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} is not what ${SCRIPT} makes; rerun the script")
endif()
