# The 32-bit Windows console program, built with Debian's mingw-w64 and run
# under wine (32-bit programs need Debian's wine32:i386):
#   cmake -S . -B build-windows-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CROSS_TRIPLE i686-w64-mingw32)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
include(${CMAKE_CURRENT_LIST_DIR}/cross-toolchain.cmake)
