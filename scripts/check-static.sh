#!/usr/bin/env bash
# Static checks: every source formatted as .clang-format says, no clang-tidy
# warning (see .clang-tidy), and no cppcheck finding.
#
# Usage: scripts/check-static.sh [BUILD_DIR]   (a build dir for compile_commands.json)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-"$source_dir/build-static"}
cd "$source_dir"

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
# The fuzzers build only with clang and their own options, under -Werror there.
mapfile -t units < <(git ls-files '*.cpp' ':!fuzz/*')

echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

# clang-tidy looks each file up in the compile commands: file by file, not as one a folder.
cmake -S . -B "$build_dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_UNITY_BUILD=OFF >/dev/null
echo "clang-tidy: ${#units[@]} files"
printf '%s\n' "${units[@]}" | xargs -P 2 -n 2 clang-tidy -p "$build_dir" --quiet 2>/dev/null

# useStlAlgorithm asks for std::fill and std::copy where a plain loop over a
# fixed array is the style; Google Benchmark's callbacks take a mutable State.
echo "cppcheck"
cppcheck --quiet --std=c++17 --language=c++ --enable=warning,style,performance,portability \
  --library=googletest --inline-suppr --error-exitcode=1 -I . \
  --suppress=missingIncludeSystem --suppress=useStlAlgorithm \
  --suppress=constParameterCallback:bench/colony_bench.cpp \
  --suppress=constParameterCallback:bench/replay_bench.cpp \
  demo text platform formulas suite history reading runners change collect ordering replay plan \
  reporting cli fuzz \
  tests \
  bench
echo "static checks passed"
