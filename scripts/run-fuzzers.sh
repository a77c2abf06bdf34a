#!/usr/bin/env bash
# Builds a libFuzzer target per reader with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on), and one (program) that takes what it reads
# through the whole program; seeds each with the test suites of its format
# (the program's with all of them) and every input that once made it fail
# (tests/fuzz_regressions/FORMAT/), and runs each for the seconds given, two
# at a time. Fails on any finding, whose
# input libFuzzer leaves in the build folder: add it to tests/fuzz_regressions.
#
# Usage: scripts/run-fuzzers.sh [SECONDS_EACH (60)] [BUILD_DIR (build-fuzz)]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build_dir=$(mkdir -p "${2:-build-fuzz}" && cd "${2:-build-fuzz}" && pwd)

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DANTORDER_FUZZ=ON -DANTORDER_BUILD_TESTS=OFF -DANTORDER_BUILD_BENCHMARKS=OFF >/dev/null
formats=(csv sir lists junit lcov coverage_json pit stryker test_list diff coverage_map ctest_listing
  gcov_counts program)
cmake --build "$build_dir" -j2 --target "${formats[@]/#/fuzz_}" >/dev/null

declare -A seeds=(
  [csv]="$source_dir/tests/suites/*.csv $source_dir/examples/*.csv"
  [sir]="$source_dir/tests/suites/*.sir"
  [lists]="$source_dir/tests/suites/*.lists"
  [junit]="$source_dir/tests/suites/junit/*.xml $source_dir/tests/suites/history/*.xml"
  [lcov]="$source_dir/tests/suites/*.info"
  [coverage_json]="$source_dir/tests/suites/contexts.json"
  [pit]="$source_dir/tests/suites/mutations*.xml"
  [stryker]="$source_dir/tests/suites/stryker.json"
  [test_list]="$source_dir/tests/suites/next-tests/*"
  [diff]="$source_dir/tests/suites/*.diff"
  [coverage_map]="$source_dir/tests/suites/contexts.json $source_dir/tests/suites/*.info"
  [ctest_listing]="$source_dir/tests/suites/collect/listing.json $source_dir/tests/suites/next-tests/*.json"
  [gcov_counts]="$source_dir/tests/suites/collect/gcov.json"
  [program]="$source_dir/tests/suites/*.* $source_dir/examples/*.*"
)
for format in "${formats[@]}"; do
  corpus=$build_dir/corpus/$format
  mkdir -p "$corpus"
  # Each seed under a name of its own: two folders may hold one file name.
  # shellcheck disable=SC2086 # the seed patterns are globs
  for seed in ${seeds[$format]}; do
    cp "$seed" "$corpus/$(basename "$(dirname "$seed")")-$(basename "$seed")"
  done
  if [ -d "$source_dir/tests/fuzz_regressions/$format" ]; then
    cp "$source_dir/tests/fuzz_regressions/$format"/* "$corpus"/
  fi
done

# One reader's fuzzer; its findings and log stay in the build folder.
fuzz_one() {
  local format=$1 dictionary=()
  [ -f "$source_dir/fuzz/$format.dict" ] && dictionary=("-dict=$source_dir/fuzz/$format.dict")
  echo "Fuzzing the $format reader for ${seconds}s"
  "$build_dir/fuzz_$format" "$build_dir/corpus/$format" "${dictionary[@]}" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=1024 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$build_dir/$format-" 2>"$build_dir/fuzz_$format.log" || {
    tail -n 60 "$build_dir/fuzz_$format.log" >&2
    echo "The $format fuzzer found a failure; its input is in $build_dir." >&2
    return 1
  }
  echo "$format: $(grep -E '^stat::number_of_executed_units' "$build_dir/fuzz_$format.log" || true)"
}
export -f fuzz_one
export source_dir seconds build_dir

# Two fuzzers at a time, one a core.
printf '%s\n' "${formats[@]}" | xargs -P 2 -I{} bash -c 'fuzz_one "$1"' _ {}
