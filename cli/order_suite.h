#pragma once

// The program's main mode: orders the tests of a suite read from a file and
// prints how early each order reveals the faults; of a history, writes the
// next run's plan.

#include "cli/options.h"

namespace antorder {

// Runs the mode; returns the exit status.
int orderSuite(const Options& options);

}  // namespace antorder
