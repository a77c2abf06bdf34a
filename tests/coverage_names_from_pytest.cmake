# Test names as real pytest, coverage.py and pytest-cov write them meet: a
# small package with parametrised tests, tests inherited from a mixin of the
# same module and of another, and doctests of a module and a function. Its
# JUnit report, its collection (--tests) and its per-test coverage made both
# ways (pytest-cov's --cov-context=test, coverage.py's dynamic_context =
# test_function) name every test alike: every coverage test matches, the
# listing has nothing new or gone, and a change to a line the inherited
# tests alone cover puts them first; the plugin runs the doctests where the
# order puts them. Skipped where Python, pytest,
# coverage.py or pytest-cov is missing.
#
# cmake -DPROGRAM=... -DPLUGIN_DIR=... -DWORK=... [-DPYTHON=...] -P coverage_names_from_pytest.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_python_with("coverage, pytest, pytest_cov" "no Python with coverage.py, pytest and \
pytest-cov (Debian: python3-coverage, python3-pytest, python3-pytest-cov)")
file(REMOVE_RECURSE "${WORK}")
set(project "${WORK}/project")
file(WRITE "${project}/pkg/__init__.py" "")
file(WRITE "${project}/pkg/shop.py" [=[
"""The shop.

>>> total(1, 2)
3
"""


def total(a, b):
    return a + b


def discount(price):
    """A discount.

    >>> discount(50)
    50
    """
    if price > 100:
        return price - 10
    return price
]=])
file(WRITE "${project}/tests/__init__.py" "")
file(WRITE "${project}/tests/mixins.py" [=[
from pkg import shop


class ImportedMixin:
    def test_imported(self):
        assert shop.total(2, 2) == 4
]=])
file(WRITE "${project}/tests/test_shop.py" [=[
import pytest

from pkg import shop
from tests.mixins import ImportedMixin


@pytest.mark.parametrize("a", [1, 2])
def test_param(a):
    assert shop.total(a, 0) == a


class BaseTestMixin:
    def test_x(self):
        assert shop.discount(200) == 190


class TestOne(BaseTestMixin, ImportedMixin):
    pass


class TestTwo(BaseTestMixin):
    pass
]=])
# The line only the inherited test_x runs: "return price - 10".
file(WRITE "${WORK}/next.diff" [=[
--- a/pkg/shop.py
+++ b/pkg/shop.py
@@ -19 +19 @@
-        return price - 10
+        return price - 11
]=])
set(pytest ${PYTHON} -m pytest --doctest-modules -q -p no:cacheprovider)
run_program(COMMAND ${pytest} --junitxml "${WORK}/reports/run-0001.xml" WORKDIR "${project}")
run_program(COMMAND ${pytest} --collect-only OUTPUT_FILE "${WORK}/tests.txt" WORKDIR "${project}")
run_program(COMMAND ${pytest} --cov=pkg --cov-context=test --cov-report= WORKDIR "${project}")
run_program(COMMAND ${PYTHON} -m coverage json --show-contexts -o "${WORK}/by-node-id.json"
  WORKDIR "${project}")
file(WRITE "${WORK}/function.rc" "[run]\ndynamic_context = test_function\nsource = pkg\n")
run_program(COMMAND ${PYTHON} -m coverage run --rcfile=${WORK}/function.rc -m pytest
  --doctest-modules -q -p no:cacheprovider WORKDIR "${project}")
run_program(COMMAND ${PYTHON} -m coverage json --rcfile=${WORK}/function.rc --show-contexts
  -o "${WORK}/by-function.json" WORKDIR "${project}")

# pytest-cov names the seven tests by node id, coverage.py the three
# functions that define them (doctests have no test_function context).
foreach(coverage IN ITEMS "by-node-id;7" "by-function;3")
  list(GET coverage 0 name)
  list(GET coverage 1 count)
  run_program(COMMAND ${PROGRAM} "${WORK}/reports" --coverage "${WORK}/${name}.json"
    --changes "${WORK}/next.diff" --tests "${WORK}/tests.txt" --order "${WORK}/${name}.txt"
    OUTPUT output ERRORS errors)
  if(NOT output MATCHES "coverage: ${count} tests, ${count} matched\n" OR
     NOT output MATCHES "the next run's tests: 7 tests listed, 0 new, 0 gone since" OR
     errors MATCHES "match")
    message(FATAL_ERROR "${name}: the names did not all meet:\n${output}${errors}")
  endif()
  file(STRINGS "${WORK}/${name}.txt" order)
  list(SUBLIST order 0 2 first)
  list(SORT first)
  if(NOT first STREQUAL "tests.test_shop.TestOne.test_x;tests.test_shop.TestTwo.test_x")
    message(FATAL_ERROR "${name}: the inherited tests are not first: ${order}\n${output}")
  endif()
endforeach()
# The plugin runs the module's doctest where the order puts it, by its key
# "pkg.shop", not first as a test the order does not name.
run_program(COMMAND ${CMAKE_COMMAND} -E env "PYTHONPATH=${PLUGIN_DIR}" ${pytest} -p antorder_pytest
  "--antorder-order=${WORK}/by-node-id.txt" --collect-only WORKDIR "${project}" OUTPUT collected)
string(REGEX REPLACE "\n\n.*" "" collected "${collected}")
string(REPLACE "\n" ";" collected "${collected}")
file(STRINGS "${WORK}/by-node-id.txt" order)
list(FIND order "pkg.shop" ordered)
list(FIND collected "pkg/shop.py::pkg.shop" run)
if(ordered LESS 2 OR NOT run EQUAL ordered)
  message(FATAL_ERROR "the module's doctest, at ${ordered} in the order, runs at ${run}: ${collected}")
endif()
message(STATUS "pytest's, coverage.py's and pytest-cov's names met:\n${output}")
