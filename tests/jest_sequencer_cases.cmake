# The Jest sequencer's cases that need node alone, not Jest nor the npm
# registry (jest_sequencer_cases.js). Skipped where node is missing.
#
# cmake -DSEQUENCER=... -DWORK=... -P jest_sequencer_cases.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(NODE NAMES node nodejs)
if(NOT NODE)
  skip_check("no node (Debian: nodejs)")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
run_program(COMMAND ${NODE} "${CMAKE_CURRENT_LIST_DIR}/jest_sequencer_cases.js" "${SEQUENCER}" "${WORK}")
