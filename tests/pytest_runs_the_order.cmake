# pytest runs the order: a small pytest project's runs reported with
# --junitxml, one test failing in the last; antorder-suite orders the
# history, and pytest with the plugin runs exactly that order (read back
# from its own --junitxml), a test added since first; with --budget and
# --antorder-rest it runs exactly the selection. Skipped where Python or
# pytest is missing.
#
# cmake -DPROGRAM=... -DPLUGIN_DIR=... -DWORK=... [-DPYTHON=...] -P pytest_runs_the_order.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
# PYTHON, where given, is the Python to run; else Debian's own first, which
# its pytest package serves, then the first on the PATH.
find_program(PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PYTHON NAMES python3)
if(PYTHON)
  execute_process(COMMAND ${PYTHON} -c "import pytest" RESULT_VARIABLE status
    OUTPUT_QUIET ERROR_QUIET)
endif()
if(NOT PYTHON OR NOT status EQUAL 0)
  skip_check("no Python with pytest (Debian: python3-pytest)")
endif()
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/tests/__init__.py" "")
file(WRITE "${WORK}/tests/test_shop.py" [=[
import os
import time

import pytest


def check(name):
    time.sleep(0.01)
    assert not os.path.exists(os.path.join(os.path.dirname(__file__), "..", "fail-" + name))


class TestCheckout:
    def test_domestic(self):
        check("domestic")

    def test_abroad(self):
        check("abroad")


@pytest.mark.parametrize("word", ["plain", "two words"])
def test_search(word):
    check("search")


def test_cart_total():
    check("cart")


def test_mail():
    check("mail")
]=])
set(pytest ${CMAKE_COMMAND} -E env "PYTHONPATH=${PLUGIN_DIR}" ${PYTHON} -m pytest
  -p no:cacheprovider -p antorder_pytest)
# The tests a report holds, in the order they ran, by their JUnit keys.
function(ran_in report result)
  file(READ "${report}" xml)
  string(REGEX MATCHALL "<testcase classname=\"[^\"]*\" name=\"[^\"]*\"" cases "${xml}")
  set(keys)
  foreach(case IN LISTS cases)
    string(REGEX REPLACE "<testcase classname=\"([^\"]*)\" name=\"([^\"]*)\"" "\\1.\\2" key
      "${case}")
    list(APPEND keys "${key}")
  endforeach()
  set(${result} "${keys}" PARENT_SCOPE)
endfunction()
# Runs a step in the project's folder, its standard output in output.
function(run_step)
  run_program(COMMAND ${ARGN} WORKDIR "${WORK}" OUTPUT printed)
  set(output "${printed}" PARENT_SCOPE)
endfunction()

foreach(run 1 2 3)
  if(run EQUAL 3)
    file(TOUCH "${WORK}/fail-abroad")
  endif()
  # A failing test makes pytest exit 1: the report is what counts.
  execute_process(COMMAND ${pytest} -q tests --junitxml "${WORK}/reports/run-000${run}.xml"
    WORKING_DIRECTORY "${WORK}" OUTPUT_QUIET ERROR_QUIET)
endforeach()
file(REMOVE "${WORK}/fail-abroad")

# A test added since the last run: not in the history, so first.
file(APPEND "${WORK}/tests/test_shop.py" "\n\ndef test_coupon():\n    check(\"coupon\")\n")
run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --order "${WORK}/order.txt")
file(STRINGS "${WORK}/order.txt" order)
list(GET order 0 first)
if(NOT first STREQUAL "tests.test_shop.TestCheckout.test_abroad")
  message(FATAL_ERROR "the failing test is not first in the order: ${order}")
endif()
run_step(${pytest} -q tests --antorder-order "${WORK}/order.txt" --junitxml "${WORK}/ordered.xml")
ran_in("${WORK}/ordered.xml" ran)
if(NOT ran STREQUAL "tests.test_shop.test_coupon;${order}")
  message(FATAL_ERROR "pytest ran ${ran}, not the new test and then the order ${order}")
endif()

# Listed for the next run with pytest --collect-only, the new test takes its
# place in the order, and pytest runs that order exactly.
run_program(COMMAND ${pytest} --collect-only -q tests WORKDIR "${WORK}"
  OUTPUT_FILE "${WORK}/next-tests.txt")
run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --tests "${WORK}/next-tests.txt"
  --order "${WORK}/listed.txt")
file(STRINGS "${WORK}/listed.txt" listed)
list(LENGTH listed count)
if(NOT count EQUAL 7 OR NOT "tests.test_shop.test_coupon" IN_LIST listed)
  message(FATAL_ERROR "the order of the listed tests is ${listed}")
endif()
run_step(${pytest} -q tests --antorder-order "${WORK}/listed.txt" --junitxml "${WORK}/listed.xml")
ran_in("${WORK}/listed.xml" ran)
if(NOT ran STREQUAL listed)
  message(FATAL_ERROR "pytest ran ${ran}, not the order ${listed}")
endif()

# A budget of about half the suite: pytest runs the selection, in order.
run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --budget 0.035
  --order "${WORK}/selection.txt" --rest "${WORK}/rest.txt")
file(STRINGS "${WORK}/selection.txt" selection)
file(STRINGS "${WORK}/rest.txt" rest)
list(LENGTH rest restCount)
if(restCount EQUAL 0 OR NOT selection)
  message(FATAL_ERROR "the budget selected ${selection} and left ${rest}")
endif()
run_step(${pytest} -q tests --antorder-order "${WORK}/selection.txt" --antorder-rest
  "${WORK}/rest.txt" --junitxml "${WORK}/selected.xml")
ran_in("${WORK}/selected.xml" ran)
if(NOT ran STREQUAL "tests.test_shop.test_coupon;${selection}")
  message(FATAL_ERROR "pytest ran ${ran}, not the new test and then the selection ${selection}")
endif()
if(NOT output MATCHES "${restCount} deselected")
  message(FATAL_ERROR "pytest -q did not say ${restCount} deselected:\n${output}")
endif()
