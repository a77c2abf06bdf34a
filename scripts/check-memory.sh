#!/usr/bin/env bash
# Runs the program under valgrind's memcheck: no memory error, no leak, and no
# heap allocation beyond what the runtime makes for a minimal console program
# that prints a line and reads a character.
#
# Usage: scripts/check-memory.sh ANTORDER MINIMAL_CONSOLE
set -euo pipefail

program=$1
minimal=$2
log_dir=$(mktemp -d)
trap 'rm -rf "$log_dir"' EXIT

# Prints the number of heap allocations of one run, failing on any memcheck error.
count_allocations() {
  local name=$1 binary=$2 log="$log_dir/$1.log"
  if ! valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=all \
      --log-file="$log" "$binary" </dev/null >"$log_dir/$name.out"; then
    cat "$log" >&2
    echo "memcheck found errors in $name" >&2
    return 1
  fi
  sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' "$log" | tr -d ,
}

program_allocations=$(count_allocations antorder "$program")
minimal_allocations=$(count_allocations minimal "$minimal")
echo "heap allocations: antorder $program_allocations, minimal console program $minimal_allocations"
if [ -z "$program_allocations" ] || [ "$program_allocations" != "$minimal_allocations" ]; then
  echo "antorder allocates beyond what the runtime needs." >&2
  exit 1
fi
