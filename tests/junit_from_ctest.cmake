# Makes a real JUnit report with ctest --output-junit, from a small project of
# three tests (one fails, one is disabled), and orders it with antorder-suite,
# through its target's emulator if it has one: the failing test must come
# first and the disabled one be left out. Then a run of a project that has no
# test left, whose report ctest writes empty: that run is left out with a
# warning, and the order still comes from the run before it. Last, runs split
# over two shards, each shard's report written by its own ctest run: every
# shard prints the same fingerprint of its inputs on one history, another
# once a shard report joins it, and a warning names the newest run while only
# some of its shards' reports are in.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DWORK=... -DCRLF=... -P junit_from_ctest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/project/CMakeLists.txt" [=[
cmake_minimum_required(VERSION 3.21)
project(shop NONE)
enable_testing()
add_test(NAME cart_total COMMAND ${CMAKE_COMMAND} -E true)
add_test(NAME login_lockout COMMAND ${CMAKE_COMMAND} -E false)
add_test(NAME stock_race COMMAND ${CMAKE_COMMAND} -E true)
set_tests_properties(stock_race PROPERTIES DISABLED TRUE)
]=])
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${WORK}/build")
# The failing test makes ctest exit 8; the report is what counts.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${WORK}/build"
  --output-junit "${WORK}/reports/run-0001.xml" OUTPUT_QUIET ERROR_QUIET)

run_program(COMMAND ${EMULATOR} ${PROGRAM} "${WORK}/reports" --order "${WORK}/order.txt"
  CRLF "${CRLF}" OUTPUT output)
string(FIND "${output}" "tests: 2\nfailures: 1\n" counts)
if(counts EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} read another history from ctest's report:\n${output}")
endif()
file(STRINGS "${WORK}/order.txt" order)
if(NOT order STREQUAL "login_lockout;cart_total")
  message(FATAL_ERROR "${PROGRAM} ordered ctest's tests as ${order}")
endif()
message(STATUS "${PROGRAM} ordered ctest's own report, the failing test first")

# A run in which nothing ran is no reason to stop ordering.
file(WRITE "${WORK}/empty/CMakeLists.txt" [=[
cmake_minimum_required(VERSION 3.21)
project(empty NONE)
enable_testing()
]=])
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/empty" -B "${WORK}/empty-build")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${WORK}/empty-build"
  --output-junit "${WORK}/reports/run-0002.xml" OUTPUT_QUIET ERROR_QUIET)
if(NOT EXISTS "${WORK}/reports/run-0002.xml")
  message(FATAL_ERROR "ctest wrote no report of a project without tests")
endif()
run_program(COMMAND ${EMULATOR} ${PROGRAM} "${WORK}/reports" --order "${WORK}/order.txt"
  CRLF "${CRLF}" ERRORS errors)
string(FIND "${errors}" "run-0002.xml: no test ran in the report; its run is left out" warned)
if(warned EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} did not name the empty run it left out:\n${errors}")
endif()
file(STRINGS "${WORK}/order.txt" order)
if(NOT order STREQUAL "login_lockout;cart_total")
  message(FATAL_ERROR "${PROGRAM} ordered ctest's tests past an empty run as ${order}")
endif()
message(STATUS "${PROGRAM} left out ctest's empty report and ordered the run before it")

# Shards of one run, each report ctest's own. Returns the fingerprint shard
# INDEX of 2 prints, its warnings in the caller's variable ERRORS_OUT.
function(order_shard index result errors_out)
  run_program(COMMAND ${EMULATOR} ${PROGRAM} "${WORK}/reports" --shard ${index}/2
    --order "${WORK}/shard-${index}.txt" CRLF "${CRLF}" ERRORS errors)
  if(NOT errors MATCHES "antorder-suite: inputs: ([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])")
    message(FATAL_ERROR "shard ${index}/2 printed no fingerprint of its inputs:\n${errors}")
  endif()
  set(${result} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  set(${errors_out} "${errors}" PARENT_SCOPE)
endfunction()
function(ctest_shard_report name test)
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${WORK}/build" -R "^${test}$"
    --output-junit "${WORK}/reports/${name}.xml" OUTPUT_QUIET ERROR_QUIET)
  if(NOT EXISTS "${WORK}/reports/${name}.xml")
    message(FATAL_ERROR "ctest wrote no report ${name}.xml")
  endif()
endfunction()
ctest_shard_report(run-0003-shard-1 cart_total)
ctest_shard_report(run-0003-shard-2 login_lockout)
order_shard(1 first errors)
order_shard(2 second errors)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two shards of one history printed fingerprints ${first} and ${second}")
endif()
if(errors MATCHES "lack shards")
  message(FATAL_ERROR "a run with all its shards' reports was warned of:\n${errors}")
endif()
# Shard 1 of the next run has finished before shard 2 orders.
ctest_shard_report(run-0004-shard-1 cart_total)
order_shard(2 late errors)
if(late STREQUAL first)
  message(FATAL_ERROR "a shard report joined the history and the fingerprint stayed ${late}")
endif()
string(FIND "${errors}" "the newest run seems to lack shards: run-0004: shard 1 of the 2 the run before had" warned)
if(warned EQUAL -1)
  message(FATAL_ERROR "the newest run's missing shard was not named:\n${errors}")
endif()
message(STATUS "shards of ctest's reports print one fingerprint, another once a shard report joins")
