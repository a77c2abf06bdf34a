#pragma once

// The program's replay mode: replays a JUnit history's failing runs, each
// ordered by every strategy from the runs before it, and prints how early
// each strategy would have shown the failures.

#include "cli/options.h"

namespace antorder {

// Runs the mode; returns the exit status.
int replayRuns(const Options& options);

}  // namespace antorder
