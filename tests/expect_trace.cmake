# Runs antorder-suite with --trace on the built-in suite written as CSV, through
# its target's emulator if it has one, and fails unless it exits 0 and its first
# 100 lines are exactly the iteration lines of the built-in report (its lines
# 3 to 102). With CRLF set, CR LF line ends are read as LF.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DSUITE=... -DREPORT=... -DCRLF=... -P expect_trace.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
run_program(COMMAND ${EMULATOR} ${PROGRAM} --trace ${SUITE} CRLF "${CRLF}" OUTPUT output)

# The report's iteration lines each begin with their newline; the trace's end with it.
file(READ ${REPORT} report)
string(FIND "${report}" "\n Final solution:" end)
string(FIND "${report}" "\n Iteration=1," begin)
math(EXPR length "${end} - ${begin}")
string(SUBSTRING "${report}" ${begin} ${length} iterations)
string(SUBSTRING "${iterations}" 1 -1 iterations)
string(APPEND iterations "\n")
string(LENGTH "${iterations}" traceLength)
string(SUBSTRING "${output}" 0 ${traceLength} trace)
if(NOT trace STREQUAL iterations)
  message(FATAL_ERROR "${PROGRAM} traced other than the built-in report's iterations:\n${output}")
endif()
message(STATUS "${PROGRAM} traced the built-in report's 100 iteration lines")
