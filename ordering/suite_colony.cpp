#include "ordering/suite_colony.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "formulas/formulas.h"
#include "ordering/winner_tree.h"
#include "platform/random.h"

namespace antorder {

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

struct ColonyState {
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

namespace {

using Index = std::size_t;

// How many tests of a column ahead their tree leaves are fetched.
constexpr Index PREFETCH_DISTANCE = 16;
// Below this many tests an ant's tree stays in the cache, and fetching ahead only costs.
constexpr int PREFETCH_FROM_TESTS = 1 << 14;
// How many faults ahead of the one revealed its column is fetched.
constexpr Index COLUMN_AHEAD = 8;

// Asks the processor for the start of a fault's column; changes nothing.
void prefetchColumn(const FaultColumns& columns, int fault) {
#if defined(__GNUC__)
  __builtin_prefetch(&columns.tests[columns.first[static_cast<Index>(fault)]]);
#else
  static_cast<void>(columns);
  static_cast<void>(fault);
#endif
}
// A visit whose key changes exceed 1 / REBUILD_SHARE of the tests leaves the
// greedy tree's winners to be rebuilt in one pass.
constexpr Index REBUILD_SHARE = 16;

float currentLevel(const LazyTrail& trail, StoredLevel& stored) {
  float level = stored.level;
  std::int64_t pending = trail.step - stored.setAtStep;
  if (pending >= trail.settleSteps && level >= trail.settled && level <= trail.settledFrom) {
    level = trail.settled;
    pending = 0;
  }
  for (; pending > 0; --pending) {
    const float next = updatedLevel(level, trail.pull);
    // A level the update maps to itself stays there for every later update.
    if (next == level) break;
    level = next;
  }
  stored.level = level;
  stored.setAtStep = trail.step;
  return level;
}

// Where the local updates take a level raised above every earlier one, and
// in how many: from then on, where they take every level between.
void noteRaised(LazyTrail& trail, float raised) {
  if (raised <= trail.settledFrom) return;
  float level = raised;
  std::int64_t steps = 0;
  for (;;) {
    const float next = updatedLevel(level, trail.pull);
    if (next == level) break;
    level = next;
    ++steps;
  }
  trail.settled = level;
  trail.settledFrom = raised;
  trail.settleSteps = steps;
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

// The tests by their value, highest first, the lowest index among equals.
template <typename Value>
std::vector<int> testsByHighest(const std::vector<Value>& value) {
  std::vector<int> order(value.size());
  for (Index test = 0; test < order.size(); ++test) order[test] = static_cast<int>(test);
  std::stable_sort(order.begin(), order.end(), [&value](int first, int second) {
    return value[static_cast<Index>(first)] > value[static_cast<Index>(second)];
  });
  return order;
}

void setUpTrail(ColonyState& run) {
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
  run.exploitOrder = testsByHighest(run.tau0Score);
  run.exploitRank.resize(cost.size());
  for (Index rank = 0; rank < cost.size(); ++rank) {
    run.exploitRank[static_cast<Index>(run.exploitOrder[rank])] = static_cast<int>(rank);
  }
}

void setUpGreedy(ColonyState& run) {
  std::vector<int> keys(static_cast<Index>(run.tests));
  // newFaults counts each fault by its weight: the faults merged into it.
  for (Index test = 0; test < keys.size(); ++test) {
    keys[test] = run.suite.testSeverity[test];
    for (Index one = run.suite.firstRevealed[test]; one < run.suite.firstRevealed[test + 1];
         ++one) {
      keys[test] += faultWeight(run.suite, static_cast<Index>(run.suite.revealedFaults[one]));
    }
  }
  run.greedyAtStart = buildWinnerTree(keys);
  run.greedyOrder = testsByHighest(run.suite.testSeverity);
}

void resetAnt(const ColonyState& run, Ant& ant) {
  ant.tour.assign(static_cast<Index>(run.tests) + 1, 0);
  ant.length = 0;
  ant.visited.assign(static_cast<Index>(run.tests), 0);
  ant.revealed.assign(run.suite.faultNames.size(), 0);
  ant.revealedCount = 0;
  ant.greedy = run.greedyAtStart;
  ant.greedyStale = false;
  ant.greedyCursor = 0;
  const Index nodes = static_cast<Index>(run.tests) + 2;
  ant.nextNode.resize(nodes);
  ant.previousNode.resize(nodes);
  for (Index node = 0; node < nodes; ++node) {
    ant.nextNode[node] = static_cast<int>(node + 1);
    ant.previousNode[node] = static_cast<int>(node) - 1;
  }
}

// The number of greedy key changes that revealing the test's new faults brings.
Index changesOfVisit(const ColonyState& run, const Ant& ant, Index test) {
  const SparseSuite& suite = run.suite;
  Index changes = 0;
  for (Index one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
    const auto fault = static_cast<Index>(suite.revealedFaults[one]);
    if (ant.revealed[fault] == 0)
      changes += run.columns.first[fault + 1] - run.columns.first[fault];
  }
  return changes;
}

// Adds the test to the ant's tour: it leaves the ant's list, and while faults
// remain, every fault it newly reveals lowers the greedy key of each unvisited
// test revealing it.
void visitTest(const ColonyState& run, Ant& ant, int test) {
  const auto t = static_cast<Index>(test);
  ant.tour[static_cast<Index>(ant.length++)] = test;
  ant.visited[t] = 1;
  const auto node = static_cast<Index>(run.exploitRank[t]) + 1;
  ant.nextNode[static_cast<Index>(ant.previousNode[node])] = ant.nextNode[node];
  ant.previousNode[static_cast<Index>(ant.nextNode[node])] = ant.previousNode[node];

  const SparseSuite& suite = run.suite;
  if (ant.revealedCount == static_cast<int>(suite.faultNames.size())) return;
  // A large batch of changes sets the leaves alone, and the winners are
  // rebuilt in one pass when the greedy choice next needs them.
  if (!ant.greedyStale &&
      changesOfVisit(run, ant, t) * REBUILD_SHARE > static_cast<Index>(run.tests)) {
    ant.greedyStale = true;
  }
  const bool stale = ant.greedyStale;
  const bool fetchAhead = run.tests >= PREFETCH_FROM_TESTS;
  WinnerTree& tree = ant.greedy;
  if (stale) {
    setLeafKey(tree, test, TAKEN_KEY);
  } else {
    lowerKey(tree, test, TAKEN_KEY);
  }
  const Index last = suite.firstRevealed[t + 1];
  for (Index one = suite.firstRevealed[t]; one < last; ++one) {
    // The columns of a test's faults lie far apart: fetch a later one's start
    // while this one is worked through.
    if (one + COLUMN_AHEAD < last) {
      prefetchColumn(run.columns, suite.revealedFaults[one + COLUMN_AHEAD]);
    }
    const auto fault = static_cast<Index>(suite.revealedFaults[one]);
    if (ant.revealed[fault] != 0) continue;
    ant.revealed[fault] = 1;
    ++ant.revealedCount;
    const int weight = faultWeight(suite, fault);
    // The tests of a column are known ahead: where the tree outgrows the
    // cache, fetching their leaves early turns a wait on memory per test
    // into one for the whole column.
    const Index end = run.columns.first[fault + 1];
    for (Index entry = run.columns.first[fault]; entry < end; ++entry) {
      if (fetchAhead && entry + PREFETCH_DISTANCE < end) {
        prefetchLeaf(tree, run.columns.tests[entry + PREFETCH_DISTANCE]);
      }
      const int other = run.columns.tests[entry];
      const int key = treeKey(tree, other);
      if (key == TAKEN_KEY) continue;
      if (stale) {
        setLeafKey(tree, other, key - weight);
      } else {
        lowerKey(tree, other, key - weight);
      }
    }
  }
}

// The unvisited test with the highest level per squared cost from the current
// test, the lowest index among equal scores.
int chooseByTrail(ColonyState& run, const Ant& ant, int current) {
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
    if (ant.visited[static_cast<Index>(stored.to)] != 0) continue;
    const float score = trailScore(currentLevel(run.trail, stored),
                                   run.suite.testCost[static_cast<Index>(stored.to)]);
    if (choice < 0 || score > bestScore || (score == bestScore && stored.to < choice)) {
      choice = stored.to;
      bestScore = score;
    }
  }
  return choice;
}

// The unvisited test with the most new faults plus severity, the lowest index
// among equals.
int chooseGreedily(const ColonyState& run, Ant& ant) {
  if (ant.revealedCount < static_cast<int>(run.suite.faultNames.size())) {
    if (ant.greedyStale) {
      rebuildWinners(ant.greedy);
      ant.greedyStale = false;
    }
    return treeWinner(ant.greedy);
  }
  // Every test's newFaults is 0 now; visited tests are passed for good.
  while (ant.visited[static_cast<Index>(run.greedyOrder[static_cast<Index>(ant.greedyCursor)])] !=
         0) {
    ++ant.greedyCursor;
  }
  return run.greedyOrder[static_cast<Index>(ant.greedyCursor)];
}

int drawStart(int tests) {
  constexpr int DRAW_RANGE = RANDOM_MAX + 1;
  if (tests <= DRAW_RANGE) return drawRandom() % tests;
  // Two draws make 30 bits, the first the high half.
  const std::int64_t high = drawRandom();
  const std::int64_t low = drawRandom();
  return static_cast<int>((high * DRAW_RANGE + low) % tests);
}

void placeAnts(ColonyState& run) {
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
void buildTours(ColonyState& run) {
  bool closed = false;
  while (!closed) {
    for (Ant& ant : run.ants) {
      if (ant.length < run.tests) {
        const int current = ant.tour[static_cast<Index>(ant.length - 1)];
        const bool exploit = exploitsTrail(drawnShare(drawRandom()));
        visitTest(run, ant, exploit ? chooseByTrail(run, ant, current) : chooseGreedily(run, ant));
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
    noteRaised(trail, raised);
    if (stored != nullptr) {
      stored->level = raised;
    } else {
      row.push_back({to, raised, trail.step});
    }
    dropSettled(trail, row);
  }
}

}  // namespace

SuiteColony createSuiteColony(const SparseSuite& suite, int antCount) {
  SuiteColony created{std::make_shared<ColonyState>(ColonyState{
      suite, testCount(suite), buildFaultColumns(suite), {}, {}, {}, {}, {}, {}, {}, {}, {}})};
  ColonyState& colony = *created.state;
  setUpTrail(colony);
  setUpGreedy(colony);
  colony.ants.resize(static_cast<Index>(std::min(antCount, colony.tests)));
  colony.startTaken.assign(static_cast<Index>(colony.tests), 0);
  return created;
}

// The colony changes, though behind its pointer.
// cppcheck-suppress constParameter
float runSuiteIteration(SuiteColony& colony) {
  ColonyState& run = *colony.state;
  for (Ant& ant : run.ants) resetAnt(run, ant);
  placeAnts(run);
  buildTours(run);

  // The highest APFD is selected, the earliest ant among equal scores; every
  // APFD is above 0, so ant 0 enters.
  Index selected = 0;
  float selectedApfd = -1.0f;
  for (Index ant = 0; ant < run.ants.size(); ++ant) {
    const float apfd = computeSuiteApfd(run.suite, run.ants[ant].tour.data());
    if (apfd > selectedApfd) {
      selectedApfd = apfd;
      selected = ant;
    }
  }
  run.selectedTour = run.ants[selected].tour;
  reinforce(run.trail, run.selectedTour, run.tests, selectedApfd);
  return selectedApfd;
}

float trailLevel(SuiteColony& colony, int from, int to) {
  ColonyState& run = *colony.state;
  std::vector<StoredLevel>& row = run.trail.rows[static_cast<Index>(from)];
  StoredLevel* stored = findStored(row, to);
  return stored != nullptr ? currentLevel(run.trail, *stored) : run.trail.tau0;
}

const std::vector<int>& selectedTour(const SuiteColony& colony) {
  return colony.state->selectedTour;
}

SearchResult runSuiteSearch(const SparseSuite& suite, const SearchSettings& settings,
                            const IterationCallback& afterIteration) {
  SuiteColony colony = createSuiteColony(suite, settings.antCount);
  SearchResult result;
  result.bestApfd = -1.0f;
  for (int iteration = 1; iteration <= settings.iterationCount; ++iteration) {
    const float apfd = runSuiteIteration(colony);
    result.iterationApfd.push_back(apfd);
    if (apfd > result.bestApfd) {
      result.bestApfd = apfd;
      result.bestIteration = iteration;
      result.bestOrder.assign(selectedTour(colony).begin(), selectedTour(colony).end() - 1);
    }
    if (afterIteration && !afterIteration(result)) break;
  }
  return result;
}

}  // namespace antorder
