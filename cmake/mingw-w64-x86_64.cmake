# The 64-bit Windows console program, built with Debian's mingw-w64 and run under wine:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CROSS_TRIPLE x86_64-w64-mingw32)
# Debian's wine command starts the 32-bit loader whenever wine32 is installed,
# which fails on a kernel that cannot run 32-bit programs; its 64-bit loader
# runs a 64-bit program anywhere.
find_program(WINE64_LOADER wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(WINE64_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE64_LOADER})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/cross-toolchain.cmake)
