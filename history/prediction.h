#pragma once

// The failure model's order for the run after a history's latest, and the
// evidence for it: how it, the given order and recently failed did on the
// history's own failing runs, each ordered from the runs before it.

#include <vector>

struct OrderMeans {
  double apfd = 0.0;
  double apfdc = 0.0;
};

// At most this many of the latest failing runs are replayed for the evidence.
constexpr int EVIDENCE_RUNS = 500;

struct NextRunPrediction {
  std::vector<int> order;  // of the latest run's tests that ran, by report position
  int learnedFromRuns = 0;
  bool anyFailure = false;  // in the history; without one the model learned nothing
  int evidenceRuns = 0;     // failing runs replayed
  OrderMeans given;
  OrderMeans recentlyFailed;
  OrderMeans model;
};
