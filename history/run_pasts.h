#pragma once

// What the runs before a run tell of its tests: their times, the
// recently-failed heuristic's likelihood and the failure model's
// probabilities, gathered in one pass over the history, the models learning
// each run once it has been predicted.

#include <vector>

#include "history/change_signals.h"
#include "history/failure_model.h"
#include "history/history.h"

namespace antorder {

struct RunPast {
  int run = 0;                            // index into history.runs; its size for the next run
  std::vector<int> keys;                  // the tests that ran, in report order
  std::vector<double> meanSeconds;        // over earlier runs; -1 when never run before
  std::vector<double> failureLikelihood;  // recently failed: p = 0.8 x failed + 0.2 x p
  // The failure model's chance that the test fails, learned from every run.
  std::vector<double> failureProbability;
  // The same learned only from runs in which not every test failed: which
  // test fails among the run's, as a broken build that fails them all does
  // not tell.
  std::vector<double> rankingProbability;
  // The median of the test's recent times, at least MIN_SECONDS; a test
  // never run before takes the median of the others', or 1 when none ran.
  std::vector<double> expectedSeconds;
  // Whether the run's change touches the test (none without a change), and
  // whether the test never failed before.
  std::vector<char> touched;
  std::vector<char> neverFailed;
  // Whether the change leaves the test untouched though it failed before,
  // in one stretch of runs, and has passed since: a failure fixed and held,
  // not a test that comes and goes (none without a change).
  std::vector<char> fixedUntouched;
};

// The changes the runs carry, by run (shorter: the rest carry none), and the
// next run's; either may be null.
struct HistoryChanges {
  const std::vector<RunChange>* runs = nullptr;
  const RunChange* next = nullptr;
};

// What the failure model learned from a history's runs, oldest first: every
// test's past and the two models. A plain value, so that what was learned
// can be kept and taken up again where it stopped.
struct LearnedHistory {
  HistoryPast past;
  FailureModel model;    // learned from every run
  FailureModel ranking;  // learned only from runs in which not every test failed
  int runs = 0;          // how many runs it learned from
};

// Learns one run from its tests' features (those that ran, in report order),
// once its past has been taken; `changeCarried`: the run carried a change.
void learnFromRun(LearnedHistory& learned, const TestRun& run,
                  const std::vector<Features>& features, bool changeCarried);

// The pasts of the runs that are replayed: those with a failing test and at
// least one run before them, oldest first. `learned`, where given, receives
// what the model learned from every run.
std::vector<RunPast> pastsOfFailingRuns(const History& history, const HistoryChanges& changes = {},
                                        LearnedHistory* learned = nullptr);

// The past of a run after the history's latest, from what was learned of
// every run: of `nextTests` (keys; one past history.keys is a new test), or
// where that is null of the latest run's tests that ran.
RunPast nextRunPast(const LearnedHistory& learned, const History& history,
                    const std::vector<int>* nextTests, const RunChange* change);

// The same, and in `next` the past of a run after the history's latest, from
// every run: of `nextTests` (keys; one past history.keys is a new test), or
// where that is null of the latest run's tests that ran.
std::vector<RunPast> pastsOfFailingRuns(const History& history, RunPast& next,
                                        const std::vector<int>* nextTests = nullptr,
                                        const HistoryChanges& changes = {});

}  // namespace antorder
