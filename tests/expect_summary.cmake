# Runs antorder-suite, through its target's emulator if it has one, on the
# example suite copied with CR LF line ends to a folder and a file whose names
# hold spaces and letters beyond ASCII, writing its order beside it. Fails
# unless it exits 0, prints exactly the summary checked in (CR LF read as LF
# with CRLF set) and the order file is there.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DSUITE=... -DEXPECTED=... -DWORK=... -DCRLF=... -P expect_summary.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
set(folder "dossier é")
set(suite "${folder}/boutique en ligne ü.csv")
file(REMOVE_RECURSE "${WORK}")
file(READ ${SUITE} content)
string(REPLACE "\n" "\r\n" content "${content}")
file(WRITE "${WORK}/${suite}" "${content}")

run_program(COMMAND ${EMULATOR} ${PROGRAM} "${suite}" --order "${folder}/ordre ü.txt"
  WORKDIR ${WORK} CRLF "${CRLF}" OUTPUT output)
file(READ ${EXPECTED} expected)
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "${PROGRAM} printed another summary:\n${output}")
endif()
if(NOT EXISTS "${WORK}/${folder}/ordre ü.txt")
  message(FATAL_ERROR "${PROGRAM} did not write \"${folder}/ordre ü.txt\"")
endif()
message(STATUS "${PROGRAM} printed the example's summary")
