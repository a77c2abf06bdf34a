#!/usr/bin/env bash
# Builds the program with several compilers, optimisation levels and
# instrumentations and checks that every build prints the expected report,
# byte for byte: the report must not depend on how the program was built.
#
# Usage: scripts/check-reports.sh [WORK_DIR]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
work_dir=${1:-"$source_dir/build-reports"}
expected="$source_dir/tests/expected_report.txt"

# name, compiler, flags, extra CMake options
builds=(
  "gcc-O0|g++|-O0|"
  "gcc-O2|g++|-O2|"
  "gcc-O3-native|g++|-O3 -march=native|"
  "clang-O2|clang++|-O2|"
  "clang-O3-native|clang++|-O3 -march=native|"
  "gcc-sanitize|g++|-O1 -g|-DANTORDER_SANITIZE=ON"
)

failed=0
for build in "${builds[@]}"; do
  IFS='|' read -r name compiler flags options <<<"$build"
  dir="$work_dir/$name"
  # shellcheck disable=SC2086 # options is a list of words
  cmake -S "$source_dir" -B "$dir" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_FLAGS="$flags" -DANTORDER_BUILD_TESTS=OFF -DANTORDER_BUILD_BENCHMARKS=OFF $options >/dev/null
  cmake --build "$dir" -j2 >/dev/null
  if "$dir/antorder" </dev/null >"$dir/report.txt" && cmp -s "$expected" "$dir/report.txt"; then
    echo "same report: $name ($compiler $flags)"
  else
    echo "DIFFERENT REPORT: $name ($compiler $flags)" >&2
    diff "$expected" "$dir/report.txt" | head -n 10 >&2 || true
    failed=1
  fi
done
exit "$failed"
