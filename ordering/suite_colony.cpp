#include "ordering/suite_colony.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "formulas/formulas.h"
#include "ordering/winner_tree.h"
#include "platform/random.h"

namespace {

using Index = std::size_t;

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
  double pull = 0.0;        // what each local update adds: tau0 * 0.8
  bool tau0Fixed = false;   // the local update leaves tau0 exactly as it is
  std::int64_t step = 0;    // local updates so far
  std::vector<std::vector<StoredLevel>> rows;
};

// An ant's state during one iteration.
struct Ant {
  std::vector<int> tour;  // n + 1 entries once closed
  int length = 0;         // tests in the tour so far
  std::vector<char> revealed;
  WinnerTree greedy;  // key: newFaults + severity; TAKEN_KEY once visited
  // The unvisited tests in exploit order, as a list over their ranks, each
  // rank r at node r + 1 between the head 0 and the tail n + 1.
  std::vector<int> nextNode;
  std::vector<int> previousNode;
};

struct ColonyRun {
  const SparseSuite& suite;
  int tests;
  FaultColumns columns;
  LazyTrail trail;
  std::vector<float> tau0Score;  // the exploit score of a move at tau0, by the test moved to
  std::vector<int> exploitOrder;  // tests by that score, highest first, lowest index on ties
  std::vector<int> exploitRank;   // each test's place in exploitOrder
  WinnerTree greedyAtStart;       // every test's greedy key before any visit
  std::vector<Ant> ants;
  std::vector<char> startTaken;
};

float currentLevel(const LazyTrail& trail, StoredLevel& stored) {
  float level = stored.level;
  for (std::int64_t pending = trail.step - stored.setAtStep; pending > 0; --pending) {
    const float next = updatedLevel(level, trail.pull);
    // A level the update maps to itself stays there for every later update.
    if (next == level) break;
    level = next;
  }
  stored.level = level;
  stored.setAtStep = trail.step;
  return level;
}

StoredLevel* findStored(std::vector<StoredLevel>& row, int to) {
  for (StoredLevel& stored : row) {
    if (stored.to == to) return &stored;
  }
  return nullptr;
}

// Forgets the row's levels that are back at tau0 for good.
void dropSettled(const LazyTrail& trail, std::vector<StoredLevel>& row) {
  if (!trail.tau0Fixed) return;
  Index kept = 0;
  for (StoredLevel& stored : row) {
    if (currentLevel(trail, stored) != trail.tau0) row[kept++] = stored;
  }
  row.resize(kept);
}

void setUpTrail(ColonyRun& run) {
  const std::vector<float>& cost = run.suite.testCost;
  float referenceLength = 0.0f;
  for (int from = 0; from < run.tests; ++from) {
    referenceLength += cost[static_cast<Index>((from + 1) % run.tests)];
  }
  LazyTrail& trail = run.trail;
  trail.tau0 = initialLevel(referenceLength, run.tests);
  trail.pull = localPull(trail.tau0);
  trail.tau0Fixed = updatedLevel(trail.tau0, trail.pull) == trail.tau0;
  trail.rows.assign(static_cast<Index>(run.tests), {});

  run.tau0Score.resize(cost.size());
  for (Index test = 0; test < cost.size(); ++test) {
    run.tau0Score[test] = trailScore(trail.tau0, cost[test]);
  }
  run.exploitOrder.resize(cost.size());
  for (Index test = 0; test < cost.size(); ++test) run.exploitOrder[test] = static_cast<int>(test);
  std::stable_sort(run.exploitOrder.begin(), run.exploitOrder.end(),
                   [&run](int first, int second) {
                     return run.tau0Score[static_cast<Index>(first)] >
                            run.tau0Score[static_cast<Index>(second)];
                   });
  run.exploitRank.resize(cost.size());
  for (Index rank = 0; rank < cost.size(); ++rank) {
    run.exploitRank[static_cast<Index>(run.exploitOrder[rank])] = static_cast<int>(rank);
  }
}

void setUpGreedy(ColonyRun& run) {
  std::vector<int> keys(static_cast<Index>(run.tests));
  for (Index test = 0; test < keys.size(); ++test) {
    const auto faults = run.suite.firstRevealed[test + 1] - run.suite.firstRevealed[test];
    keys[test] = static_cast<int>(faults) + run.suite.testSeverity[test];
  }
  run.greedyAtStart = buildWinnerTree(keys);
}

void resetAnt(const ColonyRun& run, Ant& ant) {
  ant.tour.assign(static_cast<Index>(run.tests) + 1, 0);
  ant.length = 0;
  ant.revealed.assign(run.suite.faultNames.size(), 0);
  ant.greedy = run.greedyAtStart;
  const Index nodes = static_cast<Index>(run.tests) + 2;
  ant.nextNode.resize(nodes);
  ant.previousNode.resize(nodes);
  for (Index node = 0; node < nodes; ++node) {
    ant.nextNode[node] = static_cast<int>(node + 1);
    ant.previousNode[node] = static_cast<int>(node) - 1;
  }
}

bool visited(const Ant& ant, int test) {
  return ant.greedy.key[static_cast<Index>(test)] == TAKEN_KEY;
}

// Adds the test to the ant's tour: it leaves the ant's lists, and every faults
// it newly reveals lowers the greedy key of each unvisited test revealing it.
void visitTest(const ColonyRun& run, Ant& ant, int test) {
  ant.tour[static_cast<Index>(ant.length++)] = test;
  lowerKey(ant.greedy, test, TAKEN_KEY);
  const auto node = static_cast<Index>(run.exploitRank[static_cast<Index>(test)]) + 1;
  ant.nextNode[static_cast<Index>(ant.previousNode[node])] = ant.nextNode[node];
  ant.previousNode[static_cast<Index>(ant.nextNode[node])] = ant.previousNode[node];

  const SparseSuite& suite = run.suite;
  const auto t = static_cast<Index>(test);
  for (Index one = suite.firstRevealed[t]; one < suite.firstRevealed[t + 1]; ++one) {
    const auto fault = static_cast<Index>(suite.revealedFaults[one]);
    if (ant.revealed[fault] != 0) continue;
    ant.revealed[fault] = 1;
    for (Index entry = run.columns.first[fault]; entry < run.columns.first[fault + 1]; ++entry) {
      const int other = run.columns.tests[entry];
      const int key = ant.greedy.key[static_cast<Index>(other)];
      if (key != TAKEN_KEY) lowerKey(ant.greedy, other, key - 1);
    }
  }
}

// The unvisited test with the highest level per squared cost from the current
// test, the lowest index among equal scores.
int chooseByTrail(ColonyRun& run, const Ant& ant, int current) {
  std::vector<StoredLevel>& row = run.trail.rows[static_cast<Index>(current)];
  // Among the moves at tau0 the first unvisited test in exploit order is best.
  int choice = -1;
  float bestScore = 0.0f;
  const int tail = run.tests + 1;
  for (int node = ant.nextNode[0]; node != tail; node = ant.nextNode[static_cast<Index>(node)]) {
    const int test = run.exploitOrder[static_cast<Index>(node - 1)];
    if (findStored(row, test) == nullptr) {
      choice = test;
      bestScore = run.tau0Score[static_cast<Index>(test)];
      break;
    }
  }
  for (StoredLevel& stored : row) {
    if (visited(ant, stored.to)) continue;
    const float score = trailScore(currentLevel(run.trail, stored),
                                   run.suite.testCost[static_cast<Index>(stored.to)]);
    if (choice < 0 || score > bestScore || (score == bestScore && stored.to < choice)) {
      choice = stored.to;
      bestScore = score;
    }
  }
  return choice;
}

int drawStart(int tests) {
  constexpr int DRAW_RANGE = RANDOM_MAX + 1;
  if (tests <= DRAW_RANGE) return drawRandom() % tests;
  // Two draws make 30 bits, the first the high half.
  const std::int64_t high = drawRandom();
  const std::int64_t low = drawRandom();
  return static_cast<int>((high * DRAW_RANGE + low) % tests);
}

void placeAnts(ColonyRun& run) {
  for (Ant& ant : run.ants) {
    int start = drawStart(run.tests);
    while (run.startTaken[static_cast<Index>(start)] != 0) start = drawStart(run.tests);
    run.startTaken[static_cast<Index>(start)] = 1;
    visitTest(run, ant, start);
  }
  for (const Ant& ant : run.ants) run.startTaken[static_cast<Index>(ant.tour[0])] = 0;
}

// Steps until the tours close: in each step every ant in turn moves, with one
// draw, or returns to its start; then the local update.
void buildTours(ColonyRun& run) {
  bool closed = false;
  while (!closed) {
    for (Ant& ant : run.ants) {
      if (ant.length < run.tests) {
        const int current = ant.tour[static_cast<Index>(ant.length - 1)];
        const bool exploit = exploitsTrail(drawnShare(drawRandom()));
        visitTest(run, ant, exploit ? chooseByTrail(run, ant, current) : treeWinner(ant.greedy));
      } else {
        ant.tour[static_cast<Index>(run.tests)] = ant.tour[0];
        closed = true;
      }
    }
    ++run.trail.step;
  }
}

// Raises the levels along the closed tour, each move in its own direction.
void reinforce(LazyTrail& trail, const std::vector<int>& tour, int tests, float apfd) {
  const double deposit = globalDeposit(apfd);
  for (Index move = 0; move < static_cast<Index>(tests); ++move) {
    std::vector<StoredLevel>& row = trail.rows[static_cast<Index>(tour[move])];
    const int to = tour[move + 1];
    StoredLevel* stored = findStored(row, to);
    const float level = stored != nullptr ? currentLevel(trail, *stored) : trail.tau0;
    const float raised = updatedLevel(level, deposit);
    if (stored != nullptr) {
      stored->level = raised;
    } else {
      row.push_back({to, raised, trail.step});
    }
    dropSettled(trail, row);
  }
}

}  // namespace

SearchResult runSuiteSearch(const SparseSuite& suite, const SearchSettings& settings) {
  ColonyRun run{suite, testCount(suite), buildFaultColumns(suite), {}, {}, {}, {}, {}, {}, {}};
  setUpTrail(run);
  setUpGreedy(run);
  run.ants.resize(static_cast<Index>(std::min(settings.antCount, run.tests)));
  run.startTaken.assign(static_cast<Index>(run.tests), 0);

  SearchResult result;
  result.bestApfd = -1.0f;
  for (int iteration = 1; iteration <= settings.iterationCount; ++iteration) {
    for (Ant& ant : run.ants) resetAnt(run, ant);
    placeAnts(run);
    buildTours(run);

    // The highest APFD is selected, the earliest ant among equal scores.
    const Ant* selected = nullptr;
    float selectedApfd = -1.0f;
    for (const Ant& ant : run.ants) {
      const float apfd = computeSuiteApfd(suite, ant.tour.data());
      if (apfd > selectedApfd) {
        selectedApfd = apfd;
        selected = &ant;
      }
    }
    reinforce(run.trail, selected->tour, run.tests, selectedApfd);

    result.iterationApfd.push_back(selectedApfd);
    if (selectedApfd > result.bestApfd) {
      result.bestApfd = selectedApfd;
      result.bestIteration = iteration;
      result.bestOrder.assign(selected->tour.begin(), selected->tour.end() - 1);
    }
  }
  return result;
}
