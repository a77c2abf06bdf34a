#pragma once

// The mode --collect-coverage: per-test coverage of a CMake build's ctest
// tests, written as an lcov tracefile.

#include "cli/options.h"

namespace antorder {

// Runs the mode; returns the exit status.
int collectCoverageMode(const Options& options);

}  // namespace antorder
