# cmake -P script: runs PROGRAM (with EXTRA) on a fresh SQLite database file DB and fails unless it
# exits with 0 and its output matches EXPECTED.
file(REMOVE "${DB}")
execute_process(COMMAND "${PROGRAM}" "Driver={SQLite3};Database=${DB};Timeout=5000;" ${EXTRA}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
file(REMOVE "${DB}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ended with ${rc}")
endif()
if(NOT out MATCHES "${EXPECTED}")
  message(FATAL_ERROR "the output lacks: ${EXPECTED}")
endif()
