#!/usr/bin/env bash
# Builds the program and the seed sweep in a directory of their own, with the
# CMake options given (a compiler and its flags, or a toolchain file), and runs
# that build's checks: the report and the sweep, through the target's emulator,
# must print exactly what is checked in. With --twice it builds again in a
# second directory and requires the same programs, byte for byte. With
# --run-if, the checks run only where the given command succeeds (a loader
# this machine can start); elsewhere the script builds, says so and exits 77.
#
# Usage: scripts/check-build.sh BUILD_DIR [--twice] [--run-if COMMAND] [CMAKE_OPTION...]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1
shift
twice=0
if [ "${1:-}" = --twice ]; then
  twice=1
  shift
fi
run_if=true
if [ "${1:-}" = --run-if ]; then
  run_if=$2
  shift 2
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

# Wine keeps a configuration of its own beside the build, leaving the user's
# alone, unless the caller names one to share.
export WINEPREFIX="${WINEPREFIX:-$build_dir/wine}" WINEDEBUG=-all
runs=1
if ! $run_if >/dev/null 2>&1; then
  runs=0
  echo "Built, but this machine cannot run it ('$run_if' failed): its checks are skipped."
else
  ctest --test-dir "$build_dir" --output-on-failure
fi

if [ "$twice" = 1 ]; then
  build "$build_dir-again" "$@"
  for program in "$build_dir"/antorder "$build_dir"/antorder.exe "$build_dir"/seed_sweep \
      "$build_dir"/seed_sweep.exe; do
    [ -f "$program" ] || continue
    cmp "$program" "$build_dir-again/${program##*/}"
    echo "Built twice to the same bytes: ${program##*/} ($(sha256sum <"$program" | cut -c1-16)...)"
  done
fi

[ "$runs" = 1 ] || exit 77
