# pytest runs the order: a small pytest project's runs reported with
# --junitxml, one test failing in the last; antorder-suite orders the
# history into a file in another folder, and pytest with the plugin runs
# exactly that order (read back from its own --junitxml), a test added since
# first, with the file given as --antorder-order=FILE and as --antorder-order
# FILE, where pytest takes FILE for a test path in choosing its rootdir; with
# --budget and --antorder-rest it runs exactly the selection, three budgeted
# runs in a row each ordering every test though each report holds only its
# selection. Then a table
# of hand-written files, each run four ways, from the project and from the
# folder above with three rootdirs: JUnit keys and node ids, a file's path
# told by its ending, line ends, bytes that are not UTF-8, and the
# summary's word where most lines match nothing. Skipped where Python or
# pytest is missing.
#
# cmake -DPROGRAM=... -DPLUGIN_DIR=... -DWORK=... [-DPYTHON=...] -P pytest_runs_the_order.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/pytest_reports.cmake)
# PYTHON, where given, is the Python to run; else Debian's own first, which
# its pytest package serves, then the first on the PATH.
find_python_with(pytest "no Python with pytest (Debian: python3-pytest)")
file(REMOVE_RECURSE "${WORK}")
# The project, and the folder where the orders are written.
set(shop "${WORK}/shop")
set(orders "${WORK}/orders")
file(MAKE_DIRECTORY "${orders}")
file(WRITE "${shop}/tests/__init__.py" "")
file(WRITE "${shop}/tests/test_shop.py" [=[
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
pytest_with_plugin(pytest)
# Runs a step in the project's folder, its standard output in output.
function(run_step)
  run_program(COMMAND ${ARGN} WORKDIR "${shop}" OUTPUT printed)
  set(output "${printed}" PARENT_SCOPE)
endfunction()

foreach(run 1 2 3)
  if(run EQUAL 3)
    file(TOUCH "${shop}/fail-abroad")
  endif()
  # A failing test makes pytest exit 1: the report is what counts.
  execute_process(COMMAND ${pytest} -q tests --junitxml "${WORK}/reports/run-000${run}.xml"
    WORKING_DIRECTORY "${shop}" OUTPUT_QUIET ERROR_QUIET)
endforeach()
file(REMOVE "${shop}/fail-abroad")

# A test added since the last run: not in the history, so first.
file(APPEND "${shop}/tests/test_shop.py" "\n\ndef test_coupon():\n    check(\"coupon\")\n")
run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --order "${orders}/order.txt")
file(STRINGS "${orders}/order.txt" order)
list(GET order 0 first)
if(NOT first STREQUAL "tests.test_shop.TestCheckout.test_abroad")
  message(FATAL_ERROR "the failing test is not first in the order: ${order}")
endif()
# With a space pytest reads the order's path as a test path before the
# plugin is loaded, and the folder above the project becomes its rootdir.
foreach(form IN ITEMS "--antorder-order=${orders}/order.txt" "--antorder-order;${orders}/order.txt")
  run_step(${pytest} -q tests ${form} --junitxml "${WORK}/ordered.xml")
  ran_in("${WORK}/ordered.xml" ran)
  if(NOT ran STREQUAL "tests.test_shop.test_coupon;${order}")
    message(FATAL_ERROR
      "with ${form} pytest ran ${ran}, not the new test and then the order ${order}")
  endif()
endforeach()

# Listed for the next run with pytest --collect-only, the new test takes its
# place in the order, and pytest runs that order exactly.
run_program(COMMAND ${pytest} --collect-only -q tests WORKDIR "${shop}"
  OUTPUT_FILE "${WORK}/next-tests.txt")
run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --tests "${WORK}/next-tests.txt"
  --order "${orders}/listed.txt")
file(STRINGS "${orders}/listed.txt" listed)
list(LENGTH listed count)
if(NOT count EQUAL 7 OR NOT "tests.test_shop.test_coupon" IN_LIST listed)
  message(FATAL_ERROR "the order of the listed tests is ${listed}")
endif()
run_step(${pytest} -q tests "--antorder-order=${orders}/listed.txt" --junitxml "${WORK}/listed.xml")
ran_in("${WORK}/listed.xml" ran)
if(NOT ran STREQUAL listed)
  message(FATAL_ERROR "pytest ran ${ran}, not the order ${listed}")
endif()

# Four shards, run one after another as four CI jobs would: every test runs
# exactly once over the four, each shard in its order, and their reports
# read back as one run.
set(all)
foreach(shard 1 2 3 4)
  run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --tests "${WORK}/next-tests.txt"
    --shard ${shard}/4 --order "${orders}/shard.txt" --rest "${orders}/others.txt")
  file(STRINGS "${orders}/shard.txt" share)
  run_step(${pytest} -q tests "--antorder-order=${orders}/shard.txt"
    "--antorder-rest=${orders}/others.txt" --junitxml "${WORK}/sharded/run-0004-shard-${shard}.xml")
  ran_in("${WORK}/sharded/run-0004-shard-${shard}.xml" ran)
  if(NOT ran STREQUAL share)
    message(FATAL_ERROR "shard ${shard} ran ${ran}, not its order ${share}")
  endif()
  list(APPEND all ${ran})
endforeach()
list(SORT all)
list(SORT listed)
if(NOT all STREQUAL listed)
  message(FATAL_ERROR "the four shards ran ${all}, not each of ${listed} once")
endif()
run_step(${PROGRAM} "${WORK}/sharded" --quiet --json)
if(NOT output MATCHES "runs in the window: 1 " OR NOT output MATCHES "\"tests\": 7,")
  message(FATAL_ERROR "the shards' reports are not one run of seven tests:\n${output}")
endif()

# A budget of about half the suite: pytest runs the selection, in order.
run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --budget 0.035
  --order "${orders}/selection.txt" --rest "${orders}/rest.txt")
file(STRINGS "${orders}/selection.txt" selection)
file(STRINGS "${orders}/rest.txt" rest)
list(LENGTH rest restCount)
if(restCount EQUAL 0 OR NOT selection)
  message(FATAL_ERROR "the budget selected ${selection} and left ${rest}")
endif()
run_step(${pytest} -q tests "--antorder-order=${orders}/selection.txt"
  "--antorder-rest=${orders}/rest.txt" --junitxml "${WORK}/selected.xml")
ran_in("${WORK}/selected.xml" ran)
if(NOT ran STREQUAL "tests.test_shop.test_coupon;${selection}")
  message(FATAL_ERROR "pytest ran ${ran}, not the new test and then the selection ${selection}")
endif()
if(NOT output MATCHES "${restCount} deselected")
  message(FATAL_ERROR "pytest -q did not say ${restCount} deselected:\n${output}")
endif()

# Three budgeted runs in a row, each report holding only its selection: each
# next order still holds every test the history knows, the budget selecting
# from all of them. The test added since has not run before the first, which
# runs it first, as new.
set(known 6)
set(new "tests.test_shop.test_coupon;")
foreach(run 4 5 6)
  run_step(${PROGRAM} "${WORK}/reports" --quiet --objective apfd --budget 0.035
    --order "${orders}/selection-${run}.txt" --rest "${orders}/rest-${run}.txt")
  file(STRINGS "${orders}/selection-${run}.txt" selection)
  file(STRINGS "${orders}/rest-${run}.txt" rest)
  set(all ${selection} ${rest})
  list(LENGTH all count)
  if(NOT count EQUAL known OR NOT selection OR NOT rest)
    message(FATAL_ERROR
      "budgeted run ${run} ordered ${selection} and left ${rest}, not all ${known} tests")
  endif()
  execute_process(COMMAND ${pytest} -q tests "--antorder-order=${orders}/selection-${run}.txt"
    "--antorder-rest=${orders}/rest-${run}.txt" --junitxml "${WORK}/reports/run-000${run}.xml"
    WORKING_DIRECTORY "${shop}" OUTPUT_QUIET ERROR_QUIET)
  ran_in("${WORK}/reports/run-000${run}.xml" ran)
  if(NOT ran STREQUAL "${new}${selection}")
    message(FATAL_ERROR "budgeted run ${run}: pytest ran ${ran}, not ${new}${selection}")
  endif()
  set(known 7)
  set(new "")
endforeach()

# A table of files written by hand, on a project with one file name in
# three folders: lib/test_cart.py and tests/test_cart.py as deep,
# pkg/tests/test_cart.py deeper. Each test notes, as it runs, its path from
# the project and its names in the file, whatever pytest's rootdir.
set(shelf "${WORK}/shelf")
set(record [=[
import os

import pytest


@pytest.fixture(autouse=True)
def record(request):
    path = os.path.relpath(str(request.node.path), os.environ["SHELF"]).replace(os.sep, "/")
    with open(os.environ["SHELF_RAN"], "a") as ran:
        ran.write(path + "::" + request.node.nodeid.partition("::")[2] + "\n")
]=])
foreach(package IN ITEMS lib pkg pkg/tests tests)
  file(WRITE "${shelf}/${package}/__init__.py" "")
endforeach()
file(WRITE "${shelf}/lib/test_cart.py" "${record}\n\ndef test_tax():\n    pass\n")
file(WRITE "${shelf}/pkg/tests/test_cart.py" "${record}\n\ndef test_tax():\n    pass\n")
file(WRITE "${shelf}/tests/test_cart.py" "${record}" [=[

class TestCart:
    def test_total(self):
        pass

    def test_empty(self):
        pass


@pytest.mark.parametrize("x", [1, 2])
def test_x(x):
    pass


def test_tax():
    pass
]=])
# The tests by short names, in pytest's collection order.
set(lib_tax "lib/test_cart.py::test_tax")
set(pkg_tax "pkg/tests/test_cart.py::test_tax")
set(total "tests/test_cart.py::TestCart::test_total")
set(empty "tests/test_cart.py::TestCart::test_empty")
set(x1 "tests/test_cart.py::test_x[1]")
set(x2 "tests/test_cart.py::test_x[2]")
set(tax "tests/test_cart.py::test_tax")
pytest_with_plugin(shelf_pytest "SHELF=${shelf}" "SHELF_RAN=${WORK}/ran.txt")
list(APPEND shelf_pytest -q)
string(ASCII 255 ff)

# shelf_case(<name> [ORDER <line>...] [REST <line>...] RAN <test>... [SAYS <regex>...])
# Writes the order and rest files, each line given ended by a line feed, in
# the orders' folder and runs pytest on them four ways: from the project
# (its rootdir), with FILE after a space (the folder above becomes the
# rootdir), from the folder above, and with tests/ for rootdir. Each must
# run the tests RAN names, in that order, and print what each SAYS matches;
# without SAYS, no word of unmatched lines.
function(shelf_case name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ORDER;REST;RAN;SAYS")
  string(MAKE_C_IDENTIFIER "${name}" file)
  set(expected)
  foreach(test IN LISTS arg_RAN)
    string(APPEND expected "${${test}}\n")
  endforeach()
  set(files)
  foreach(option IN ITEMS order rest)
    string(TOUPPER "${option}" keyword)
    if(DEFINED arg_${keyword})
      set(text)
      foreach(line IN LISTS arg_${keyword})
        string(APPEND text "${line}\n")
      endforeach()
      file(WRITE "${orders}/${file}-${option}.txt" "${text}")
      list(APPEND files "${option}")
    endif()
  endforeach()
  foreach(way IN ITEMS project space parent rootdir)
    set(command ${shelf_pytest})
    set(folder "${shelf}")
    foreach(option IN LISTS files)
      if(way STREQUAL "space")
        list(APPEND command "--antorder-${option}" "${orders}/${file}-${option}.txt")
      else()
        list(APPEND command "--antorder-${option}=${orders}/${file}-${option}.txt")
      endif()
    endforeach()
    if(way STREQUAL "parent")
      set(folder "${WORK}")
      list(APPEND command shelf)
    elseif(way STREQUAL "rootdir")
      list(APPEND command "--rootdir=${shelf}/tests")
    endif()
    file(REMOVE "${WORK}/ran.txt")
    run_program(COMMAND ${command} WORKDIR "${folder}" OUTPUT output)
    file(READ "${WORK}/ran.txt" ran)
    if(NOT ran STREQUAL expected)
      message(FATAL_ERROR "${name}, run ${way}: pytest ran\n${ran}not\n${expected}${output}")
    endif()
    foreach(regex IN LISTS arg_SAYS)
      if(NOT output MATCHES "${regex}")
        message(FATAL_ERROR "${name}, run ${way}: pytest did not say ${regex}:\n${output}")
      endif()
    endforeach()
    if(NOT arg_SAYS AND output MATCHES "match no collected test")
      message(FATAL_ERROR "${name}, run ${way}: a word of unmatched lines:\n${output}")
    endif()
  endforeach()
endfunction()

shelf_case("JUnit keys"
  ORDER "tests.test_cart.test_x[2]" "tests.test_cart.TestCart.test_empty" "lib.test_cart.test_tax"
  RAN pkg_tax total x1 tax x2 empty lib_tax)
shelf_case("node ids"
  ORDER "tests/test_cart.py::test_x[2]" "tests/test_cart.py::TestCart::test_empty"
    "lib/test_cart.py::test_tax"
  RAN pkg_tax total x1 tax x2 empty lib_tax)
shelf_case("both, one test named twice"
  ORDER "tests/test_cart.py::test_x[1]" "lib.test_cart.test_tax" "tests.test_cart.test_x[1]"
  RAN pkg_tax total empty x2 tax x1 lib_tax)
# test_cart.test_tax fits lib/ and tests/ equally, so neither; the longer
# tests.test_cart.test_tax fits tests/ more fully than pkg/tests/; a line
# must name the file as well as the test. Two of four unmatched are not most.
shelf_case("a path told by its ending"
  ORDER "test_cart.test_tax" "tests.test_cart.test_tax" "TestCart.test_total"
    "pkg/tests/test_cart.py::test_tax"
  RAN lib_tax total empty x1 x2 tax pkg_tax)
shelf_case("the parameters count"
  ORDER "tests.test_cart.test_x[1]" "tests.test_cart.test_x"
  RAN lib_tax pkg_tax total empty x2 tax x1)
# A line ends at a line feed: one CR before it goes, one inside stays.
shelf_case("line ends"
  ORDER "tests.test_cart.test_tax\r" "tests/test_cart.py::test_x[1]\r"
    "lib.test_cart.test_tax\rtests.test_cart.TestCart.test_total"
  RAN lib_tax pkg_tax total empty x2 tax x1)
shelf_case("bytes that are not UTF-8"
  ORDER "tests.test_cart.TestCart.test_total" "tests.test_cart.test_${ff}" "lib.test_cart.test_tax"
  REST "tests.test_cart.test_x[${ff}]" "tests.test_cart.test_x[2]"
  RAN pkg_tax empty x1 tax total lib_tax
  SAYS "1 deselected")
shelf_case("the rest by both names"
  ORDER "tests.test_cart.test_tax" "tests/test_cart.py::test_x[2]"
  REST "tests/test_cart.py::test_x[1]" "lib.test_cart.test_tax"
  RAN pkg_tax total empty tax x2
  SAYS "2 deselected")
# The first test collected, by its key and node id, whatever the rootdir.
set(first_collected
  "collected here is [^ ]*lib\\.test_cart\\.test_tax \\(node id [^ ]*lib/test_cart\\.py::test_tax\\)")
shelf_case("another project's order"
  ORDER "shop.test_login.test_lockout" "tests.test_cart.test_vat"
    "tests.test_cart.TestCart.test_total"
  RAN lib_tax pkg_tax empty x1 x2 tax total
  SAYS "--antorder-order=[^\n]*/another_project_s_order-order.txt: 2 of its 3 lines match no"
    "such as line 1, 'shop.test_login.test_lockout'"
    "${first_collected}")
shelf_case("another project's rest"
  REST "shop.test_login.test_lockout" "shop.test_login.test_reset" "tests/test_cart.py::test_tax"
  RAN lib_tax pkg_tax total empty x1 x2
  SAYS "--antorder-rest=[^\n]*: 2 of its 3 lines match no collected test"
    "such as line 1, 'shop.test_login.test_lockout'"
    "1 deselected")
