# Runs a program, through its target's emulator if it has one, with standard
# input at its end, and fails unless it exits 0 and prints exactly the expected
# file. A Windows console ends its lines with CR LF: with CRLF set they are read
# as plain LF. What the program printed is kept beside it, as PROGRAM.out, or
# as the file OUTPUT names. ARGS, words split as a shell splits them, are its
# arguments; WORKDIR, where it runs.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DEXPECTED=... -DCRLF=... [-DARGS=...]
#   [-DWORKDIR=...] [-DOUTPUT=...] -P expect_output.cmake
if(CMAKE_HOST_WIN32)
  set(noInput NUL)
else()
  set(noInput /dev/null)
endif()
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")
if(NOT WORKDIR)
  set(WORKDIR .)
endif()
if(NOT OUTPUT)
  set(OUTPUT ${PROGRAM}.out)
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS} INPUT_FILE ${noInput}
  WORKING_DIRECTORY ${WORKDIR} OUTPUT_VARIABLE output ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(CRLF)
  string(REPLACE "\r\n" "\n" output "${output}")
endif()
file(WRITE ${OUTPUT} "${output}")

if(NOT status EQUAL 0)
  message(FATAL_ERROR "${EMULATOR} ${PROGRAM} ended with ${status}:\n${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  execute_process(COMMAND diff ${EXPECTED} ${OUTPUT} OUTPUT_VARIABLE difference)
  message(FATAL_ERROR "${PROGRAM} printed other than ${EXPECTED}:\n${difference}")
endif()
message(STATUS "${PROGRAM} printed ${EXPECTED}")
