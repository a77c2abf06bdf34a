// The best order against an exhaustive model: on small suites every
// permutation is scored, and the search must reach the highest score; on any
// suite it must never fall below the orders it starts from.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/suite_generator.h"
#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "ordering/best_order/best_order.h"
#include "ordering/suite_colony.h"
#include "ordering/suite_orders.h"
#include "platform/random.h"

using namespace antorder;

namespace {

const char* objectiveName(Objective objective) {
  return objective == Objective::APFD ? "APFD" : "APFDc";
}

bool isPermutation(std::vector<int> order, int tests) {
  std::sort(order.begin(), order.end());
  std::vector<int> all(static_cast<std::size_t>(tests));
  std::iota(all.begin(), all.end(), 0);
  return order == all;
}

// The highest score of any order, by trying them all.
float bestOfEveryOrder(const SparseSuite& suite, Objective objective) {
  std::vector<int> order(suite.testNames.size());
  std::iota(order.begin(), order.end(), 0);
  float best = 0.0f;
  do {
    best = std::max(best, objectiveScore(suite, objective, order));
  } while (std::next_permutation(order.begin(), order.end()));
  return best;
}

std::vector<int> colonyOrder(const SparseSuite& suite, std::uint32_t seed) {
  seedRandom(seed);
  return runSuiteSearch(suite, {3, 10}).bestOrder;
}

// A thousand small suites of up to 7 tests and 8 faults, at three densities,
// half of them with costs; how many the search solves, with the exact search
// and with the local search alone.
TEST(BestOrder, ReachesTheHighestScoreOfEveryOrderOnSmallSuites) {
  const double densities[] = {0.15, 0.3, 0.6};
  for (const Objective objective : {Objective::APFD, Objective::APFDC}) {
    for (const bool exactSearch : {true, false}) {
      SCOPED_TRACE(std::string(objectiveName(objective)) + (exactSearch ? ", exact" : ", local"));
      int optimal = 0;
      const int suites = 1000;
      for (int at = 0; at < suites; ++at) {
        const auto seed = static_cast<std::uint32_t>(at + 1);
        const SuiteShape shape{
            1 + at % 7, 1 + (at / 7) % 8, densities[at % 3], at % 2 == 0, false, 1.0f, seed};
        const SparseSuite suite = generateSuite(shape);
        const std::vector<int> greedy = additionalGreedyOrder(suite);
        const std::vector<int> colony = colonyOrder(suite, seed);
        BestOrderSettings settings;
        settings.objective = objective;
        settings.exactSearch = exactSearch;
        const BestOrder found = findBestOrder(suite, greedy, colony, settings);
        ASSERT_TRUE(isPermutation(found.order, testCount(suite))) << "suite " << at;
        const float score = objectiveScore(suite, objective, found.order);
        ASSERT_GE(score, objectiveScore(suite, objective, greedy)) << "suite " << at;
        ASSERT_GE(score, objectiveScore(suite, objective, colony)) << "suite " << at;
        const float highest = bestOfEveryOrder(suite, objective);
        ASSERT_LE(score, highest) << "suite " << at;
        if (score == highest) ++optimal;
        EXPECT_TRUE(found.exact || !exactSearch) << "suite " << at;
      }
      EXPECT_GE(optimal, suites * 99 / 100);
      std::printf("%s, %s search: %d of %d suites at the highest score\n", objectiveName(objective),
                  exactSearch ? "exact" : "local", optimal, suites);
    }
  }
}

// Where the exact search can still run, the local search alone, from the
// same starts, must come close: it is all there is on wider suites.
TEST(BestOrder, TheLocalSearchAloneNearlyMatchesTheExactSearch) {
  for (const Objective objective : {Objective::APFD, Objective::APFDC}) {
    SCOPED_TRACE(objectiveName(objective));
    int matched = 0;
    const int suites = 200;
    for (int at = 0; at < suites; ++at) {
      const auto seed = static_cast<std::uint32_t>(5000 + at);
      const SparseSuite suite = generateSuite(
          {30 + at % 50, 10 + at % 7, 0.05 + 0.05 * (at % 4), at % 2 == 0, false, 1.0f, seed});
      const std::vector<int> greedy = additionalGreedyOrder(suite);
      const std::vector<int> colony = colonyOrder(suite, seed);
      BestOrderSettings settings;
      settings.objective = objective;
      const BestOrder exact = findBestOrder(suite, greedy, colony, settings);
      ASSERT_TRUE(exact.exact) << "suite " << at;
      settings.exactSearch = false;
      const BestOrder local = findBestOrder(suite, greedy, colony, settings);
      const float exactScore = objectiveScore(suite, objective, exact.order);
      const float localScore = objectiveScore(suite, objective, local.order);
      ASSERT_LE(localScore, exactScore) << "suite " << at;
      if (localScore == exactScore) ++matched;
    }
    std::printf("%s: the local search matched the exact search on %d of %d suites\n",
                objectiveName(objective), matched, suites);
    EXPECT_GE(matched, suites * 95 / 100);
  }
}

// On suites too wide for the exact search, and with the effort cut short,
// the best order is still a whole order, never below its starts, and the
// same on every run.
TEST(BestOrder, NeverFallsBelowItsStartsWhateverTheEffort) {
  struct Case {
    SuiteShape shape;
    std::int64_t effort;
    bool spent;  // the effort runs out
  };
  const Case cases[] = {
      {{400, 60, 0.05, false, false, 1.0f, 11u}, DEFAULT_SEARCH_EFFORT, false},
      {{400, 60, 0.05, true, false, 1.0f, 12u}, DEFAULT_SEARCH_EFFORT, false},
      {{3000, 200, 0.01, false, false, 1.0f, 14u}, 1, true},
      {{3000, 200, 0.01, true, false, 1.0f, 15u}, 20000, true},
      {{3000, 200, 0.01, true, false, 1.0f, 15u}, 2000000, true},
      {{50, 10, 0.2, true, false, 1.0f, 16u}, 1, true},
  };
  for (const Case& c : cases) {
    for (const Objective objective : {Objective::APFD, Objective::APFDC}) {
      SCOPED_TRACE(std::to_string(c.shape.seed) + " " + objectiveName(objective));
      const SparseSuite suite = generateSuite(c.shape);
      const std::vector<int> greedy = additionalGreedyOrder(suite);
      const std::vector<int> colony = colonyOrder(suite, c.shape.seed);
      const BestOrderSettings settings{objective, c.effort, true};
      const BestOrder found = findBestOrder(suite, greedy, colony, settings);
      ASSERT_TRUE(isPermutation(found.order, testCount(suite)));
      const float score = objectiveScore(suite, objective, found.order);
      EXPECT_GE(score, objectiveScore(suite, objective, greedy));
      EXPECT_GE(score, objectiveScore(suite, objective, colony));
      EXPECT_EQ(found.effortSpent, c.spent);
      EXPECT_EQ(findBestOrder(suite, greedy, colony, settings).order, found.order);
    }
  }
}

}  // namespace

namespace {

// A suite of unit costs from the faults each test reveals.
SparseSuite suiteRevealing(const std::vector<std::vector<int>>& reveals) {
  SparseSuite suite;
  int faults = 0;
  suite.firstRevealed = {0};
  for (const std::vector<int>& revealed : reveals) {
    suite.testNames.push_back("t" + std::to_string(suite.testNames.size()));
    suite.testCost.push_back(1.0f);
    suite.testSeverity.push_back(1);
    suite.revealedFaults.insert(suite.revealedFaults.end(), revealed.begin(), revealed.end());
    suite.firstRevealed.push_back(suite.revealedFaults.size());
    for (const int fault : revealed) faults = std::max(faults, fault + 1);
  }
  for (int fault = 0; fault < faults; ++fault)
    suite.faultNames.push_back("f" + std::to_string(fault));
  return suite;
}

// Additional greedy starts afresh once nothing left adds anything new, ties
// to the first in the tie order given, over the tests not yet placed.
TEST(AdditionalGreedy, StartsAfreshOverTheTestsLeft) {
  // t0 reveals all four; t2 three; t3 two; t1 one (of which t3 has both).
  const std::vector<std::vector<int>> covering = {{0, 1, 2, 3}, {3}, {0, 1, 2}, {2, 3}};
  struct Case {
    const char* why;
    std::vector<std::vector<int>> reveals;
    bool mostRevealingTies;
    std::vector<char> placed;
    std::vector<int> order;
  };
  const Case cases[] = {
      {"after t0 afresh: t2, then t1 and t3 add fault 3 alike, the lower index first",
       covering,
       false,
       {0, 0, 0, 0},
       {0, 2, 1, 3}},
      {"ties to the test that reveals more in all: t3 before t1",
       covering,
       true,
       {0, 0, 0, 0},
       {0, 2, 3, 1}},
      {"t0 placed already: the rest from nothing revealed",
       covering,
       false,
       {1, 0, 0, 0},
       {2, 1, 3}},
      {"tests that reveal nothing last, in file order",
       {{}, {0}, {}, {0}},
       false,
       {0, 0, 0, 0},
       {1, 3, 0, 2}},
      {"every test placed: nothing left", covering, false, {1, 1, 1, 1}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const SparseSuite suite = suiteRevealing(c.reveals);
    std::vector<int> ties(suite.testNames.size());
    std::iota(ties.begin(), ties.end(), 0);
    if (c.mostRevealingTies) ties = mostRevealingFirst(suite, ties);
    EXPECT_EQ(restartingGreedyOrder(suite, ties, c.placed), c.order);
  }
  EXPECT_EQ(additionalGreedyOrder(suiteRevealing(covering)), (std::vector<int>{0, 2, 1, 3}));
}

// Every order of a run is the same whether additional greedy runs on a
// thread of its own beside the colony or after it on one; a search stopped
// after its third iteration seeks no best order.
TEST(SuiteOrders, AreTheSameOnOneThreadOrTwo) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    const SparseSuite suite = generateSuite(
        {200 + 50 * static_cast<int>(seed), 30, 0.05, seed % 2 == 0, false, 1.0f, seed});
    OrderingSettings settings;
    settings.search = {5, 20};
    settings.seed = seed;
    settings.best.effort = 200000;
    settings.jobs = 1;
    const SuiteOrders alone = findSuiteOrders(suite, settings);
    settings.jobs = 2;
    const SuiteOrders beside = findSuiteOrders(suite, settings);
    EXPECT_EQ(beside.greedy.order, additionalGreedyOrder(suite));
    EXPECT_EQ(beside.greedy.order, alone.greedy.order);
    EXPECT_EQ(beside.search.iterationApfd, alone.search.iterationApfd);
    EXPECT_EQ(beside.colony.order, alone.colony.order);
    EXPECT_EQ(beside.best.order, alone.best.order);
    EXPECT_FALSE(beside.stopped);

    const SuiteOrders stopped = findSuiteOrders(
        suite, settings, [](const SearchResult& soFar) { return soFar.iterationApfd.size() < 3; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.search.iterationApfd.size(), 3u);
    EXPECT_TRUE(stopped.best.order.empty());
    EXPECT_EQ(stopped.greedy.order, alone.greedy.order);
  }
}

}  // namespace
