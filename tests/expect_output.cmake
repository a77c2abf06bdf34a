# Runs a program, through its target's emulator if it has one, with standard
# input at its end, and fails unless it exits 0 and prints exactly the expected
# file. A Windows console ends its lines with CR LF: with CRLF set they are read
# as plain LF. What the program printed is kept beside it, as PROGRAM.out, or
# as the file OUTPUT names. ARGS, words split as a shell splits them, are its
# arguments; WORKDIR, where it runs.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DEXPECTED=... -DCRLF=... [-DARGS=...]
#   [-DWORKDIR=...] [-DOUTPUT=...] -P expect_output.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
separate_arguments(ARGS UNIX_COMMAND "${ARGS}")
if(NOT WORKDIR)
  set(WORKDIR .)
endif()
if(NOT OUTPUT)
  set(OUTPUT ${PROGRAM}.out)
endif()
run_program(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS} WORKDIR ${WORKDIR} CRLF "${CRLF}"
  OUTPUT output OUTPUT_FILE ${OUTPUT})
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  execute_process(COMMAND diff ${EXPECTED} ${OUTPUT} OUTPUT_VARIABLE difference)
  message(FATAL_ERROR "${PROGRAM} printed other than ${EXPECTED}:\n${difference}")
endif()
message(STATUS "${PROGRAM} printed ${EXPECTED}")
