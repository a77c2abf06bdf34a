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
