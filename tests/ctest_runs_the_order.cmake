# The ctest loop a project runs: a small project of five tests, three runs
# of it reported with ctest --output-junit, in the last of which one test
# starts failing; antorder-suite orders the history for the next run into
# ctest's cost-data file and the COST script. Then a serial ctest runs
# exactly the order, and ctest -j 2 starts the failing test first; with a
# budget, the tests it leaves out are disabled, and ctest runs the selection;
# the next run that writes no order, or fails to, runs every test.
#
# cmake -DPROGRAM=... -DWORK=... -P ctest_runs_the_order.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/project/CMakeLists.txt" [=[
cmake_minimum_required(VERSION 3.21)
project(shop NONE)
enable_testing()
# Each test notes that it started; a test fails while a file of its name is there.
foreach(test IN ITEMS cart_total login_lockout "search accents" stock_race mail_reset)
  add_test(NAME "${test}" COMMAND sh -c
    "echo '${test}' >> '${CMAKE_BINARY_DIR}/started.txt'; sleep 0.2; test ! -e '${CMAKE_BINARY_DIR}/fail-${test}'")
endforeach()
include(${CMAKE_BINARY_DIR}/antorder-costs.cmake OPTIONAL)
]=])
set(build "${WORK}/build")
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
foreach(run 1 2 3)
  if(run EQUAL 3)
    file(TOUCH "${build}/fail-stock_race")
  endif()
  # ctest exits 8 where a test fails: the report is what counts.
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}"
    --output-junit "${WORK}/reports/run-000${run}.xml" OUTPUT_QUIET ERROR_QUIET)
endforeach()

run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --order "${WORK}/order.txt"
  --ctest-costs "${build}/Testing/Temporary/CTestCostData.txt"
  --ctest-properties "${build}/antorder-costs.cmake")
file(STRINGS "${WORK}/order.txt" order)
list(GET order 0 first)
if(NOT first STREQUAL "stock_race")
  message(FATAL_ERROR "the failing test is not first in the order: ${order}")
endif()

# A test added since, which ctest lists for the next run: the order holds it.
# (before the COST script's include, which comes last)
file(READ "${WORK}/project/CMakeLists.txt" listing)
string(REPLACE "include(" "add_test(NAME coupon_new COMMAND sh -c \"echo coupon_new >> '\${CMAKE_BINARY_DIR}/started.txt'\")\ninclude(" listing "${listing}")
file(WRITE "${WORK}/project/CMakeLists.txt" "${listing}")
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
run_program(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" --show-only=json-v1
  OUTPUT_FILE "${WORK}/next-tests.json")
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --tests "${WORK}/next-tests.json"
  --order "${WORK}/order.txt" --ctest-costs "${build}/Testing/Temporary/CTestCostData.txt"
  --ctest-properties "${build}/antorder-costs.cmake")
file(STRINGS "${WORK}/order.txt" order)
list(LENGTH order count)
list(FIND order coupon_new newAt)
if(NOT count EQUAL 6 OR newAt LESS 0)
  message(FATAL_ERROR "the order of the listed tests is ${order}")
endif()

# ctest -j 2 starts the tests by the cost-data file: the failing one first.
# The order they start in is read from ctest's own "Start" lines: a loaded
# machine may run a started test's first line later than the next one's.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" -j 2
  OUTPUT_VARIABLE ctestOutput ERROR_QUIET)
string(REGEX MATCHALL "Start +[0-9]+: [^\n]*" startLines "${ctestOutput}")
set(started "")
foreach(line IN LISTS startLines)
  string(REGEX REPLACE "^Start +[0-9]+: " "" name "${line}")
  string(STRIP "${name}" name)
  list(APPEND started "${name}")
endforeach()
# Two at a time: the order's first two together, then its third (ctest's own
# data would start the failing test first too, but the rest by their times).
# ctest reads a name of the file only up to a space: that test is not
# placed by it.
list(REMOVE_ITEM started "search accents")
list(REMOVE_ITEM order "search accents")
list(SUBLIST started 0 2 firstTwo)
list(SUBLIST order 0 2 orderFirstTwo)
list(SORT firstTwo)
list(SORT orderFirstTwo)
list(GET started 2 third)
list(GET order 2 orderThird)
if(NOT firstTwo STREQUAL orderFirstTwo OR NOT third STREQUAL orderThird)
  message(FATAL_ERROR "ctest -j 2 started ${started}, not by the order ${order}")
endif()

# A serial ctest, once cmake has read the COST script, runs the order exactly.
# The script served the run of ctest -j 2 above: the order is written anew.
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --tests "${WORK}/next-tests.json"
  --order "${WORK}/order.txt" --ctest-properties "${build}/antorder-costs.cmake")
file(STRINGS "${WORK}/order.txt" order)
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
file(REMOVE "${build}/started.txt")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" OUTPUT_QUIET ERROR_QUIET)
file(STRINGS "${build}/started.txt" started)
if(NOT started STREQUAL order)
  message(FATAL_ERROR "a serial ctest ran ${started}, not the order ${order}")
endif()

# Four shards by label: the COST script labels each test with its shard,
# and a serial ctest -L runs one shard's tests alone, in its order; over
# the four, every test runs once.
set(all)
foreach(shard 1 2 3 4)
  run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --tests "${WORK}/next-tests.json"
    --shard ${shard}/4 --order "${WORK}/shard.txt" --ctest-properties "${build}/antorder-costs.cmake")
  file(STRINGS "${WORK}/shard.txt" share)
  run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
  file(REMOVE "${build}/started.txt")
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" -L "^antorder-shard-${shard}$"
    OUTPUT_QUIET ERROR_QUIET)
  file(STRINGS "${build}/started.txt" started)
  if(NOT started STREQUAL share)
    message(FATAL_ERROR "ctest -L antorder-shard-${shard} ran ${started}, not the shard ${share}")
  endif()
  list(APPEND all ${started})
endforeach()
list(SORT all)
set(sorted ${order})
list(SORT sorted)
if(NOT all STREQUAL sorted)
  message(FATAL_ERROR "the four shards ran ${all}, not each of ${sorted} once")
endif()

# With a budget, the COST script disables the tests the budget leaves out:
# a serial ctest runs the selection alone, in its order.
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --budget 0.5
  --tests "${WORK}/next-tests.json" --order "${WORK}/selection.txt" --rest "${WORK}/rest.txt"
  --ctest-properties "${build}/antorder-costs.cmake")
file(STRINGS "${WORK}/selection.txt" selection)
file(STRINGS "${WORK}/rest.txt" rest)
if(NOT selection OR NOT rest)
  message(FATAL_ERROR "the budget selected ${selection} and left ${rest}")
endif()
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
file(REMOVE "${build}/started.txt")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" OUTPUT_QUIET ERROR_QUIET)
file(STRINGS "${build}/started.txt" started)
if(NOT started STREQUAL selection)
  message(FATAL_ERROR "with a budget a serial ctest ran ${started}, not the selection ${selection}")
endif()

# The build folder is kept, and the next run writes no order (nothing to
# learn from yet, say): the budget's script, read again, sets nothing, and
# ctest runs every test, none disabled.
function(every_test_runs what)
  run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
  file(REMOVE "${build}/started.txt")
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}"
    OUTPUT_VARIABLE ctestOutput ERROR_QUIET)
  file(STRINGS "${build}/started.txt" started)
  list(SORT started)
  set(sorted ${order})
  list(SORT sorted)
  if(NOT started STREQUAL sorted OR ctestOutput MATCHES "Disabled")
    message(FATAL_ERROR "${what}: ctest ran ${started}, not every test:\n${ctestOutput}")
  endif()
endfunction()
every_test_runs("after a budget's run, with no order written")

# A budget's order is written, then the ordering fails (its list of tests
# is gone): no run of the budget's remains, and ctest runs every test.
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --budget 0.5
  --tests "${WORK}/next-tests.json" --ctest-properties "${build}/antorder-costs.cmake")
execute_process(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --budget 0.5
  --tests "${WORK}/gone.json" --ctest-properties "${build}/antorder-costs.cmake"
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "an ordering of a missing list ended with ${status}, not 2")
endif()
every_test_runs("after a failed ordering")
