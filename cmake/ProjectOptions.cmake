# Settings every target of the project shares: language level, warnings,
# exact floating point and, when asked for, the sanitizers.

option(ANTORDER_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)
option(ANTORDER_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

function(antorder_configure target)
  target_compile_features(${target} PRIVATE cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})

  if(MSVC)
    # /fp:precise neither contracts nor reorders float expressions.
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
  if(ANTORDER_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()

  if(ANTORDER_SANITIZE)
    set(flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(${target} PRIVATE ${flags})
    target_link_options(${target} PRIVATE ${flags})
  endif()
endfunction()
