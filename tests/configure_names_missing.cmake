# Run as cmake -DSOURCE=... -DWORK=... -P: configuring without the libraries
# antorder-suite needs, nor GoogleTest, names every missing one in one line
# and says what the tests leave out.
file(REMOVE_RECURSE ${WORK})
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK} -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_pugixml=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DANTORDER_BUILD_BENCHMARKS=OFF
    -DANTORDER_PUGIXML_SOURCE=${WORK}/no-pugixml
  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
file(REMOVE_RECURSE ${WORK})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring failed:\n${output}${errors}")
endif()
foreach(expected
    "Leaving out antorder-suite: no CLI11 (Debian: libcli11-dev), nlohmann_json (Debian: nlohmann-json3-dev), pugixml (Debian: libpugixml-dev"
    "Leaving out the GoogleTest suites: no GTest (Debian: libgtest-dev); ctest then runs only the checks of the program's output")
  string(FIND "${output}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "configuring did not say \"${expected}\":\n${output}")
  endif()
endforeach()
