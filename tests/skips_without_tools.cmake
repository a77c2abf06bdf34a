# The checks that need lcov, pytest, coverage.py or node are skipped, not failed, on
# a machine without them. Each of lcov_from_gcc, coverage_from_python,
# pytest_runs_the_order, coverage_names_from_pytest, the JUnit 5 checks (no
# mvn) and the two Jest checks run here with a PATH that holds gcc alone and
# with a Python that has no packages beyond its standard library (the one at
# hand, started with -I -S); each must exit 0, print a line that its test's
# SKIP_REGULAR_EXPRESSION (SKIP) matches, and leave its work folder unmade.
#
# cmake -DSKIP=... -DWORK=... -P skips_without_tools.cmake
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
file(REMOVE_RECURSE "${WORK}")
set(bin "${WORK}/bin")
file(MAKE_DIRECTORY "${bin}")
# gcc at hand and lcov not: the lcov check is skipped for want of lcov alone.
find_program(GCC gcc)
if(GCC)
  file(CREATE_LINK "${GCC}" "${bin}/gcc" SYMBOLIC)
endif()
# Debian's own Python first, as the checks take it, else the first on the PATH.
find_program(PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PYTHON NAMES python3)
set(python)
if(PYTHON)
  file(WRITE "${WORK}/python3" "#!/bin/sh\nexec '${PYTHON}' -I -S \"$@\"\n")
  file(CHMOD "${WORK}/python3" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(python "-DPYTHON=${WORK}/python3")
endif()

foreach(check IN ITEMS lcov_from_gcc coverage_from_python pytest_runs_the_order
    pytest_orders_by_itself coverage_names_from_pytest junit5_runs_the_order
    jest_runs_the_order jest_sequencer_cases)
  run_program(COMMAND ${CMAKE_COMMAND} -E env "PATH=${bin}" ${CMAKE_COMMAND}
    "-DWORK=${WORK}/${check}" ${python} -P "${CMAKE_CURRENT_LIST_DIR}/${check}.cmake"
    OUTPUT output)
  if(NOT output MATCHES "${SKIP}")
    message(FATAL_ERROR "${check} was not skipped without its tools:\n${output}")
  endif()
  if(EXISTS "${WORK}/${check}")
    message(FATAL_ERROR "${check} went to work without its tools:\n${output}")
  endif()
  string(STRIP "${output}" output)
  message(STATUS "${check}: ${output}")
endforeach()
