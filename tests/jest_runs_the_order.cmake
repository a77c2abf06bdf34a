# Jest runs the order: a small Jest project (tests/projects/jest: three test
# files, one parameterised, nested describes) with its packages from the npm
# registry, pinned by its lock file, and the sequencer where an install puts
# it, outside the project. Three runs reported by jest-junit read back as a
# history; Jest runs the order written, file by file, a file the order does
# not name last; a budget runs the files of its selection alone; four
# --shard=I/4 runs run every test once. Skipped where node, npm or the
# registry is missing.
#
# cmake -DPROGRAM=... -DPROJECT=... -DSEQUENCER=... -DWORK=... -DCACHE=... -P jest_runs_the_order.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(NODE NAMES node nodejs)
find_program(NPM npm)
if(NOT NODE OR NOT NPM)
  skip_check("no node or npm (Debian: nodejs npm)")
endif()
file(REMOVE_RECURSE "${WORK}")

# The packages, installed once for each lock file: npm ci takes most of a
# minute, the runs below a few seconds.
file(SHA256 "${PROJECT}/package-lock.json" lockHash)
set(modules "${CACHE}/${lockHash}")
if(NOT EXISTS "${modules}/installed")
  file(REMOVE_RECURSE "${modules}")
  file(COPY "${PROJECT}/package.json" "${PROJECT}/package-lock.json" DESTINATION "${modules}")
  execute_process(COMMAND ${NPM} ci --ignore-scripts --no-audit --no-fund
    WORKING_DIRECTORY "${modules}" RESULT_VARIABLE status OUTPUT_VARIABLE npmOutput
    ERROR_VARIABLE npmOutput)
  if(NOT status EQUAL 0)
    string(REGEX REPLACE "\n.*" "" npmError "${npmOutput}")
    skip_check("npm ci could not install Jest (no npm registry?): ${npmError}")
  endif()
  file(WRITE "${modules}/installed" "")
endif()

set(shop "${WORK}/shop")
file(COPY "${PROJECT}/" DESTINATION "${shop}")
file(CREATE_LINK "${modules}/node_modules" "${shop}/node_modules" SYMBOLIC)
file(COPY "${SEQUENCER}" DESTINATION "${WORK}/share/antorder")
set(orders "${WORK}/orders")
file(MAKE_DIRECTORY "${orders}" "${WORK}/history")

# jest [<VARIABLE=value>...] [-- <argument>...]: runs Jest in band (one file
# after another, as written) with the environment given, its jest-junit
# report in report.xml; stderr (Jest's own report and the sequencer's lines)
# in errors. Jest's cache, of the test files as compiled, is kept beside the
# packages from one check to the next.
function(jest)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "")
  set(environment)
  set(arguments)
  set(target environment)
  foreach(word IN LISTS arg_UNPARSED_ARGUMENTS)
    if(word STREQUAL "--")
      set(target arguments)
    else()
      list(APPEND ${target} "${word}")
    endif()
  endforeach()
  file(REMOVE "${WORK}/report.xml")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "JEST_JUNIT_OUTPUT_FILE=${WORK}/report.xml"
    ${environment} ${NODE} node_modules/jest/bin/jest.js --ci -i "--cacheDirectory=${modules}/cache"
    ${arguments} WORKING_DIRECTORY "${shop}" INPUT_FILE /dev/null
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(errors "${output}" PARENT_SCOPE)
  set(status "${status}" PARENT_SCOPE)
  if(NOT EXISTS "${WORK}/report.xml")
    message(FATAL_ERROR "jest ${ARGN} wrote no report (status ${status}):\n${output}")
  endif()
endfunction()
# The tests a report holds, in the order they ran, by their history keys,
# and the test files, in the order their first test ran.
function(ran_in report tests files)
  file(READ "${report}" xml)
  string(REGEX MATCHALL "<testcase classname=\"[^\"]*\" name=\"[^\"]*\"" cases "${xml}")
  set(keys)
  set(paths)
  foreach(case IN LISTS cases)
    string(REGEX REPLACE "<testcase classname=\"([^\"]*)\" name=\"([^\"]*)\"" "\\1.\\2" key
      "${case}")
    string(REGEX REPLACE "<testcase classname=\"([^\"]*)\".*" "\\1" path "${case}")
    list(APPEND keys "${key}")
    list(APPEND paths "${path}")
  endforeach()
  list(REMOVE_DUPLICATES paths)
  set(${tests} "${keys}" PARENT_SCOPE)
  set(${files} "${paths}" PARENT_SCOPE)
endfunction()
# The test files the lines of a file name, in order of their first line.
function(files_of list result)
  set(paths)
  foreach(line IN LISTS ${list})
    string(REGEX REPLACE "^(.*\\.test\\.js)\\..*" "\\1" path "${line}")
    list(APPEND paths "${path}")
  endforeach()
  list(REMOVE_DUPLICATES paths)
  set(${result} "${paths}" PARENT_SCOPE)
endfunction()

# Three runs, kept as the history: one passing, then two with a failure.
set(failing "" "tax" "search two words")
foreach(run 1 2 3)
  math(EXPR index "${run} - 1")
  list(GET failing ${index} fail)
  jest("SHOP_FAIL=${fail}")
  file(COPY_FILE "${WORK}/report.xml" "${WORK}/history/run-000${run}.xml")
  if(run EQUAL 1)
    ran_in("${WORK}/report.xml" all allFiles)
  endif()
endforeach()
list(LENGTH all count)
if(NOT count EQUAL 9 OR NOT errors MATCHES "antorder: not ordered: ANTORDER_ORDER is not set")
  message(FATAL_ERROR "the first run ran ${all}, with\n${errors}")
endif()
run_program(COMMAND ${PROGRAM} "${WORK}/history" --order "${orders}/order.txt" OUTPUT summary)
if(NOT summary MATCHES "\ntests: 9\n" OR NOT summary MATCHES "runs in the window: 3 [^\n]*, 2 with a failure")
  message(FATAL_ERROR "the history does not read back as three runs of nine tests:\n${summary}")
endif()
file(STRINGS "${orders}/order.txt" order)
set(sortedAll ${all})
set(sortedOrder ${order})
list(SORT sortedAll)
list(SORT sortedOrder)
if(NOT "${sortedOrder}" STREQUAL "${sortedAll}")
  message(FATAL_ERROR "the order ${order} does not hold the tests run, ${all}")
endif()

# The order runs as written, file by file; a file added since runs last,
# with a word; lines of another project, most of the file, are said, and
# harm nothing.
file(WRITE "${shop}/test/coupon.test.js" "test(\"applies\", () => {});\n")
foreach(other RANGE 1 10)
  file(APPEND "${orders}/order.txt" "other/login.test.js. locks out ${other}\n")
endforeach()
jest("ANTORDER_ORDER=${orders}/order.txt")
ran_in("${WORK}/report.xml" ran ranFiles)
files_of(order expected)
list(APPEND expected "test/coupon.test.js")
if(NOT "${ranFiles}" STREQUAL "${expected}")
  message(FATAL_ERROR "Jest ran the files ${ranFiles}, not ${expected}:\n${errors}")
endif()
foreach(said IN ITEMS "antorder: 1 test file[^\n]* the order does not name run last: test/coupon.test.js"
    "antorder: ANTORDER_ORDER=[^\n]*: 10 of its 19 lines name no test file here, such as line 10, 'other/login.test.js. locks out 1'")
  if(NOT errors MATCHES "${said}")
    message(FATAL_ERROR "Jest did not say ${said}:\n${errors}")
  endif()
endforeach()
file(REMOVE "${shop}/test/coupon.test.js")

# A budget of two tests, each costing 1: the two that failed lead the
# order, and Jest runs their files alone, whole; the others' do not run.
file(WRITE "${WORK}/costs.csv" "test,cost\n")
foreach(test IN LISTS all)
  file(APPEND "${WORK}/costs.csv" "${test},1\n")
endforeach()
run_program(COMMAND ${PROGRAM} "${WORK}/history" --quiet --costs "${WORK}/costs.csv" --budget 2
  --order "${orders}/selection.txt" --rest "${orders}/rest.txt")
file(STRINGS "${orders}/selection.txt" selection)
file(STRINGS "${orders}/rest.txt" rest)
files_of(selection selected)
jest("ANTORDER_ORDER=${orders}/selection.txt" "ANTORDER_REST=${orders}/rest.txt")
ran_in("${WORK}/report.xml" ran ranFiles)
set(expected)
foreach(test IN LISTS all)
  files_of(test file)
  if(file IN_LIST selected)
    list(APPEND expected "${test}")
  endif()
endforeach()
list(SORT ran)
list(SORT expected)
list(LENGTH selected count)
if(NOT "${ranFiles}" STREQUAL "${selected}" OR NOT "${ran}" STREQUAL "${expected}" OR NOT count EQUAL 2)
  message(FATAL_ERROR
    "the budget selected ${selection}; Jest ran ${ran} of the files ${ranFiles}, not the files ${selected}")
endif()
foreach(test IN LISTS selection)
  if(NOT test IN_LIST ran)
    message(FATAL_ERROR "the budget's ${test} did not run: Jest ran ${ran}")
  endif()
endforeach()

# With --runner jest the budget takes whole files: Jest runs exactly the
# tests it selected.
run_program(COMMAND ${PROGRAM} "${WORK}/history" --quiet --costs "${WORK}/costs.csv" --runner jest
  --budget 4 --order "${orders}/whole.txt" --rest "${orders}/whole-rest.txt")
file(STRINGS "${orders}/whole.txt" selection)
jest("ANTORDER_ORDER=${orders}/whole.txt" "ANTORDER_REST=${orders}/whole-rest.txt")
ran_in("${WORK}/report.xml" ran ranFiles)
set(expected ${selection})
list(SORT ran)
list(SORT expected)
if(NOT selection OR NOT "${ran}" STREQUAL "${expected}")
  message(FATAL_ERROR "the budget of whole files selected ${selection}; Jest ran ${ran}")
endif()

# Four shards, as four CI jobs run them with Jest's own --shard=I/4: every
# test runs exactly once, a file whose tests antorder split over shards in
# the shard whose order holds its first key, in the order.
set(firstKeys)
set(seen)
foreach(test IN LISTS sortedAll)
  files_of(test file)
  if(NOT file IN_LIST seen)
    list(APPEND seen "${file}")
    list(APPEND firstKeys "${test}")
  endif()
endforeach()
set(ranAll)
foreach(shard 1 2 3 4)
  run_program(COMMAND ${PROGRAM} "${WORK}/history" --quiet --runner jest --shard ${shard}/4
    --order "${orders}/shard-${shard}.txt" --rest "${orders}/others-${shard}.txt")
  jest("ANTORDER_ORDER=${orders}/shard-${shard}.txt" "ANTORDER_REST=${orders}/others-${shard}.txt"
    -- --shard=${shard}/4 --passWithNoTests)
  if(NOT status EQUAL 0 OR errors MATCHES "antorder: ")
    message(FATAL_ERROR "shard ${shard} ended with ${status}:\n${errors}")
  endif()
  ran_in("${WORK}/report.xml" ran ranFiles)
  file(STRINGS "${orders}/shard-${shard}.txt" share)
  files_of(share expected)
  set(owned)
  foreach(file IN LISTS expected)
    foreach(key IN LISTS firstKeys)
      if(key IN_LIST share AND key MATCHES "^${file}\\.")
        list(APPEND owned "${file}")
      endif()
    endforeach()
  endforeach()
  if(NOT "${ranFiles}" STREQUAL "${owned}")
    message(FATAL_ERROR "shard ${shard} ran the files ${ranFiles}, not ${owned} of its order ${share}")
  endif()
  list(APPEND ranAll ${ran})
endforeach()
list(SORT ranAll)
if(NOT "${ranAll}" STREQUAL "${sortedAll}")
  message(FATAL_ERROR "the four shards ran ${ranAll}, not each of ${sortedAll} once")
endif()
