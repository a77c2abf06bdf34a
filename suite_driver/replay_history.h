#pragma once

// The program's replay mode: replays a JUnit history's failing runs, each
// ordered by every strategy from the runs before it, and prints how early
// each strategy would have shown the failures.

#include <cstdint>
#include <string>

#include "replay/replay.h"

struct ReplayOptions {
  std::string folder;
  ReplaySettings settings;
  std::int64_t effortMillions = REPLAY_EFFORT_MILLIONS;
  double budgetSeconds = -1.0;  // below 0: none asked for
  std::string plotFile;
  bool json = false;
  bool quiet = false;  // no progress line on a terminal
};

// Runs the mode; returns the exit status.
int replayRuns(const ReplayOptions& options);
