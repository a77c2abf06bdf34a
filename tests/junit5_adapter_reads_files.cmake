# The JUnit 5 adapter reads the order and rest files as antorder-suite writes
# them: its own tests (tests/junit5_adapter/), run by JUnit's console
# launcher against the built jar, without Maven. Skipped where javac or
# Debian's console launcher is missing, or the adapter was not built.
#
# cmake -DJAR=... -DWORK=... -P junit5_adapter_reads_files.cmake
cmake_policy(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake)
find_program(JAVAC javac)
find_program(JAVA java)
set(launcher /usr/share/java/junit-platform-console-standalone.jar)
if(NOT JAVAC OR NOT JAVA)
  skip_check("no javac (Debian: default-jdk-headless)")
elseif(NOT EXISTS "${launcher}")
  skip_check("no ${launcher} (Debian: junit5)")
elseif(NOT JAR OR NOT EXISTS "${JAR}")
  skip_check("the JUnit 5 adapter was not built (a JDK and Debian's junit5 at configure time)")
endif()
file(REMOVE_RECURSE "${WORK}")
file(GLOB_RECURSE sources "${CMAKE_CURRENT_LIST_DIR}/junit5_adapter/*.java")
run_program(COMMAND ${JAVAC} --release 11 -encoding UTF-8 -Xlint:all -Werror
  -cp "${JAR}:${launcher}" -d "${WORK}/classes" ${sources})
run_program(COMMAND ${JAVA} -jar "${launcher}" --disable-banner --details=summary
  --disable-ansi-colors --fail-if-no-tests -cp "${JAR}:${WORK}/classes"
  --select-package antorder.junit5 OUTPUT output)
message(STATUS "${output}")
