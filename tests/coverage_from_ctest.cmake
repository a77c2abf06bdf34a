# Per-test coverage collected from ctest with real tools: a small GoogleTest
# project built with --coverage, its tests found by gtest_discover_tests
# (one value-parameterised, named Euro/Price.Rounds/150), one more added by
# hand under a name full of regular-expression characters that crashes, and
# one that fails. antorder-suite --collect-coverage runs them two at a time;
# each test's lines equal those lcov --capture finds after running that test
# alone, the failing and the crashing ones warned of. Tests that write the
# same counters for an object (Cart.Total and Cart.TotalAgain for cart.cpp,
# all but the Price test for price.cpp, Idle.Nothing for both) have them
# read by gcov once or twice, not once a test, and keep their own counts. The names meet ctest's
# JUnit report: with a history of two runs and a diff of a line only the
# parameterised test runs, that test comes first in the order. Skipped where
# gcov or lcov is missing.
#
# cmake -DPROGRAM=... -DWORK=... -P coverage_from_ctest.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(GCOV gcov)
find_program(LCOV lcov)
if(NOT GCOV OR NOT LCOV)
  skip_check("no gcov or no lcov (Debian: gcc, lcov)")
endif()
file(REMOVE_RECURSE "${WORK}")
set(project "${WORK}/project")
file(WRITE "${project}/CMakeLists.txt" [=[
cmake_minimum_required(VERSION 3.21)
project(shop CXX)
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_compile_options(--coverage -O0)
add_link_options(--coverage)
add_library(shop STATIC cart.cpp price.cpp)
add_executable(shop_tests shop_tests.cpp)
target_link_libraries(shop_tests PRIVATE shop GTest::gtest_main)
target_compile_definitions(shop_tests PRIVATE BUILD_DIR="${CMAKE_BINARY_DIR}")
gtest_discover_tests(shop_tests)
add_test(NAME "crash [it]+(1)^$" COMMAND shop_tests --gtest_filter=Stock.Crash)
set_tests_properties("crash [it]+(1)^$" PROPERTIES ENVIRONMENT "CRASH_NOW=1")
]=])
file(WRITE "${project}/cart.cpp" [=[
int total(int a, int b) {
  return a + b;
}
bool locked(int attempts) {
  if (attempts > 3) {
    return true;
  }
  return false;
}
]=])
file(WRITE "${project}/price.cpp" [=[
int rounded(int cents) {
  int euros = cents / 100;
  if (cents % 100 >= 50) {
    euros = euros + 1;
  }
  return euros;
}
]=])
file(WRITE "${project}/shop_tests.cpp" [=[
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
int total(int a, int b);
bool locked(int attempts);
int rounded(int cents);
TEST(Cart, Total) { EXPECT_EQ(total(1, 2), 3); }
TEST(Cart, TotalAgain) { EXPECT_EQ(total(1, 2), 3); }
TEST(Idle, Nothing) {}
// Fails while the build folder holds a file named fail-lockout.
TEST(Login, Lockout) {
  EXPECT_TRUE(locked(5));
  EXPECT_FALSE(std::ifstream(BUILD_DIR "/fail-lockout").good());
}
TEST(Stock, Crash) {
  EXPECT_FALSE(locked(1));
  // Crashes under its added name while the build folder holds a file named crash.
  if (std::getenv("CRASH_NOW") != nullptr && std::ifstream(BUILD_DIR "/crash").good()) std::abort();
}
struct Price : testing::TestWithParam<int> {};
TEST_P(Price, Rounds) { EXPECT_EQ(rounded(GetParam()), 2); }
INSTANTIATE_TEST_SUITE_P(Euro, Price, testing::Values(150));
]=])
set(build "${WORK}/build")
run_program(COMMAND ${CMAKE_COMMAND} -S "${project}" -B "${build}")
run_program(COMMAND ${CMAKE_COMMAND} --build "${build}")

# Two runs of history, every test passing.
foreach(run 1 2)
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}"
    --output-junit "${WORK}/reports/run-000${run}.xml" OUTPUT_QUIET ERROR_QUIET)
endforeach()

file(TOUCH "${build}/fail-lockout" "${build}/crash")
# The build folder named relative to the folder it runs in; gcov by way of
# a script that notes the data files it is handed.
file(WRITE "${WORK}/gcov-noted" "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '${WORK}/gcov-handed'\nexec '${GCOV}' \"$@\"\n")
file(CHMOD "${WORK}/gcov-noted" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
run_program(COMMAND ${PROGRAM} --collect-coverage build --output coverage.info --jobs 2
  --gcov "${WORK}/gcov-noted" WORKDIR "${WORK}" OUTPUT output ERRORS errors)
if(NOT errors MATCHES "warning: test Login.Lockout failed \\(exit status 1\\); its coverage is kept"
   OR NOT errors MATCHES "warning: test crash \\[it\\]\\+\\(1\\)\\^\\$ crashed \\(signal 6\\) and wrote no coverage data"
   OR NOT output MATCHES "tests run: 7 of 7\n")
  message(FATAL_ERROR "the collector said:\n${output}${errors}")
endif()
# "-" writes the same tracefile to standard output, the counts to standard error.
run_program(COMMAND ${PROGRAM} --collect-coverage build --output - --jobs 2
  WORKDIR "${WORK}" OUTPUT piped ERRORS piped_errors)
file(READ "${WORK}/coverage.info" written)
if(NOT piped STREQUAL written OR NOT piped_errors MATCHES "tests run: 7 of 7\n"
   OR EXISTS "${WORK}/-")
  message(FATAL_ERROR "--output - wrote:\n${piped}\nand said:\n${piped_errors}")
endif()
# Five tests write price.cpp's counters unchanged, the Price test its own:
# run two at a time, at most two of the five find no read kept.
file(STRINGS "${WORK}/gcov-handed" handed REGEX "price\\.cpp\\.gcda$")
list(LENGTH handed times)
if(times LESS 2 OR times GREATER 3)
  message(FATAL_ERROR "gcov was handed price.cpp's data ${times} times:\n${handed}")
endif()

# The lines each test ran, file by file, from a tracefile: "test|file|line|
# count" entries of the project's own sources. lcov repeats a line once for
# each function gcov counts it in: the repeats are summed.
function(lines_of tracefile onlyTest result)
  file(STRINGS "${tracefile}" records)
  set(lines)
  set(test "${onlyTest}")
  foreach(record IN LISTS records)
    if(record MATCHES "^TN:(.*)$" AND NOT onlyTest)
      set(test "${CMAKE_MATCH_1}")
    elseif(record MATCHES "^SF:(.*)$")
      set(source "${CMAKE_MATCH_1}")
    elseif(record MATCHES "^DA:([0-9]+),([0-9]+)")
      set(counted "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}")
      if(NOT CMAKE_MATCH_2 EQUAL 0 AND source MATCHES "^${project}/")
        list(APPEND lines "${test}|${source}|${counted}")
      endif()
    endif()
  endforeach()
  list(SORT lines)
  set(summed)
  set(key)
  foreach(entry IN LISTS lines)
    string(REGEX MATCH "^(.*)\\|([0-9]+)$" ignored "${entry}")
    if(CMAKE_MATCH_1 STREQUAL key)
      math(EXPR sum "${sum} + ${CMAKE_MATCH_2}")
    else()
      if(key)
        list(APPEND summed "${key}|${sum}")
      endif()
      set(key "${CMAKE_MATCH_1}")
      set(sum "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  if(key)
    list(APPEND summed "${key}|${sum}")
  endif()
  set(${result} "${summed}" PARENT_SCOPE)
endfunction()

# lcov's way: each test run alone, its counters captured.
run_program(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" --show-only=json-v1
  OUTPUT listing)
string(JSON count LENGTH "${listing}" tests)
math(EXPR last "${count} - 1")
set(expected)
foreach(at RANGE ${last})
  string(JSON name GET "${listing}" tests ${at} name)
  string(REGEX REPLACE "([][+*?.()^$|\\])" "\\\\\\1" pattern "${name}")
  run_program(COMMAND ${LCOV} --quiet --zerocounters --directory "${build}")
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" -R "^${pattern}$"
    OUTPUT_VARIABLE ran ERROR_QUIET)
  if(NOT ran MATCHES "tests failed out of 1|tests passed, 0 tests failed out of 1")
    message(FATAL_ERROR "ctest -R ^${pattern}$ ran other than one test:\n${ran}")
  endif()
  execute_process(COMMAND ${LCOV} --quiet --capture --directory "${build}"
    --output-file "${WORK}/alone-${at}.info" OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE captured)
  if(captured EQUAL 0)
    lines_of("${WORK}/alone-${at}.info" "${name}" alone)
    list(APPEND expected ${alone})
  endif()
endforeach()
list(SORT expected)
lines_of("${WORK}/coverage.info" "" collected)
if(NOT collected STREQUAL expected OR NOT collected MATCHES "Euro/Price.Rounds/150\\|")
  string(REPLACE ";" "\n" collected "${collected}")
  string(REPLACE ";" "\n" expected "${expected}")
  message(FATAL_ERROR "collected:\n${collected}\nlcov, test by test:\n${expected}")
endif()

# A change to the line only Euro/Price.Rounds/150 runs puts it first.
file(WRITE "${WORK}/next.diff" [=[
diff --git a/price.cpp b/price.cpp
--- a/price.cpp
+++ b/price.cpp
@@ -3,3 +3,3 @@ int rounded(int cents) {
   if (cents % 100 >= 50) {
-    euros = euros + 1;
+    euros = euros + 2;
   }
]=])
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --coverage "${WORK}/coverage.info"
  --changes "${WORK}/next.diff" --order "${WORK}/order.txt" OUTPUT output ERRORS errors)
file(STRINGS "${WORK}/order.txt" order)
list(GET order 0 first)
if(NOT first STREQUAL "Euro/Price.Rounds/150" OR errors MATCHES "match")
  message(FATAL_ERROR "the touched test is not first: ${order}\n${output}${errors}")
endif()

# Bad builds: one without counters, a folder that is no build.
file(WRITE "${WORK}/plain/CMakeLists.txt" "cmake_minimum_required(VERSION 3.21)\nproject(p NONE)\n")
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/plain" -B "${WORK}/plain-build")
foreach(folder IN ITEMS "${WORK}/plain-build" "${project}")
  execute_process(COMMAND ${PROGRAM} --collect-coverage "${folder}" --output "${WORK}/x.info"
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 2 OR NOT errors MATCHES "no .gcno files|no CMakeCache.txt" OR
     EXISTS "${WORK}/x.info")
    message(FATAL_ERROR "the collector took ${folder}: ${status} ${errors}")
  endif()
endforeach()
message(STATUS "per-test coverage equals lcov's test by test; the touched test came first")
