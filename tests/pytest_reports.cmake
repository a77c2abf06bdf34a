# What the pytest checks share, included after run_program.cmake.
#
# ran_in(<report> <variable>): the tests a pytest --junitxml report holds, in
# the order they ran, by their JUnit keys as pytest gives them with the
# project's folder for its rootdir: a run whose rootdir is the folder above
# names them shop.tests..., and reads as tests... too.
function(ran_in report result)
  file(READ "${report}" xml)
  string(REGEX MATCHALL "<testcase classname=\"[^\"]*\" name=\"[^\"]*\"" cases "${xml}")
  set(keys)
  foreach(case IN LISTS cases)
    string(REGEX REPLACE "<testcase classname=\"([^\"]*)\" name=\"([^\"]*)\"" "\\1.\\2" key
      "${case}")
    string(REGEX REPLACE "^shop\\." "" key "${key}")
    list(APPEND keys "${key}")
  endforeach()
  set(${result} "${keys}" PARENT_SCOPE)
endfunction()

# pytest_with_plugin(<variable> [<NAME=VALUE>...]): the command that runs
# PYTHON's pytest with the plugin from PLUGIN_DIR loaded and no cache left in
# the project, the environment given set for it.
function(pytest_with_plugin variable)
  set(${variable} ${CMAKE_COMMAND} -E env "PYTHONPATH=${PLUGIN_DIR}" ${ARGN} ${PYTHON} -m pytest
    -p no:cacheprovider -p antorder_pytest PARENT_SCOPE)
endfunction()
