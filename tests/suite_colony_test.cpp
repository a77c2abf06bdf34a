// The colony for any suite against a dense model of the same rules, written
// as plainly as they read: a full n x n trail updated everywhere after every
// step, and every choice a full scan. Both draw from the real generator,
// seeded alike, so they agree bit for bit or not at all.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/suite_generator.h"
#include "formulas/formulas.h"
#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "ordering/suite_colony.h"
#include "platform/random.h"

using namespace antorder;

namespace {

using Index = std::size_t;

struct DenseSuite {
  int tests;
  int faults;
  std::vector<std::vector<char>> reveals;  // [test][fault]
  std::vector<float> cost;
  std::vector<int> severity;
};

DenseSuite densify(const SparseSuite& suite) {
  DenseSuite dense{testCount(suite), faultCount(suite), {}, suite.testCost, suite.testSeverity};
  dense.reveals.assign(static_cast<Index>(dense.tests),
                       std::vector<char>(static_cast<Index>(dense.faults), 0));
  for (Index test = 0; test < dense.reveals.size(); ++test) {
    for (Index one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      dense.reveals[test][static_cast<Index>(suite.revealedFaults[one])] = 1;
    }
  }
  return dense;
}

float denseApfd(const DenseSuite& suite, const std::vector<int>& order) {
  float positionSum = 0.0f;
  for (Index fault = 0; fault < static_cast<Index>(suite.faults); ++fault) {
    for (Index position = 0; position < static_cast<Index>(suite.tests); ++position) {
      if (suite.reveals[static_cast<Index>(order[position])][fault] != 0) {
        positionSum += static_cast<float>(position + 1);
        break;
      }
    }
  }
  return apfdFromPositionSum(positionSum, suite.tests, suite.faults);
}

struct DenseColony {
  const DenseSuite& suite;
  int ants;
  float tau0;
  std::vector<std::vector<float>> pheromone;
  std::vector<int> selectedTour;
};

int denseStartDraw(int tests) {
  if (tests <= RANDOM_MAX + 1) return drawRandom() % tests;
  const std::int64_t high = drawRandom();
  const std::int64_t low = drawRandom();
  return static_cast<int>((high * (RANDOM_MAX + 1) + low) % tests);
}

// The unvisited test with the highest score; a strictly higher score replaces,
// so the lowest index wins ties.
template <typename Score>
int bestUnvisited(const std::vector<char>& visited, Score score) {
  int choice = -1;
  float best = 0.0f;
  for (int test = 0; test < static_cast<int>(visited.size()); ++test) {
    if (visited[static_cast<Index>(test)] != 0) continue;
    const float value = score(test);
    if (choice < 0 || value > best) {
      choice = test;
      best = value;
    }
  }
  return choice;
}

// The ants of one iteration: their tours so far, visited tests and revealed faults.
struct DenseAnts {
  std::vector<std::vector<int>> tours;
  std::vector<std::vector<char>> visited;
  std::vector<std::vector<char>> revealed;
};

void visitDense(const DenseSuite& suite, DenseAnts& ants, Index ant, int test) {
  ants.tours[ant].push_back(test);
  ants.visited[ant][static_cast<Index>(test)] = 1;
  for (Index fault = 0; fault < ants.revealed[ant].size(); ++fault) {
    if (suite.reveals[static_cast<Index>(test)][fault] != 0) ants.revealed[ant][fault] = 1;
  }
}

int chooseDense(const DenseColony& colony, const DenseAnts& ants, Index ant) {
  const DenseSuite& suite = colony.suite;
  const auto current = static_cast<Index>(ants.tours[ant].back());
  if (exploitsTrail(drawnShare(drawRandom()))) {
    return bestUnvisited(ants.visited[ant], [&](int test) {
      const auto t = static_cast<Index>(test);
      return trailScore(colony.pheromone[current][t], suite.cost[t]);
    });
  }
  return bestUnvisited(ants.visited[ant], [&](int test) {
    const auto t = static_cast<Index>(test);
    int newFaults = 0;
    for (Index fault = 0; fault < ants.revealed[ant].size(); ++fault) {
      newFaults += suite.reveals[t][fault] != 0 && ants.revealed[ant][fault] == 0 ? 1 : 0;
    }
    return greedyScore(newFaults, suite.severity[t]);
  });
}

float runDenseIteration(DenseColony& colony) {
  const DenseSuite& suite = colony.suite;
  const auto n = static_cast<Index>(suite.tests);
  const auto antCount = static_cast<Index>(colony.ants);
  DenseAnts ants{std::vector<std::vector<int>>(antCount),
                 std::vector<std::vector<char>>(antCount, std::vector<char>(n, 0)),
                 std::vector<std::vector<char>>(
                     antCount, std::vector<char>(static_cast<Index>(suite.faults), 0))};
  std::vector<char> taken(n, 0);
  for (Index ant = 0; ant < antCount; ++ant) {
    int start = denseStartDraw(suite.tests);
    while (taken[static_cast<Index>(start)] != 0) start = denseStartDraw(suite.tests);
    taken[static_cast<Index>(start)] = 1;
    visitDense(suite, ants, ant, start);
  }
  for (bool closed = false; !closed;) {
    for (Index ant = 0; ant < antCount; ++ant) {
      if (ants.tours[ant].size() < n) {
        visitDense(suite, ants, ant, chooseDense(colony, ants, ant));
      } else {
        ants.tours[ant].push_back(ants.tours[ant][0]);
        closed = true;
      }
    }
    for (auto& row : colony.pheromone) {
      for (float& level : row) level = updatedLevel(level, localPull(colony.tau0));
    }
  }
  Index selected = 0;
  float selectedApfd = -1.0f;
  for (Index ant = 0; ant < antCount; ++ant) {
    const float apfd = denseApfd(suite, ants.tours[ant]);
    if (apfd > selectedApfd) {
      selectedApfd = apfd;
      selected = ant;
    }
  }
  colony.selectedTour = ants.tours[selected];
  for (Index move = 0; move < n; ++move) {
    float& level = colony.pheromone[static_cast<Index>(colony.selectedTour[move])]
                                   [static_cast<Index>(colony.selectedTour[move + 1])];
    level = updatedLevel(level, globalDeposit(selectedApfd));
  }
  return selectedApfd;
}

DenseColony createDenseColony(const DenseSuite& suite, int ants) {
  float referenceLength = 0.0f;
  for (int test = 0; test < suite.tests; ++test) {
    referenceLength += suite.cost[static_cast<Index>((test + 1) % suite.tests)];
  }
  const float tau0 = initialLevel(referenceLength, suite.tests);
  const auto n = static_cast<Index>(suite.tests);
  return {suite,
          std::min(ants, suite.tests),
          tau0,
          std::vector<std::vector<float>>(n, std::vector<float>(n, tau0)),
          {}};
}

// Additional greedy as it reads: a full scan for the most new faults each time.
std::vector<int> plainAdditionalGreedy(const DenseSuite& suite) {
  std::vector<char> taken(static_cast<Index>(suite.tests), 0);
  std::vector<char> revealed(static_cast<Index>(suite.faults), 0);
  const auto newFaults = [&](int test) {
    int count = 0;
    for (Index fault = 0; fault < revealed.size(); ++fault) {
      count += suite.reveals[static_cast<Index>(test)][fault] != 0 && revealed[fault] == 0 ? 1 : 0;
    }
    return count;
  };
  std::vector<int> order;
  while (order.size() < taken.size()) {
    int chosen =
        bestUnvisited(taken, [&](int test) { return static_cast<float>(newFaults(test)); });
    if (newFaults(chosen) == 0 &&
        std::find(revealed.begin(), revealed.end(), 1) != revealed.end()) {
      // Nothing left adds anything: the rule starts afresh.
      std::fill(revealed.begin(), revealed.end(), 0);
      chosen = bestUnvisited(taken, [&](int test) { return static_cast<float>(newFaults(test)); });
    }
    order.push_back(chosen);
    taken[static_cast<Index>(chosen)] = 1;
    for (Index fault = 0; fault < revealed.size(); ++fault) {
      if (suite.reveals[static_cast<Index>(chosen)][fault] != 0) revealed[fault] = 1;
    }
  }
  return order;
}

// Random small suites of every kind: sparse and dense, unit and varied costs
// and severities, and costs so small that a deposit lies below tau0.
TEST(SuiteColony, AgreesBitForBitWithTheDenseModelOnRandomSuites) {
  std::mt19937 engine(20261208u);
  constexpr int SUITES = 300;
  constexpr int ITERATIONS = 25;
  for (int run = 0; run < SUITES; ++run) {
    SuiteShape shape;
    shape.tests = 1 + static_cast<int>(engine() % 40);
    shape.faults = 1 + static_cast<int>(engine() % 40);
    shape.density = 0.02 + 0.98 * static_cast<double>(engine() % 1000) / 1000.0;
    shape.variedCosts = engine() % 2 == 0;
    shape.variedSeverities = engine() % 2 == 0;
    shape.costScale = engine() % 4 == 0 ? 0.001f : 1.0f;
    shape.seed = static_cast<std::uint32_t>(engine());
    const int ants = 1 + static_cast<int>(engine() % 8);
    SCOPED_TRACE(testing::Message() << "suite " << run << ": " << shape.tests << " tests, "
                                    << shape.faults << " faults, " << ants << " ants");
    const SparseSuite suite = generateSuite(shape);
    const DenseSuite dense = densify(suite);

    ASSERT_EQ(additionalGreedyOrder(suite), plainAdditionalGreedy(dense));

    DenseColony model = createDenseColony(dense, ants);
    SuiteColony colony = createSuiteColony(suite, ants);
    const auto seed = static_cast<unsigned int>(run);
    for (int iteration = 1; iteration <= ITERATIONS; ++iteration) {
      seedRandom(seed + static_cast<unsigned int>(iteration) * 7919u);
      const float modelApfd = runDenseIteration(model);
      seedRandom(seed + static_cast<unsigned int>(iteration) * 7919u);
      const float apfd = runSuiteIteration(colony);
      ASSERT_EQ(apfd, modelApfd) << "iteration " << iteration;
      ASSERT_EQ(selectedTour(colony), model.selectedTour) << "iteration " << iteration;
      ASSERT_EQ(apfd, computeSuiteApfd(suite, selectedTour(colony).data()));
    }
    for (int from = 0; from < shape.tests; ++from) {
      for (int to = 0; to < shape.tests; ++to) {
        ASSERT_EQ(trailLevel(colony, from, to),
                  model.pheromone[static_cast<Index>(from)][static_cast<Index>(to)])
            << from << " -> " << to;
      }
    }
  }
}

// The suite with fault f repeated 1 + f % 3 times: columns that merging
// makes one again.
SparseSuite repeatFaults(const SparseSuite& suite) {
  SparseSuite repeated = suite;
  std::vector<int> firstCopy;
  repeated.faultNames.clear();
  for (Index fault = 0; fault < suite.faultNames.size(); ++fault) {
    firstCopy.push_back(static_cast<int>(repeated.faultNames.size()));
    for (Index copy = 0; copy < 1 + fault % 3; ++copy) {
      repeated.faultNames.push_back(suite.faultNames[fault] + "." + std::to_string(copy));
    }
  }
  repeated.revealedFaults.clear();
  repeated.firstRevealed = {0};
  for (Index test = 0; test + 1 < suite.firstRevealed.size(); ++test) {
    for (Index one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      const auto fault = static_cast<Index>(suite.revealedFaults[one]);
      for (Index copy = 0; copy < 1 + fault % 3; ++copy) {
        repeated.revealedFaults.push_back(firstCopy[fault] + static_cast<int>(copy));
      }
    }
    repeated.firstRevealed.push_back(repeated.revealedFaults.size());
  }
  return repeated;
}

// Faults that the same tests reveal, merged into one of their weight, change
// no score, no baseline and no step of the colony: the suite with repeated
// columns and its merged form agree bit for bit.
TEST(SuiteColony, MergedFaultsChangeNoStep) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    const SuiteShape shape{5 + static_cast<int>(seed % 30),
                           3 + static_cast<int>(seed % 20),
                           0.1 + 0.02 * (seed % 10),
                           seed % 2 == 0,
                           seed % 3 == 0,
                           1.0f,
                           seed};
    SCOPED_TRACE(seed);
    const SparseSuite repeated = repeatFaults(generateSuite(shape));
    SparseSuite merged = repeated;
    mergeIdenticalFaults(merged);
    ASSERT_LT(faultCount(merged), faultCount(repeated));
    ASSERT_EQ(totalFaultWeight(merged), faultCount(repeated));

    const std::vector<int> greedy = additionalGreedyOrder(repeated);
    EXPECT_EQ(additionalGreedyOrder(merged), greedy);
    seedRandom(seed);
    const SearchResult plain = runSuiteSearch(repeated, {3, 30});
    seedRandom(seed);
    const SearchResult search = runSuiteSearch(merged, {3, 30});
    EXPECT_EQ(search.iterationApfd, plain.iterationApfd);
    EXPECT_EQ(search.bestOrder, plain.bestOrder);
    for (const std::vector<int>& order : {greedy, plain.bestOrder}) {
      EXPECT_EQ(computeSuiteApfd(merged, order.data()), computeSuiteApfd(repeated, order.data()));
      EXPECT_EQ(computeSuiteApfdc(merged, order.data()), computeSuiteApfdc(repeated, order.data()));
    }
  }
}

// Additional greedy counts keys from lists of faults or, where a test
// reveals more faults than a row of 64-bit words holds, from rows of bits of
// one word or many: every way agrees with the rule as it reads, unit weights
// and merged ones alike.
TEST(AdditionalGreedy, AgreesWithTheRuleAsItReadsWhateverItCountsFrom) {
  struct Case {
    int tests;
    int faults;
    double density;
  };
  const Case cases[] = {
      {60, 40, 0.3},    // one word
      {60, 70, 0.3},    // two words
      {40, 300, 0.2},   // five words
      {80, 300, 0.01},  // lists: too few faults a test for rows of bits
  };
  for (const Case& c : cases) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      SCOPED_TRACE(testing::Message() << c.tests << " x " << c.faults << ", seed " << seed);
      const SparseSuite suite =
          generateSuite({c.tests, c.faults, c.density, false, false, 1.0f, seed});
      ASSERT_EQ(additionalGreedyOrder(suite), plainAdditionalGreedy(densify(suite)));
      const SparseSuite repeated = repeatFaults(suite);
      SparseSuite merged = repeated;
      mergeIdenticalFaults(merged);
      ASSERT_FALSE(merged.faultWeight.empty());
      EXPECT_EQ(additionalGreedyOrder(merged), plainAdditionalGreedy(densify(repeated)));
    }
  }
}

}  // namespace
