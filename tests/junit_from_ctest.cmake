# Makes a real JUnit report with ctest --output-junit, from a small project of
# three tests (one fails, one is disabled), and orders it with antorder-suite,
# through its target's emulator if it has one: the failing test must come
# first and the disabled one be left out.
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
