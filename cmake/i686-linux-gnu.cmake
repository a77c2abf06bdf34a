# 32-bit x86 Linux, built with Debian's cross compiler and run under qemu-user:
#   cmake -S . -B build-linux-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# qemu runs the program on any x86-64 kernel, also one built without 32-bit
# support, and computes its SSE2 float steps exactly as the processor would.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CROSS_TRIPLE i686-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/cross-toolchain.cmake)
