#pragma once

// The failure model's order for the run after a history's latest, and the
// evidence for it: how it, the given order and recently failed did on the
// history's own failing runs, each ordered from the runs before it.

#include <string>
#include <vector>

#include "history/history.h"
#include "history/run_pasts.h"

namespace antorder {

struct OrderMeans {
  double apfd = 0.0;
  double apfdc = 0.0;
};

// At most this many of the latest failing runs are replayed for the evidence.
constexpr int EVIDENCE_RUNS = 500;

struct NextRunPrediction {
  // Of the tests that ran in the window, by their place in windowKeys, or of
  // the tests listed for the next run, by their place in the list.
  std::vector<int> order;
  std::vector<double> expectedSeconds;  // of the same tests, by the same index
  // Of listed tests, the model's order of the window's tests too (by their
  // place in windowKeys), which the window's suite scores; empty otherwise.
  std::vector<int> windowOrder;
  int learnedFromRuns = 0;
  bool anyFailure = false;  // in the history; without one the model learned nothing
  int evidenceRuns = 0;     // failing runs replayed
  OrderMeans given;
  OrderMeans recentlyFailed;
  OrderMeans model;
};

// The failure model's order for the run after the history's latest, of the
// tests that ran in its last `window` runs (see windowKeys); with perSecond by the chance of
// failing per second (see orderByFailureChance). Without a failure in the history nothing separates
// the tests, and the cheapest go first. The evidence replays the last EVIDENCE_RUNS failing runs
// with the given order, recently failed and the model. With `nextTests`, the order is of those
// tests, named as the history names them; one it does not know is new.
// The model learns the runs' changes, and orders by the next run's, where
// `changes` has them. `expectedSeconds`, where given, are the tests' expected
// times, by the order's index, for the order and the plan alike (with
// `nextTests`, then those of the window's tests not listed, in windowKeys'
// order); where one is negative, or none are given, a test takes the median
// of its recent times.
NextRunPrediction predictNextRun(const History& history, bool perSecond,
                                 const std::vector<std::string>* nextTests = nullptr,
                                 int window = DEFAULT_WINDOW, const HistoryChanges& changes = {},
                                 const std::vector<double>* expectedSeconds = nullptr);

}  // namespace antorder
