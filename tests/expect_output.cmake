# Runs a program, through its target's emulator if it has one, with standard
# input at its end, and fails unless it exits 0 and prints exactly the expected
# file. A Windows console ends its lines with CR LF: with CRLF set they are read
# as plain LF. What the program printed is kept beside it, as PROGRAM.out.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DEXPECTED=... -DCRLF=... -P expect_output.cmake
if(CMAKE_HOST_WIN32)
  set(noInput NUL)
else()
  set(noInput /dev/null)
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} INPUT_FILE ${noInput}
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(CRLF)
  string(REPLACE "\r\n" "\n" output "${output}")
endif()
file(WRITE ${PROGRAM}.out "${output}")

if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EMULATOR} ${PROGRAM} ended with ${status}:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  execute_process(COMMAND diff ${EXPECTED} ${PROGRAM}.out OUTPUT_VARIABLE difference)
  message(FATAL_ERROR "${PROGRAM} printed other than ${EXPECTED}:\n${difference}")
endif()
message(STATUS "${PROGRAM} printed ${EXPECTED}")
