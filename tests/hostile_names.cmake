# Test names that could break or take over the files the runners read: a
# name ending in "]" (a parametrised pytest test), names holding a bracket's
# closer, a name that would add a command to the COST script, a name with
# spaces that ctest's cost-data file would read as another test and cost, a
# ";", a "\" and a quote. A project with a test of each name includes the COST
# script antorder-suite writes: configure succeeds, every test gets its COST,
# nothing the names hold is run, and ctest -j runs with the cost-data file,
# whose left-out names the warning gives.
#
# cmake -DPROGRAM=... -DWORK=... -P hostile_names.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
file(REMOVE_RECURSE "${WORK}")
# The names as CSV cells, each test revealing a fault of its own.
file(WRITE "${WORK}/suite.csv" [========[test,f1,f2,f3,f4,f5,f6,f7,f8
test_x[1],1,0,0,0,0,0,0,0
t]],0,1,0,0,0,0,0,0
t]=]x],0,0,1,0,0,0,0,0
evil]==] ) execute_process(COMMAND ${CMAKE_COMMAND} -E touch pwned) #,0,0,0,1,0,0,0,0
t1 1 99999,0,0,0,0,1,0,0,0
semi;colon,0,0,0,0,0,1,0,0
back\slash,0,0,0,0,0,0,1,0
"quote""d",0,0,0,0,0,0,0,1
]========])
# One variable a name: a CMake list would split them at the ";" and join
# them across unmatched "[" and "]".
set(name1 "test_x[1]")
set(name2 "t]]")
set(name3 "t]=]x]")
set(name4 [========[evil]==] ) execute_process(COMMAND ${CMAKE_COMMAND} -E touch pwned) #]========])
set(name5 "t1 1 99999")
set(name6 [[semi;colon]])
set(name7 [[back\slash]])
set(name8 [[quote"d]])
set(build "${WORK}/build")
# The project: a test of each name, each a bracket argument no name closes.
set(project "cmake_minimum_required(VERSION 3.21)\nproject(hostile NONE)\nenable_testing()\n")
foreach(at RANGE 1 8)
  string(APPEND project
    "add_test(NAME [=========[${name${at}}]=========] COMMAND \${CMAKE_COMMAND} -E true)\n")
endforeach()
string(APPEND project "include(\${CMAKE_BINARY_DIR}/antorder-costs.cmake OPTIONAL)\n")
file(WRITE "${WORK}/project/CMakeLists.txt" "${project}")
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")

file(MAKE_DIRECTORY "${build}/Testing/Temporary")
run_program(COMMAND ${PROGRAM} "${WORK}/suite.csv" --quiet --order "${WORK}/order.txt"
  --ctest-costs "${build}/Testing/Temporary/CTestCostData.txt"
  --ctest-properties "${build}/antorder-costs.cmake" ERRORS errors)
# ctest rewrites the cost-data file when it runs: read as written.
file(READ "${build}/Testing/Temporary/CTestCostData.txt" costData)
run_program(COMMAND ${CMAKE_COMMAND} -S "${WORK}/project" -B "${build}")
run_program(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" --show-only=json-v1
  OUTPUT listing)
run_program(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${build}" -j 2)
if(EXISTS "${WORK}/project/pwned" OR EXISTS "${build}/pwned")
  message(FATAL_ERROR "a name's text ran as a command")
endif()

# Every test has the COST of its place in the order.
string(JSON count LENGTH "${listing}" tests)
math(EXPR last "${count} - 1")
foreach(at RANGE ${last})
  string(JSON name GET "${listing}" tests ${at} name)
  string(JSON propertyCount LENGTH "${listing}" tests ${at} properties)
  set(cost "")
  math(EXPR lastProperty "${propertyCount} - 1")
  foreach(property RANGE ${lastProperty})
    string(JSON propertyName GET "${listing}" tests ${at} properties ${property} name)
    if(propertyName STREQUAL "COST")
      string(JSON cost GET "${listing}" tests ${at} properties ${property} value)
    endif()
  endforeach()
  if(cost STREQUAL "")
    message(FATAL_ERROR "the COST script gave the test [${name}] no COST")
  endif()
endforeach()
if(NOT count EQUAL 8)
  message(FATAL_ERROR "ctest lists ${count} tests, not the 8 named")
endif()

# The cost-data file leaves out the names with spaces (the one ctest would
# read as test t1 of cost 99999 among them), and the warning names them.
string(FIND "${costData}" "t1 1 99999" forged)
string(FIND "${errors}" "2 tests are left out of" warned)
string(FIND "${errors}" "t1 1 99999" named)
if(NOT forged EQUAL -1 OR warned EQUAL -1 OR named EQUAL -1)
  message(FATAL_ERROR "a spaced name is in the cost-data file, or not named:\n${errors}")
endif()
message(STATUS "every hostile name placed or named, none run")
