# What the check scripts share, included with
# include(${CMAKE_CURRENT_LIST_DIR}/run_program.cmake).
#
# run_program(COMMAND <program> <argument>... [WORKDIR <folder>]
#   [OUTPUT <variable>] [ERRORS <variable>] [CRLF <bool>] [OUTPUT_FILE <file>])
# Runs a program, with standard input at its end so that nothing waits on it,
# in WORKDIR (where the script runs without it), and fails the check, with the
# command and all it printed, unless it exits 0. A check on a cross build puts
# its target's emulator first in COMMAND. OUTPUT names a variable of the caller
# that receives the program's standard output; with CRLF true (a Windows
# console's output) its CR LF line ends read as LF; ERRORS, one that receives
# its standard error. OUTPUT_FILE keeps that
# output in a file as well, written before the exit status is checked, so a
# failed run leaves it to look at.
function(run_program)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "WORKDIR;OUTPUT;ERRORS;CRLF;OUTPUT_FILE" "COMMAND")
  if(NOT arg_COMMAND)
    message(FATAL_ERROR "run_program: no COMMAND")
  endif()
  if(CMAKE_HOST_WIN32)
    set(noInput NUL)
  else()
    set(noInput /dev/null)
  endif()
  if(NOT arg_WORKDIR)
    set(arg_WORKDIR .)
  endif()
  execute_process(COMMAND ${arg_COMMAND} INPUT_FILE ${noInput} WORKING_DIRECTORY "${arg_WORKDIR}"
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(arg_CRLF)
    string(REPLACE "\r\n" "\n" output "${output}")
  endif()
  if(arg_OUTPUT_FILE)
    file(WRITE "${arg_OUTPUT_FILE}" "${output}")
  endif()
  if(NOT status EQUAL 0)
    string(JOIN " " command ${arg_COMMAND})
    message(FATAL_ERROR "${command} ended with ${status}:\n${output}${errors}")
  endif()
  if(arg_OUTPUT)
    set(${arg_OUTPUT} "${output}" PARENT_SCOPE)
  endif()
  if(arg_ERRORS)
    set(${arg_ERRORS} "${errors}" PARENT_SCOPE)
  endif()
endfunction()

# skip_check(<reason>): ends the script at once with exit status 0, saying in
# a status line "-- SKIPPED: <reason>" that the check is skipped and why; the
# SKIP_REGULAR_EXPRESSION of its test matches that line, so that ctest counts
# it as skipped. A macro, so that its return() leaves the script itself.
macro(skip_check reason)
  message(STATUS "SKIPPED: ${reason}")
  return()
endmacro()

# find_python_with(<import> <reason>): sets PYTHON to a Python that can run
# `import <import>` (PYTHON where given; else Debian's own first, which its
# packages serve, then the first on the PATH), or skips the check with the
# reason. A macro, so that the skip leaves the script itself.
macro(find_python_with modules reason)
  find_program(PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(PYTHON NAMES python3)
  if(PYTHON)
    execute_process(COMMAND ${PYTHON} -c "import ${modules}" RESULT_VARIABLE python_status
      OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(NOT PYTHON OR NOT python_status EQUAL 0)
    skip_check("${reason}")
  endif()
endmacro()
