#!/usr/bin/env bash
# Builds the program and the seed sweep in a directory of their own, with the
# CMake options given (a compiler and its flags, or a toolchain file), and runs
# that build's checks: the report and the sweep, through the target's emulator,
# must print exactly what is checked in. With --twice it builds again in a
# second directory and requires the same programs, byte for byte.
#
# Usage: scripts/check-build.sh BUILD_DIR [--twice] [CMAKE_OPTION...]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
twice=0
if [ "${1:-}" = --twice ]; then
  twice=1
  shift
fi

# Configures and builds in the directory given; the log is shown only on failure.
build() {
  local dir=$1 log
  log=$(mktemp)
  if ! { cmake -S "$source_dir" -B "$dir" -DANTORDER_BUILD_TESTS=OFF -DANTORDER_BUILD_BENCHMARKS=OFF \
        "${@:2}" && cmake --build "$dir" -j2; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "The build in $dir failed." >&2
    return 1
  fi
  rm -f "$log"
}

build "$build_dir" "$@"

# Wine keeps a configuration of its own beside the build, leaving the user's alone.
export WINEPREFIX="$build_dir/wine" WINEDEBUG=-all
ctest --test-dir "$build_dir" --output-on-failure

if [ "$twice" = 1 ]; then
  build "$build_dir-again" "$@"
  for program in "$build_dir"/antorder "$build_dir"/antorder.exe "$build_dir"/seed_sweep \
      "$build_dir"/seed_sweep.exe; do
    [ -f "$program" ] || continue
    cmp "$program" "$build_dir-again/${program##*/}"
    echo "Built twice to the same bytes: ${program##*/} ($(sha256sum <"$program" | cut -c1-16)...)"
  done
fi
