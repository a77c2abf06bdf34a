# GoogleTest through ctest: a small GoogleTest binary whose tests
# gtest_discover_tests makes ctest tests named Suite.Test, found only when
# ctest runs, typed and value-parameterised tests among them. Three runs
# reported with ctest --output-junit, two tests failing in the last; the
# COST script antorder-suite writes reaches the discovered tests at test
# time, and a serial ctest runs exactly the order. The binary's own
# --gtest_list_tests, given as the next run's tests, names every test as
# ctest does, so the failures' history stays with the tests that failed.
# Split over four shards, ctest -L runs each shard's discovered tests in its
# order.
#
# cmake -DPROGRAM=... -DWORK=... -P gtest_runs_the_order.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/project/CMakeLists.txt" [=[
cmake_minimum_required(VERSION 3.21)
project(shop CXX)
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_executable(shop_tests shop_tests.cpp)
target_link_libraries(shop_tests PRIVATE GTest::gtest_main)
target_compile_definitions(shop_tests PRIVATE BUILD_DIR="${CMAKE_BINARY_DIR}")
gtest_discover_tests(shop_tests)
include(${CMAKE_BINARY_DIR}/antorder-costs.cmake OPTIONAL)
]=])
file(WRITE "${WORK}/project/shop_tests.cpp" [=[
#include <algorithm>
#include <fstream>
#include <string>
#include <gtest/gtest.h>
// Each test notes that it started; it fails while a file of its name is
// there, its / < > as _.
static void run(const std::string& name) {
  std::ofstream(BUILD_DIR "/started.txt", std::ios::app) << name << "\n";
  std::string file = name;
  std::replace_if(file.begin(), file.end(), [](char c) { return c == '/' || c == '<' || c == '>'; }, '_');
  EXPECT_FALSE(std::ifstream(BUILD_DIR "/fail-" + file).good());
}
TEST(Cart, Total) { run("Cart.Total"); }
TEST(Cart, Empty) { run("Cart.Empty"); }
TEST(Login, Lockout) { run("Login.Lockout"); }
TEST(Stock, Race) { run("Stock.Race"); }
template <typename T> struct Typed : testing::Test {};
using Types = testing::Types<int, char>;
TYPED_TEST_SUITE(Typed, Types);
TYPED_TEST(Typed, Zero) { run(std::string("Typed.Zero<") + (sizeof(TypeParam) == 1 ? "char" : "int") + ">"); }
struct Price : testing::TestWithParam<int> {};
TEST_P(Price, Rounds) { run("Euro/Price.Rounds/" + std::to_string(GetParam())); }
INSTANTIATE_TEST_SUITE_P(Euro, Price, testing::Values(7, 3));
]=])
set(build "${WORK}/build")
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
run_program(COMMAND ${CMAKE_COMMAND} --build "${build}")
foreach(run 1 2 3)
  if(run EQUAL 3)
    file(TOUCH "${build}/fail-Login.Lockout" "${build}/fail-Euro_Price.Rounds_3")
  endif()
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}"
    --output-junit "${WORK}/reports/run-000${run}.xml" OUTPUT_QUIET ERROR_QUIET)
endforeach()

run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --objective apfd
  --order "${WORK}/order.txt" --ctest-properties "${build}/antorder-costs.cmake")
file(STRINGS "${WORK}/order.txt" order)
list(SUBLIST order 0 2 first)
list(SORT first)
if(NOT first STREQUAL "Euro/Price.Rounds/3;Login.Lockout")
  message(FATAL_ERROR "the failing tests are not first in the order: ${order}")
endif()

# The binary's own listing names the tests as ctest does: every one of
# ctest's tests is in the order, the failing ones still first.
run_program(COMMAND "${build}/shop_tests" --gtest_list_tests OUTPUT_FILE "${WORK}/listed.txt")
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --objective apfd
  --tests "${WORK}/listed.txt" --order "${WORK}/listed-order.txt")
file(STRINGS "${WORK}/listed-order.txt" listedOrder)
list(SUBLIST listedOrder 0 2 listedFirst)
list(SORT listedFirst)
if(NOT listedFirst STREQUAL first)
  message(FATAL_ERROR "by the binary's listing, the failing tests are not first: ${listedOrder}")
endif()
run_program(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" --show-only=json-v1
  OUTPUT ctestJson)
string(JSON testCount LENGTH "${ctestJson}" tests)
math(EXPR last "${testCount} - 1")
set(ctestNames)
foreach(at RANGE ${last})
  string(JSON name GET "${ctestJson}" tests ${at} name)
  list(APPEND ctestNames "${name}")
endforeach()
list(SORT ctestNames)
set(sortedListed ${listedOrder})
list(SORT sortedListed)
if(NOT sortedListed STREQUAL ctestNames)
  message(FATAL_ERROR "the listing named ${sortedListed}, ctest ${ctestNames}")
endif()
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
file(REMOVE "${build}/started.txt")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" OUTPUT_QUIET ERROR_QUIET)
file(STRINGS "${build}/started.txt" started)
if(NOT started STREQUAL order)
  message(FATAL_ERROR "a serial ctest ran ${started}, not the order ${order}")
endif()

# Four shards by label, the discovered tests labelled at test time: ctest -L
# runs one shard's tests alone, in its order, and over the four every test
# once.
set(all)
foreach(shard 1 2 3 4)
  run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --objective apfd
    --tests "${WORK}/listed.txt" --shard ${shard}/4 --order "${WORK}/shard.txt"
    --ctest-properties "${build}/antorder-costs.cmake")
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
if(NOT all STREQUAL ctestNames)
  message(FATAL_ERROR "the four shards ran ${all}, not each of ${ctestNames} once")
endif()
