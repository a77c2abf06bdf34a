# Makes a real coverage.py JSON report with test contexts: a small Python
# module and its three tests run under coverage with dynamic_context =
# test_function, written with coverage json --show-contexts; then orders it
# with antorder-suite. Skipped where Python, coverage.py or pytest is missing.
#
# cmake -DPROGRAM=... -DWORK=... [-DPYTHON=...] -P coverage_from_python.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
# PYTHON, where given, is the Python to run; else Debian's own first, which
# its coverage and pytest packages serve, then the first on the PATH.
find_python_with("coverage, pytest"
  "no Python with coverage.py and pytest (Debian: python3-coverage, python3-pytest)")
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/shop.py" [=[
def total(a, b):
    return a + b


def discount(price):
    if price > 100:
        return price - 10
    return price
]=])
file(WRITE "${WORK}/test_shop.py" [=[
import shop


def test_total():
    assert shop.total(1, 2) == 3


def test_discount():
    assert shop.discount(200) == 190


def test_small_discount():
    assert shop.discount(50) == 50
]=])
file(WRITE "${WORK}/.coveragerc" "[run]\ndynamic_context = test_function\nsource = .\n")
run_program(COMMAND ${PYTHON} -m coverage run -m pytest -q -p no:cacheprovider WORKDIR "${WORK}")
run_program(COMMAND ${PYTHON} -m coverage json --show-contexts -o coverage.json WORKDIR "${WORK}")

run_program(COMMAND ${PROGRAM} coverage.json --order order.txt WORKDIR "${WORK}" OUTPUT output)
if(NOT output MATCHES "tests: 3\ncovered lines: [1-9]")
  message(FATAL_ERROR "${PROGRAM} read another suite from coverage.py's report:\n${output}")
endif()
file(STRINGS "${WORK}/order.txt" order)
list(SORT order)
if(NOT order STREQUAL "test_shop.test_discount;test_shop.test_small_discount;test_shop.test_total")
  message(FATAL_ERROR "${PROGRAM} ordered the report's tests as ${order}")
endif()
message(STATUS "${PROGRAM} ordered the tests of a report coverage.py made:\n${output}")
