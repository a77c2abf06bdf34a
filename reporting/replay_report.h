#pragma once

// The replay's results: the table of each strategy's scores, every run's
// values as JSON, and a picture of how soon each strategy shows a failure.

#include <cstdio>
#include <string>
#include <vector>

#include "replay/replay.h"

namespace antorder {

// One strategy's figures over a set of replayed runs.
struct StrategySummary {
  double meanApfd = 0.0;
  double meanApfdc = 0.0;
  double medianFirstFailureSeconds = 0.0;
  double withinBudget = 0.0;        // share of runs whose first failure came within the budget
  double caughtWithinBudget = 0.0;  // share of runs whose selection within it held a failure
  int runs = 0;
  int firstFailures = 0;        // tests failing for the first time ever, over the runs
  int firstFailuresEarly = 0;   // of them, those the orders placed in their first tenth
  double meanShardRatio = 0.0;  // over shards: the longest shard's time over the bound, mean
};

// The runs a summary is over: all, those with a passing test too, or those
// in which a test fails for the first time ever.
enum class RunsCounted { ALL, WITH_A_PASSING_TEST, WITH_A_FIRST_FAILURE };

struct ReplayReport {
  std::string folder;       // as given
  ReplaySettings settings;  // as the runs were replayed
  std::vector<ReplayedRun> runs;
};

// The figures of one strategy over the runs counted. Sums run in run order,
// so they are the same however the runs were replayed.
StrategySummary summarise(const ReplayReport& report, Strategy strategy, RunsCounted runs);

void printReplaySummary(std::FILE* out, const History& history, const ReplayReport& report);

std::string replayJson(const History& history, const ReplayReport& report);

// Per strategy, the share of the failing runs whose first failure has shown
// by each share of the run's time.
void printReplayPlot(std::FILE* out, const ReplayReport& report);

}  // namespace antorder
