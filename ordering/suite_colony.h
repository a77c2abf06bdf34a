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
#include <vector>

#include "ordering/winner_tree.h"
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

// A trail level that may differ from tau0: the move from its row's test to
// `to`, at `level` after the first `setAtStep` local updates of the run.
struct StoredLevel {
  int to;
  float level;
  std::int64_t setAtStep;
};

// The trail, lazily. A level that no row stores is tau0, which the local
// update maps to itself; a stored level is brought up to date when read.
struct LazyTrail {
  float tau0 = 0.0f;
  double pull = 0.0;       // what each local update adds: tau0 * 0.8
  bool tau0Fixed = false;  // the local update leaves tau0 exactly as it is
  std::int64_t step = 0;   // local updates so far
  // The local update only ever lowers a level above its fixed points, and
  // keeps order among levels: a level from settled up to settledFrom is
  // settled after settleSteps updates, as settledFrom is, and stays there.
  float settled = 0.0f;
  float settledFrom = -1.0f;  // below every level: nothing raised yet
  std::int64_t settleSteps = 0;
  std::vector<std::vector<StoredLevel>> rows;
};

// An ant's state during one iteration.
struct Ant {
  std::vector<int> tour;  // n + 1 entries once closed
  int length = 0;         // tests in the tour so far
  std::vector<char> visited;
  std::vector<char> revealed;
  int revealedCount = 0;
  // While faults remain: key newFaults + severity, TAKEN_KEY once visited.
  WinnerTree greedy;
  bool greedyStale = false;  // leaves changed since the winners were last rebuilt
  // Once every fault is revealed the greedy key is the severity alone: the
  // first unvisited test in greedyOrder from here on.
  int greedyCursor = 0;
  // The unvisited tests in exploit order, as a list over their ranks, each
  // rank r at node r + 1 between the head 0 and the tail n + 1.
  std::vector<int> nextNode;
  std::vector<int> previousNode;
};

struct SuiteColony {
  const SparseSuite& suite;
  int tests;
  FaultColumns columns;
  LazyTrail trail;
  std::vector<float> tau0Score;   // the exploit score of a move at tau0, by the test moved to
  std::vector<int> exploitOrder;  // tests by that score, highest first, lowest index on ties
  std::vector<int> exploitRank;   // each test's place in exploitOrder
  WinnerTree greedyAtStart;       // every test's greedy key before any visit
  std::vector<int> greedyOrder;   // tests by severity, highest first, lowest index on ties
  std::vector<Ant> ants;
  std::vector<char> startTaken;
  std::vector<int> selectedTour;  // the closed tour the latest iteration selected
};

// Sets up the trail and the ants for the suite, which must outlive the colony. O(n log n + ones).
SuiteColony createSuiteColony(const SparseSuite& suite, int antCount);

// One iteration: the ants build their tours, the one with the highest APFD
// is selected into selectedTour and the trail reinforced along it; returns its APFD.
float runSuiteIteration(SuiteColony& colony);

// The trail's level of the move from one test to another, as it stands now.
float trailLevel(SuiteColony& colony, int from, int to);

// Called after each iteration with the result so far; false stops the search there.
using IterationCallback = std::function<bool(const SearchResult&)>;

// Runs every iteration on the suite, drawing from the generator as seeded.
SearchResult runSuiteSearch(const SparseSuite& suite, const SearchSettings& settings,
                            const IterationCallback& afterIteration = {});

}  // namespace antorder
