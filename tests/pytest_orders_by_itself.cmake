# pytest orders by itself: with --antorder-history the plugin lists the
# tests it collected, runs antorder-suite on them and applies its order,
# budget and shard; every way must run exactly what the two-step loop runs
# (pytest --collect-only -q, antorder-suite --tests, pytest with the order
# and rest files). Where ordering fails (no program, no history, a history
# it refuses), pytest runs its own order, says why in one line and exits
# with the tests' own status. Each report records every test's place in
# pytest's collection, and a replay of a history the loop wrote takes that
# order, not the one that ran, for its given row and its ties. Skipped
# where Python or pytest is missing.
#
# cmake -DPROGRAM=... -DPLUGIN_DIR=... -DWORK=... [-DPYTHON=...] -P pytest_orders_by_itself.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/pytest_reports.cmake)
find_python_with(pytest "no Python with pytest (Debian: python3-pytest)")
file(REMOVE_RECURSE "${WORK}")
set(shop "${WORK}/shop")
set(reports "${WORK}/reports")
file(WRITE "${shop}/tests/__init__.py" "")
# Each test fails where a file fail-NAME is in the project.
file(WRITE "${shop}/tests/test_shop.py" [=[
import os
import time

import pytest


def check(name, seconds=0.01):
    time.sleep(seconds)
    assert not os.path.exists(os.path.join(os.path.dirname(__file__), "..", "fail-" + name))


class TestCheckout:
    def test_domestic(self):
        check("domestic")

    def test_abroad(self):
        check("abroad", 0.03)


@pytest.mark.parametrize("word", ["plain", "two words"])
def test_search(word):
    check("search")


def test_cart_total():
    check("cart", 0.02)


def test_mail():
    check("mail")
]=])
pytest_with_plugin(pytest "ANTORDER_SUITE=${PROGRAM}")
pytest_with_plugin(noProgram "ANTORDER_SUITE=${WORK}/no-such-program")
# pytest in the project, its exit status in status and all it printed in output.
function(run_pytest)
  execute_process(COMMAND ${pytest} ${ARGN} WORKING_DIRECTORY "${shop}" INPUT_FILE /dev/null
    OUTPUT_VARIABLE printed ERROR_VARIABLE printed RESULT_VARIABLE code)
  set(output "${printed}" PARENT_SCOPE)
  set(status "${code}" PARENT_SCOPE)
endfunction()

# pytest's collection order, the tests' positions in it.
set(collected tests.test_shop.TestCheckout.test_domestic tests.test_shop.TestCheckout.test_abroad
  "tests.test_shop.test_search[plain]" "tests.test_shop.test_search[two words]"
  tests.test_shop.test_cart_total tests.test_shop.test_mail)

# The loop's first run has no history yet: pytest's own order, one line why,
# and the report of each test's place in the collection.
run_pytest(-q tests --antorder-history=${reports} --junitxml "${reports}/run-0001.xml")
ran_in("${reports}/run-0001.xml" ran)
string(REGEX MATCHALL "antorder: not ordered:[^\n]*" said "${output}")
if(NOT status EQUAL 0 OR NOT ran STREQUAL "${collected}" OR NOT said STREQUAL
   "antorder: not ordered: no history at ${reports} yet")
  message(FATAL_ERROR "a first run ran ${ran}, exit ${status}, saying:\n${output}")
endif()
file(READ "${reports}/run-0001.xml" xml)
foreach(position RANGE 5)
  list(GET collected ${position} key)
  string(REGEX REPLACE "^(.*)\\.([^.]*(\\[.*\\])?)$" "\\2" name "${key}")
  string(REGEX REPLACE "[][]" "." name "${name}")
  if(NOT xml MATCHES "name=\"${name}\"[^>]*><properties><property name=\"antorder_position\" value=\"${position}\" />")
    message(FATAL_ERROR "${key} does not record its place ${position} in the report:\n${xml}")
  endif()
endforeach()

# Two more runs, ordered by the loop itself, the second with two failures:
# the mail test and the cart total, collected last but one and last.
foreach(run 2 3)
  if(run EQUAL 3)
    file(TOUCH "${shop}/fail-mail" "${shop}/fail-cart")
  endif()
  run_pytest(-q tests --antorder-history=${reports} --junitxml "${reports}/run-000${run}.xml")
  if(output MATCHES "antorder: not ordered")
    message(FATAL_ERROR "run ${run} was not ordered:\n${output}")
  endif()
endforeach()
file(REMOVE "${shop}/fail-mail" "${shop}/fail-cart")
# A test added since, which the order must hold too.
file(APPEND "${shop}/tests/test_shop.py" "\n\ndef test_coupon():\n    check(\"coupon\")\n")

# way(<name> <antorder-suite options> -- <plugin options>): the two-step
# loop and the plugin alone must run the same tests in the same order.
run_program(COMMAND ${pytest} --collect-only -q tests WORKDIR "${shop}"
  OUTPUT_FILE "${WORK}/tests.txt")
function(way name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SUITE;PLUGIN")
  set(order "${WORK}/${name}-order.txt")
  set(rest "${WORK}/${name}-rest.txt")
  set(restOption)
  if(arg_SUITE)
    set(restOption --rest "${rest}")
    set(restPlugin "--antorder-rest=${rest}")
  endif()
  run_program(COMMAND ${PROGRAM} "${reports}" --quiet --tests "${WORK}/tests.txt" ${arg_SUITE}
    --order "${order}" ${restOption})
  run_pytest(-v tests "--antorder-order=${order}" ${restPlugin} --junitxml "${WORK}/two-step.xml")
  ran_in("${WORK}/two-step.xml" twoStep)
  run_pytest(-v tests "--antorder-history=${reports}" ${arg_PLUGIN}
    --junitxml "${WORK}/one-step.xml")
  ran_in("${WORK}/one-step.xml" oneStep)
  if(NOT status EQUAL 0 OR NOT oneStep STREQUAL twoStep OR output MATCHES "antorder:")
    message(FATAL_ERROR
      "${name}: the plugin ran ${oneStep} (exit ${status}), the two steps ${twoStep}:\n${output}")
  endif()
  list(LENGTH oneStep count)
  set(count ${count} PARENT_SCOPE)
  set(ran "${oneStep}" PARENT_SCOPE)
endfunction()
way(plain)
list(GET ran 0 first)
if(NOT count EQUAL 7 OR NOT first MATCHES "test_mail|test_cart_total")
  message(FATAL_ERROR "the plugin's order does not start with a test that failed: ${ran}")
endif()
way(budget SUITE --budget 0.045 PLUGIN --antorder-budget=0.045)
if(NOT count LESS 7 OR count EQUAL 0)
  message(FATAL_ERROR "the budget's selection is ${ran}")
endif()
set(all)
foreach(shard 1 2 3)
  way(shard-${shard} SUITE --shard ${shard}/3 PLUGIN --antorder-shard=${shard}/3)
  list(APPEND all ${ran})
endforeach()
list(LENGTH all count)
if(NOT count EQUAL 7)
  message(FATAL_ERROR "the three shards ran ${all}, not seven tests once each")
endif()
way(budget-shard SUITE --budget 0.03 --shard 2/2 PLUGIN --antorder-budget=0.03 --antorder-shard=2/2)

# Where ordering fails, pytest's own order runs with one line why, and the
# exit status is the tests': 1 where a test fails.
file(WRITE "${WORK}/not-a-history/run-0001.xml" "not XML\n")
file(TOUCH "${shop}/fail-mail")
set(ownOrder ${collected} tests.test_shop.test_coupon)
foreach(case IN ITEMS "missing program" "a history refused" "an empty history")
  set(command ${pytest})
  set(history "${reports}")
  if(case STREQUAL "missing program")
    set(command ${noProgram})
    set(reason "cannot run ${WORK}/no-such-program: No such file or directory")
  elseif(case STREQUAL "a history refused")
    set(history "${WORK}/not-a-history")
    set(reason "[^\n]* exited with status 2: ")
  else()
    file(MAKE_DIRECTORY "${WORK}/empty-history")
    set(history "${WORK}/empty-history")
    set(reason "[^\n]* exited with status 2: [^\n]*holds no .xml report")
  endif()
  execute_process(COMMAND ${command} -q tests "--antorder-history=${history}"
    --junitxml "${WORK}/fallback.xml" WORKING_DIRECTORY "${shop}" INPUT_FILE /dev/null
    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
  ran_in("${WORK}/fallback.xml" ran)
  string(REGEX MATCHALL "antorder: not ordered" lines "${output}")
  list(LENGTH lines said)
  if(NOT status EQUAL 1 OR NOT ran STREQUAL "${ownOrder}" OR NOT said EQUAL 1
     OR NOT output MATCHES "antorder: not ordered: ${reason}")
    message(FATAL_ERROR "${case}: exit ${status}, ran ${ran}, saying:\n${output}")
  endif()
endforeach()
file(REMOVE "${shop}/fail-mail")
# The plugin's own options are used with --antorder-history alone.
run_pytest(-q tests --antorder-budget=1)
if(NOT status EQUAL 4 OR NOT output MATCHES "--antorder-budget needs --antorder-history=DIR")
  message(FATAL_ERROR "a budget without a history: exit ${status}:\n${output}")
endif()

# The replay of the loop's history: run 3 ran its failing tests early, but
# its given row is pytest's order, where they come fifth and sixth of six,
# and recently failed, with nothing failed before, ties throughout to it.
run_program(COMMAND ${PROGRAM} --replay "${reports}" --quiet --json OUTPUT json)
string(JSON given GET "${json}" runs 0 given)
string(JSON apfd GET "${json}" runs 0 scores given apfd)
string(JSON tied GET "${json}" runs 0 scores "recently failed" apfd)
# 1 - (5 + 6) / (6 x 2) + 1 / 12
if(NOT given STREQUAL "collection order" OR NOT apfd MATCHES "^0\\.16666" OR NOT tied STREQUAL apfd)
  message(FATAL_ERROR "the replay's given order is not pytest's:\n${json}")
endif()
run_program(COMMAND ${PROGRAM} --replay "${reports}" --quiet OUTPUT summary)
if(NOT summary MATCHES "\ngiven, and every order's ties: the collection order the reports record\n")
  message(FATAL_ERROR "the replay does not say which order is given:\n${summary}")
endif()
