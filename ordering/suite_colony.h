#pragma once

// The ant colony for a suite of any size. It follows the built-in colony's
// rules step for step, and gives the same numbers bit for bit, without its
// n x n trail and full scans:
// - the local update maps every level alike, so a level is brought up to date
//   when read; once it returns to tau0 it need not be stored, and only the
//   moves of recent selected tours hold stored levels;
// - among moves at tau0 the exploit score depends on the test alone, so each
//   ant walks one list of its unvisited tests, sorted once per run;
// - the greedy score is half the integer newFaults + severity, which only falls
//   while an ant builds its tour, so each ant keeps a winner tree over it;
//   once the ant has revealed every fault, it walks the tests in severity order.
// Per ant and iteration O(n + ones) plus the tree's repairs; memory
// O(ants x n + ones).

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

struct SearchSettings {
  int antCount = 5;  // at least 1; more than the tests are capped at their number
  int iterationCount = 100;
};

struct SearchResult {
  std::vector<float> iterationApfd;  // the selected APFD of every iteration, in order
  std::vector<int> bestOrder;        // the best order of the run, as test indices
  float bestApfd = 0.0f;
  int bestIteration = 0;  // the first iteration, from 1, whose selected APFD is the run's highest
};

// The colony's trail, its ants and its tables for one suite; they live in
// suite_colony.cpp, behind the functions below.
struct ColonyState;

struct SuiteColony {
  std::shared_ptr<ColonyState> state;
};

// Sets up the trail and the ants for the suite, which must outlive the colony. O(n log n + ones).
SuiteColony createSuiteColony(const SparseSuite& suite, int antCount);

// One iteration: the ants build their tours, the one with the highest APFD
// is selected into selectedTour and the trail reinforced along it; returns its APFD.
float runSuiteIteration(SuiteColony& colony);

// The trail's level of the move from one test to another, as it stands now.
float trailLevel(SuiteColony& colony, int from, int to);

// The closed tour the latest iteration selected: every test, then the first again.
const std::vector<int>& selectedTour(const SuiteColony& colony);

// Called after each iteration with the result so far; false stops the search there.
using IterationCallback = std::function<bool(const SearchResult&)>;

// Runs every iteration on the suite, drawing from the generator as seeded.
SearchResult runSuiteSearch(const SparseSuite& suite, const SearchSettings& settings,
                            const IterationCallback& afterIteration = {});

}  // namespace antorder
