# GoogleTest through ctest: a small GoogleTest binary whose tests
# gtest_discover_tests makes ctest tests named Suite.Test, found only when
# ctest runs. Three runs reported with ctest --output-junit, one test failing
# in the last; the COST script antorder-suite writes reaches the discovered
# tests at test time, and a serial ctest runs exactly the order.
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
#include <fstream>
#include <string>
#include <gtest/gtest.h>
// Each test notes that it started; it fails while a file of its name is there.
static void run(const std::string& name) {
  std::ofstream(BUILD_DIR "/started.txt", std::ios::app) << name << "\n";
  EXPECT_FALSE(std::ifstream(BUILD_DIR "/fail-" + name).good());
}
TEST(Cart, Total) { run("Cart.Total"); }
TEST(Cart, Empty) { run("Cart.Empty"); }
TEST(Login, Lockout) { run("Login.Lockout"); }
TEST(Stock, Race) { run("Stock.Race"); }
]=])
set(build "${WORK}/build")
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
run_program(COMMAND ${CMAKE_COMMAND} --build "${build}")
foreach(run 1 2 3)
  if(run EQUAL 3)
    file(TOUCH "${build}/fail-Login.Lockout")
  endif()
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}"
    --output-junit "${WORK}/reports/run-000${run}.xml" OUTPUT_QUIET ERROR_QUIET)
endforeach()

run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --objective apfd
  --order "${WORK}/order.txt" --ctest-properties "${build}/antorder-costs.cmake")
file(STRINGS "${WORK}/order.txt" order)
list(GET order 0 first)
if(NOT first STREQUAL "Login.Lockout")
  message(FATAL_ERROR "the failing test is not first in the order: ${order}")
endif()
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
file(REMOVE "${build}/started.txt")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" OUTPUT_QUIET ERROR_QUIET)
file(STRINGS "${build}/started.txt" started)
if(NOT started STREQUAL order)
  message(FATAL_ERROR "a serial ctest ran ${started}, not the order ${order}")
endif()
