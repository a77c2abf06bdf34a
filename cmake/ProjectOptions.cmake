# Settings every target of the project shares: language level, warnings,
# exact floating point and, when asked for, the sanitizers.

option(ANTORDER_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)
option(ANTORDER_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ANTORDER_FUZZ "Build the fuzzers (clang): every target instrumented for libFuzzer" OFF)

function(antorder_configure target)
  target_compile_features(${target} PRIVATE cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)

  if(MSVC)
    # /fp:precise neither contracts nor reorders float expressions; on 32-bit
    # x86 MSVC computes in SSE2 already, so each float step rounds as written.
    target_compile_options(${target} PRIVATE /W4 /fp:precise)
    if(ANTORDER_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
    return()
  endif()

  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wdouble-promotion -Wold-style-cast -Wcast-qual
    # Every float and double step must round on its own, as written: no
    # fused multiply-add, whatever the target CPU offers.
    -ffp-contract=off)
  # On 32-bit x86 the default x87 unit keeps intermediates in 80-bit registers,
  # so a float step would not round where the code stores it; SSE2 rounds each
  # step as written, as on every other target.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86|x86_64|AMD64)$")
    target_compile_options(${target} PRIVATE -msse2 -mfpmath=sse)
  endif()
  if(ANTORDER_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()

  if(ANTORDER_SANITIZE OR ANTORDER_FUZZ)
    set(flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    if(ANTORDER_FUZZ)
      list(APPEND flags -fsanitize=fuzzer-no-link)
    endif()
    target_compile_options(${target} PRIVATE ${flags})
    target_link_options(${target} PRIVATE ${flags})
  endif()
endfunction()

# A library includes from its own folder and from the layers below it, and
# from nothing above: its include path is a folder of links to just those,
# so an upward include does not compile. FOLDERS: its own first.
function(antorder_layer target)
  set(dir ${PROJECT_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${dir})
  foreach(folder IN LISTS ARGN)
    if(NOT EXISTS ${dir}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${dir})
  else()
    target_include_directories(${target} PUBLIC ${dir})
  endif()
endfunction()
