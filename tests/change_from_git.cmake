# The change under test with real tools: a small Python project in git, its
# tests run twice by pytest with JUnit reports, its per-test coverage made by
# coverage.py; then a fault put into a line one test covers, the diff written
# by git diff. The touched test comes first in the order, and the real pytest
# run fails it. A change to conftest.py touches no known test: with a
# budget the selection is unsafe, and --fail-closed selects every test.
# Skipped where git, Python, coverage.py or pytest is missing.
#
# cmake -DPROGRAM=... -DWORK=... -P change_from_git.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PYTHON NAMES python3)
find_program(GIT NAMES git)
if(PYTHON)
  execute_process(COMMAND ${PYTHON} -c "import coverage, pytest" RESULT_VARIABLE status
    OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT GIT OR NOT PYTHON OR NOT status EQUAL 0)
  skip_check("no git, or no Python with coverage.py and pytest")
endif()
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/project/shop.py" [=[
def total(a, b):
    return a + b


def discount(price):
    if price > 100:
        return price - 10
    return price


def shipping(weight):
    return 5 if weight < 10 else 9
]=])
file(WRITE "${WORK}/project/test_shop.py" [=[
import shop


def test_total():
    assert shop.total(1, 2) == 3


def test_discount():
    assert shop.discount(200) == 190


def test_small_discount():
    assert shop.discount(50) == 50


def test_shipping():
    assert shop.shipping(3) == 5
]=])
file(WRITE "${WORK}/project/conftest.py" "\n")
file(WRITE "${WORK}/project/.coveragerc" "[run]\ndynamic_context = test_function\nsource = .\n")
set(project "${WORK}/project")
set(git ${GIT} -c user.name=ci -c user.email=ci@example.com)
run_program(COMMAND ${git} init -q . WORKDIR "${project}")
run_program(COMMAND ${git} add -A WORKDIR "${project}")
run_program(COMMAND ${git} commit -qm first WORKDIR "${project}")
foreach(run 1 2)
  run_program(COMMAND ${PYTHON} -m pytest -q -p no:cacheprovider
    --junitxml "${WORK}/reports/run-000${run}.xml" WORKDIR "${project}")
endforeach()
run_program(COMMAND ${PYTHON} -m coverage run -m pytest -q -p no:cacheprovider WORKDIR "${project}")
run_program(COMMAND ${PYTHON} -m coverage json --show-contexts -o "${WORK}/coverage.json"
  WORKDIR "${project}")

# A fault in the line test_discount alone covers.
file(READ "${project}/shop.py" text)
string(REPLACE "price - 10" "price - 11" text "${text}")
file(WRITE "${project}/shop.py" "${text}")
run_program(COMMAND ${git} diff OUTPUT_FILE "${WORK}/next.diff" WORKDIR "${project}")
run_program(COMMAND ${PROGRAM} "${WORK}/reports" --quiet --coverage "${WORK}/coverage.json"
  --changes "${WORK}/next.diff" --order "${WORK}/order.txt" OUTPUT output)
file(STRINGS "${WORK}/order.txt" order)
list(GET order 0 first)
if(NOT first STREQUAL "test_shop.test_discount" OR NOT output MATCHES
   "changes no test is known to depend on: none")
  message(FATAL_ERROR "the touched test is not first: ${order}\n${output}")
endif()
execute_process(COMMAND ${PYTHON} -m pytest -q -p no:cacheprovider --junitxml "${WORK}/faulty.xml"
  WORKING_DIRECTORY "${project}" OUTPUT_QUIET ERROR_QUIET)
file(READ "${WORK}/faulty.xml" report)
if(NOT report MATCHES "name=\"test_discount\"[^>]*>[ \n]*<failure")
  message(FATAL_ERROR "pytest did not fail the touched test:\n${report}")
endif()

# A change to conftest.py: no test is known to depend on it.
run_program(COMMAND ${git} checkout -q shop.py WORKDIR "${project}")
file(WRITE "${project}/conftest.py" "import os\n")
run_program(COMMAND ${git} diff OUTPUT_FILE "${WORK}/conftest.diff" WORKDIR "${project}")
set(budgeted ${PROGRAM} "${WORK}/reports" --quiet --coverage "${WORK}/coverage.json"
  --changes "${WORK}/conftest.diff" --budget 0.0011 --order "${WORK}/selection.txt")
run_program(COMMAND ${budgeted} OUTPUT output ERRORS errors)
file(STRINGS "${WORK}/selection.txt" selection)
list(LENGTH selection selected)
if(NOT output MATCHES "changes no test is known to depend on:\n  conftest.py\n" OR
   NOT output MATCHES "unsafe" OR NOT errors MATCHES "unsafe" OR NOT selected EQUAL 1)
  message(FATAL_ERROR "a change nothing places, selected ${selection}:\n${output}\n${errors}")
endif()
run_program(COMMAND ${budgeted} --fail-closed OUTPUT output)
file(STRINGS "${WORK}/selection.txt" selection)
list(LENGTH selection selected)
if(NOT selected EQUAL 4 OR NOT output MATCHES "every test: failing closed")
  message(FATAL_ERROR "--fail-closed selected ${selection}:\n${output}")
endif()
message(STATUS "the touched test came first, and a change nothing places failed closed")

# A package: a version bump in its __init__.py, which no test covers, beside
# its sub-packages' (not taken for either), a regression that only a doctest
# of the changed module catches (coverage.py names no doctest; the slowest
# test, it goes first only when touched), and a README --changes-ignore
# leaves out.
set(package "${WORK}/package")
file(WRITE "${package}/pkg/__init__.py" "__version__ = \"1.0\"\n")
file(WRITE "${package}/pkg/cart/__init__.py" "def add(a, b):\n    return a + b\n")
file(WRITE "${package}/pkg/tax/__init__.py" "def rate():\n    return 2\n")
file(WRITE "${package}/pkg/timeutils.py" [=[
def relative_time(seconds):
    """
    >>> import time; time.sleep(0.3)
    >>> relative_time(120)
    '2 minutes'
    """
    return "%d minutes" % (seconds // 60)


def hours(seconds):
    return seconds // 3600
]=])
file(WRITE "${package}/test_pkg.py" [=[
from pkg import cart, tax, timeutils


def test_add():
    assert cart.add(1, 2) == 3


def test_rate():
    assert tax.rate() == 2


def test_hours():
    assert timeutils.hours(7200) == 2
]=])
file(WRITE "${package}/README.md" "# pkg\n")
file(WRITE "${package}/.coveragerc" "[run]\ndynamic_context = test_function\nsource = .\n")
run_program(COMMAND ${git} init -q . WORKDIR "${package}")
run_program(COMMAND ${git} add -A WORKDIR "${package}")
run_program(COMMAND ${git} commit -qm first WORKDIR "${package}")
set(pytest ${PYTHON} -m pytest -q -p no:cacheprovider --doctest-modules)
foreach(run 1 2)
  run_program(COMMAND ${pytest} --junitxml "${WORK}/package-reports/run-000${run}.xml"
    WORKDIR "${package}")
endforeach()
run_program(COMMAND ${PYTHON} -m coverage run -m pytest -q -p no:cacheprovider --doctest-modules
  WORKDIR "${package}")
run_program(COMMAND ${PYTHON} -m coverage json --show-contexts -o "${WORK}/package.json"
  WORKDIR "${package}")

file(WRITE "${package}/pkg/__init__.py" "__version__ = \"1.1\"\n")
file(WRITE "${package}/README.md" "# pkg 1.1\n")
file(READ "${package}/pkg/timeutils.py" text)
string(REPLACE "%d minutes\" % (seconds // 60)" "%d minutes\" % (seconds // 61)" text "${text}")
file(WRITE "${package}/pkg/timeutils.py" "${text}")
run_program(COMMAND ${git} diff OUTPUT_FILE "${WORK}/bump.diff" WORKDIR "${package}")
run_program(COMMAND ${PROGRAM} "${WORK}/package-reports" --coverage "${WORK}/package.json"
  --changes "${WORK}/bump.diff" --changes-ignore "*.md" --order "${WORK}/package-order.txt"
  OUTPUT output)
file(STRINGS "${WORK}/package-order.txt" order)
list(GET order 0 first)
if(NOT first MATCHES "relative_time$" OR NOT output MATCHES
   "changes no test is known to depend on:\n  pkg/__init__.py\nchanges ignored: 1 \\(README.md\\)")
  message(FATAL_ERROR "the doctest is not first, or the bump or README misplaced: ${order}\n"
    "${output}")
endif()
execute_process(COMMAND ${pytest} --junitxml "${WORK}/package-faulty.xml"
  WORKING_DIRECTORY "${package}" OUTPUT_QUIET ERROR_QUIET)
file(READ "${WORK}/package-faulty.xml" report)
if(NOT report MATCHES "name=\"pkg.timeutils.relative_time\"[^>]*>[ \n]*<failure")
  message(FATAL_ERROR "pytest did not fail the doctest:\n${report}")
endif()
message(STATUS "a version bump was listed, and the changed module's doctest came first")
