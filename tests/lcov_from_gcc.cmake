# Makes a real lcov tracefile: a small C program built with gcc --coverage,
# each of its two tests run and captured on its own with lcov --test-name,
# the captures combined; then orders it with antorder-suite. Skipped where
# gcc or lcov is missing.
#
# cmake -DPROGRAM=... -DWORK=... -P lcov_from_gcc.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(GCC gcc)
find_program(LCOV lcov)
if(NOT GCC OR NOT LCOV)
  skip_check("no gcc or no lcov (Debian: gcc, lcov)")
endif()
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/shop.c" [=[
#include <string.h>
static int total(int a, int b) { return a + b; }
static int discount(int price) {
  if (price > 100) return price - 10;
  return price;
}
int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "total") == 0) return total(1, 2) == 3 ? 0 : 1;
  if (argc > 1 && strcmp(argv[1], "discount") == 0) return discount(200) == 190 ? 0 : 1;
  return 0;
}
]=])
run_program(COMMAND ${GCC} --coverage -O0 -o shop shop.c WORKDIR "${WORK}")
foreach(test IN ITEMS total discount)
  run_program(COMMAND ${LCOV} --quiet --zerocounters --directory . WORKDIR "${WORK}")
  run_program(COMMAND ./shop ${test} WORKDIR "${WORK}")
  run_program(COMMAND ${LCOV} --quiet --capture --directory . --test-name ${test}
    --output-file ${test}.info WORKDIR "${WORK}")
endforeach()
run_program(COMMAND ${LCOV} --quiet -a total.info -a discount.info --output-file shop.info
  WORKDIR "${WORK}")

run_program(COMMAND ${PROGRAM} shop.info --order order.txt WORKDIR "${WORK}" OUTPUT output)
if(NOT output MATCHES "tests: 2\ncovered lines: [1-9]")
  message(FATAL_ERROR "${PROGRAM} read another suite from lcov's tracefile:\n${output}")
endif()
file(STRINGS "${WORK}/order.txt" order)
list(SORT order)
if(NOT order STREQUAL "discount;total")
  message(FATAL_ERROR "${PROGRAM} ordered the tracefile's tests as ${order}")
endif()
message(STATUS "${PROGRAM} ordered the tests of a tracefile lcov made:\n${output}")
