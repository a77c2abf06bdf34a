# Shared by the cross toolchain files, which set CMAKE_SYSTEM_NAME,
# CMAKE_SYSTEM_PROCESSOR, CROSS_TRIPLE and the emulator first: Debian's cross
# compilers for that triple, headers and libraries from its sysroot only, and a
# static link so that the program needs nothing else.
# On Windows, mingw-w64's POSIX thread model: its win32 one has no std::thread.
if(CMAKE_SYSTEM_NAME STREQUAL Windows)
  set(CMAKE_C_COMPILER ${CROSS_TRIPLE}-gcc-posix)
  set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++-posix)
else()
  set(CMAKE_C_COMPILER ${CROSS_TRIPLE}-gcc)
  set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++)
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# GNU ld writes the link time into a PE header unless told not to; without it
# two builds of one commit give the same bytes.
if(CMAKE_SYSTEM_NAME STREQUAL Windows)
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--no-insert-timestamp")
endif()
