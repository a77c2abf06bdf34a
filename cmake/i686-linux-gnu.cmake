# 32-bit x86 Linux, built with Debian's cross compiler:
#   cmake -S . -B build-linux-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# No emulator: an x86-64 Linux machine runs the static 32-bit program itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CROSS_TRIPLE i686-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/cross-toolchain.cmake)
