# Makes a real JUnit report with ctest --output-junit, from a small project of
# three tests (one fails, one is disabled), and orders it with antorder-suite,
# through its target's emulator if it has one: the failing test must come
# first and the disabled one be left out.
#
# cmake -DEMULATOR=... -DPROGRAM=... -DWORK=... -DCRLF=... -P junit_from_ctest.cmake
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
execute_process(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${WORK}/build"
  OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the small project did not configure")
endif()
# The failing test makes ctest exit 8; the report is what counts.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${WORK}/build"
  --output-junit "${WORK}/reports/run-0001.xml" OUTPUT_QUIET ERROR_QUIET)

execute_process(COMMAND ${EMULATOR} ${PROGRAM} "${WORK}/reports" --order "${WORK}/order.txt"
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ended with ${status}:\n${errors}")
endif()
if(CRLF)
  string(REPLACE "\r\n" "\n" output "${output}")
endif()
string(FIND "${output}" "tests: 2\nfailures: 1\n" counts)
if(counts EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} read another history from ctest's report:\n${output}")
endif()
file(STRINGS "${WORK}/order.txt" order)
if(NOT order STREQUAL "login_lockout;cart_total")
  message(FATAL_ERROR "${PROGRAM} ordered ctest's tests as ${order}")
endif()
message(STATUS "${PROGRAM} ordered ctest's own report, the failing test first")
