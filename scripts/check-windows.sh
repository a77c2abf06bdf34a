#!/usr/bin/env bash
# Cross-builds antorder.exe with mingw-w64, runs it under wine and checks that
# its report equals the native one. A Windows console writes CRLF line ends;
# they are removed before the comparison.
#
# Usage: scripts/check-windows.sh NATIVE_ANTORDER [BUILD_DIR]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
native=$1
build_dir=${2:-"$source_dir/build-windows"}

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DANTORDER_BUILD_TESTS=OFF -DANTORDER_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build_dir" -j2 >/dev/null

# A wine configuration of its own, so the check leaves the user's alone.
export WINEPREFIX="$build_dir/wine" WINEDEBUG=-all
"$native" </dev/null >"$build_dir/native-report.txt"
if ! wine "$build_dir/antorder.exe" </dev/null >"$build_dir/windows-report-crlf.txt" 2>"$build_dir/wine-errors.txt"; then
  cat "$build_dir/wine-errors.txt" >&2
  echo "antorder.exe failed under wine." >&2
  exit 1
fi
tr -d '\r' <"$build_dir/windows-report-crlf.txt" >"$build_dir/windows-report.txt"

if ! cmp "$build_dir/native-report.txt" "$build_dir/windows-report.txt"; then
  diff "$build_dir/native-report.txt" "$build_dir/windows-report.txt" | head -n 20
  echo "The Windows report differs from the native one." >&2
  exit 1
fi
echo "The Windows report equals the native one ($(wc -c <"$build_dir/windows-report.txt") bytes)."
