// Replaying a dozen hand-made runs of five tests (tests/suites/replay), each
// strategy's order and scores worked out by hand. The tests' usual times are
// a 4 s, b 1 s, c 2 s, d 3 s, e 2.5 s; b took 7 s in run 5.
//
//   run  1  2  3  4   5  6  7    8  9    10 11 12
//   a    .  .  .  F   .  .  .    .  .    .  .  F
//   b    .  .  .  .   7s .  F    .  .    .  .  F
//   c    .  F  .  .   .  .  .    .  .    .  .  F
//   d    .  .  .  -   .  .  F    -  -    .  F  F
//   e                               F(new) .  .  F
// (F failed, - skipped, e first ran in run 9.) The window is 3 runs.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reading/junit_history.h"
#include "replay/replay.h"
#include "reporting/replay_report.h"
#include "runners/runners.h"

using namespace antorder;

namespace {

History readFixture() {
  History history;
  ReadError error;
  EXPECT_TRUE(readJunitPath(SOURCE_DIR "/tests/suites/replay", history, error)) << error.reason;
  return history;
}

ReplaySettings fixtureSettings() {
  ReplaySettings settings;
  settings.window = 3;
  return settings;
}

// An order as the tests' letters: "shop.test_b" is b.
std::string letters(const History& history, const RunPast& past, const std::vector<int>& order) {
  std::string text;
  for (const int test : order) {
    text +=
        history.keys[static_cast<std::size_t>(past.keys[static_cast<std::size_t>(test)])].back();
  }
  return text;
}

TEST(Replay, ReplaysTheFailingRunsThatHaveARunBefore) {
  const History history = readFixture();
  std::vector<int> runs;
  for (const RunPast& past : pastsOfFailingRuns(history)) runs.push_back(past.run + 1);
  EXPECT_EQ(runs, (std::vector<int>{2, 4, 7, 9, 11, 12}));
}

TEST(Replay, OrdersEachRunByEveryStrategyFromThePastAlone) {
  const History history = readFixture();
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  struct Case {
    int run;
    const char* why;
    std::vector<std::string> orders;  // given, shortest first, failure count, recently
                                      // failed, additional greedy, best order, hindsight
  };
  const Case cases[] = {
      {2,
       "nothing failed before: the colony and the best order take the cheapest first",
       {"abcd", "bcda", "abcd", "abcd", "abcd", "bcda", "cabd"}},
      {4,
       "d skipped; c failed in the window; the best order's tail goes cheapest first",
       {"abc", "bca", "cab", "cab", "cab", "cba", "abc"}},
      {7,
       "b's mean time 2 ties c's (report order); c's failure is out of the window but not "
       "out of p; d's skipped run leaves its mean",
       {"abcd", "bcda", "abcd", "acbd", "abcd", "abcd", "bdac"}},
      {9,
       "e is new: first by time, last by failures, the median known cost (2) in the suite, "
       "tied with c",
       {"abce", "ebca", "bace", "bace", "bace", "bcea", "eabc"}},
      {11,
       "d's p is kept over its skipped runs and ties e's: report order",
       {"abcde", "bceda", "eabcd", "debac", "eabcd", "ebcda", "dabce"}},
  };
  constexpr Strategy SHOWN[] = {
      Strategy::GIVEN,           Strategy::SHORTEST_FIRST,    Strategy::FAILURE_COUNT,
      Strategy::RECENTLY_FAILED, Strategy::ADDITIONAL_GREEDY, Strategy::BEST_ORDER,
      Strategy::HINDSIGHT};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "run " << c.run << ": " << c.why);
    const RunPast* past = nullptr;
    for (const RunPast& each : pasts) {
      if (each.run + 1 == c.run) past = &each;
    }
    ASSERT_NE(past, nullptr);
    const StrategyOrders orders = orderRun(history, *past, fixtureSettings());
    for (std::size_t at = 0; at < c.orders.size(); ++at) {
      EXPECT_EQ(letters(history, *past, orders[static_cast<std::size_t>(SHOWN[at])]), c.orders[at])
          << strategyName(SHOWN[at]);
    }
    // The colony's best order holds every test once, and puts a test that
    // failed in the window first where one did.
    std::string colony =
        letters(history, *past, orders[static_cast<std::size_t>(Strategy::ANT_COLONY)]);
    if (c.run == 2) {
      EXPECT_EQ(colony, "bcda");
    }
    if (c.run == 7) {
      EXPECT_EQ(colony[0], 'a');
    }
    std::string sorted = colony;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, c.orders[0]);
  }
}

TEST(Replay, ScoresEachOrderAgainstTheRunsOwnFailures) {
  const History history = readFixture();
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  struct Case {
    int run;
    Strategy strategy;
    double apfd;
    double apfdc;
    double firstFailure;
  };
  // APFD = 1 - sum(TF)/(n m) + 1/(2n); APFDc over the run's times; the
  // first failure's time, its own included.
  const Case cases[] = {
      {2, Strategy::GIVEN, 0.375, 0.4, 7.0},            // c at 3 of a4 b1 c2 d3
      {2, Strategy::SHORTEST_FIRST, 0.625, 0.8, 3.0},   // c at 2
      {2, Strategy::HINDSIGHT, 0.875, 0.9, 2.0},        // c first
      {4, Strategy::GIVEN, 5.0 / 6.0, 5.0 / 7.0, 4.0},  // a first of a4 b1 c2
      {4, Strategy::FAILURE_COUNT, 0.5, 3.0 / 7.0, 6.0},
      {4, Strategy::BEST_ORDER, 1.0 / 6.0, 2.0 / 7.0, 7.0},
      {7, Strategy::GIVEN, 0.375, 0.35, 5.0},  // b at 2, d at 4
      {7, Strategy::SHORTEST_FIRST, 0.625, 0.75, 1.0},
      {7, Strategy::RECENTLY_FAILED, 0.25, 0.25, 7.0},
      {7, Strategy::HINDSIGHT, 0.75, 0.85, 1.0},
      {9, Strategy::SHORTEST_FIRST, 0.875, 8.25 / 9.5, 2.5},
      {9, Strategy::BEST_ORDER, 0.375, 5.25 / 9.5, 5.5},
      {9, Strategy::FAILURE_COUNT, 0.125, 1.25 / 9.5, 9.5},
      {11, Strategy::RECENTLY_FAILED, 0.9, 11.0 / 12.5, 3.0},
      {12, Strategy::GIVEN, 0.5, 0.0, 4.0},  // every test failed
      {12, Strategy::HINDSIGHT, 0.5, 0.0, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "run " << c.run << ", " << strategyName(c.strategy));
    const RunPast* past = nullptr;
    for (const RunPast& each : pasts) {
      if (each.run + 1 == c.run) past = &each;
    }
    ASSERT_NE(past, nullptr);
    const ReplayedRun run = scoreRun(history, *past, orderRun(history, *past, fixtureSettings()));
    const RunScore& score = run.scores[static_cast<std::size_t>(c.strategy)];
    EXPECT_NEAR(score.apfd, c.apfd, 1e-12);
    if (c.run != 12) {
      EXPECT_NEAR(score.apfdc, c.apfdc, 1e-12);
    }
    EXPECT_NEAR(score.firstFailureSeconds, c.firstFailure, 1e-12);
  }
}

TEST(Replay, SummarisesAllFailingRunsAndThoseWithAPassingTest) {
  const History history = readFixture();
  ReplayReport report;
  report.settings = fixtureSettings();
  report.settings.budgetSeconds = 3.0;
  report.runs = replayHistory(history, report.settings, [](int, int) { return true; });
  ASSERT_EQ(report.runs.size(), 6u);
  // Hindsight's first failures: 2, 4, 1, 2.5, 3 and 1 s; the run where
  // every test failed (1 s) is left out of the second set.
  const StrategySummary all = summarise(report, Strategy::HINDSIGHT, RunsCounted::ALL);
  const StrategySummary withPassing =
      summarise(report, Strategy::HINDSIGHT, RunsCounted::WITH_A_PASSING_TEST);
  EXPECT_EQ(all.runs, 6);
  EXPECT_EQ(withPassing.runs, 5);
  EXPECT_DOUBLE_EQ(all.medianFirstFailureSeconds, 2.25);
  EXPECT_DOUBLE_EQ(withPassing.medianFirstFailureSeconds, 2.5);
  EXPECT_DOUBLE_EQ(all.withinBudget, 5.0 / 6.0);
  EXPECT_DOUBLE_EQ(withPassing.withinBudget, 4.0 / 5.0);
  EXPECT_NEAR(all.meanApfd, (0.875 + 5.0 / 6.0 + 0.75 + 0.875 + 0.9 + 0.5) / 6.0, 1e-12);
}

// The dry run: with a budget of 3 s, first fit by the expected times (the
// median of earlier times: a 4, b 1, c 2, d 3, e 2.5), the failing tests
// each selection leaves out. Given order in run 4: a does not fit, b and c
// do, so a is missed; in run 12, where all fail, b and c fit and a, d and e
// are missed; hindsight there (b c e d a) fits b and c alike.
TEST(Replay, ListsTheFailuresABudgetsSelectionWouldHaveMissed) {
  const History history = readFixture();
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  struct Case {
    int run;
    Strategy strategy;
    std::string missed;
  };
  const Case cases[] = {{2, Strategy::GIVEN, ""},
                        {4, Strategy::GIVEN, "a"},
                        {12, Strategy::GIVEN, "ade"},
                        {12, Strategy::HINDSIGHT, "eda"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run);
    const RunPast* past = nullptr;
    for (const RunPast& each : pasts) {
      if (each.run + 1 == c.run) past = &each;
    }
    ASSERT_NE(past, nullptr);
    const ReplayedRun run =
        scoreRun(history, *past, orderRun(history, *past, fixtureSettings()), 3.0);
    const RunScore& score = run.scores[static_cast<std::size_t>(c.strategy)];
    EXPECT_EQ(letters(history, *past, score.missedWithinBudget), c.missed);
    EXPECT_EQ(score.caughtWithinBudget, c.missed.size() < static_cast<std::size_t>(run.failing));
  }
}

// Over two shards, run 7's given order (a b c d, expected 4 1 2 3 s), dealt
// each to the shard to finish first: a to one, b, c and d to the other. b
// fails first on its shard, at 1 s, where one machine shows it after a, at
// 5 s. The longest shard takes 6 s (b c d) against the bound of 10 / 2 s.
TEST(Replay, SplitsEachOrderOverShards) {
  const History history = readFixture();
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  const RunPast& past = pasts[2];
  ASSERT_EQ(past.run + 1, 7);
  const StrategyOrders orders = orderRun(history, past, fixtureSettings());
  const RunScore one = scoreRun(history, past, orders).scores[0];
  const RunScore two = scoreRun(history, past, orders, std::nullopt, 2).scores[0];
  EXPECT_DOUBLE_EQ(one.firstFailureSeconds, 5.0);
  EXPECT_DOUBLE_EQ(two.firstFailureSeconds, 1.0);
  EXPECT_DOUBLE_EQ(two.longestShardSeconds, 6.0);
  EXPECT_DOUBLE_EQ(two.shardBoundSeconds, 5.0);
  EXPECT_EQ(one.apfd, two.apfd);
}

// Split over shards, each shard selects within the whole budget from its
// own share, as --shard does. Run 12's given order (a b c d e, expected 4 1
// 2 3 2.5 s) over two shards: a and e on one, b c d on the other; within 3 s
// the first fits e, the second b and c, so a and d are missed, where one
// machine misses a, d and e.
TEST(Replay, SelectsWithinTheBudgetOnEachShard) {
  const History history = readFixture();
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  const RunPast& past = pasts.back();
  ASSERT_EQ(past.run + 1, 12);
  const StrategyOrders orders = orderRun(history, past, fixtureSettings());
  struct Case {
    int shards;
    double budget;
    std::string missed;
  };
  const Case cases[] = {{1, 3.0, "ade"}, {2, 3.0, "ad"}, {2, 0.5, "abcde"}, {5, 4.0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shards) + " shards, " + std::to_string(c.budget) + " s");
    const RunScore score = scoreRun(history, past, orders, c.budget, c.shards)
                               .scores[static_cast<std::size_t>(Strategy::GIVEN)];
    EXPECT_EQ(letters(history, past, score.missedWithinBudget), c.missed);
    EXPECT_EQ(score.caughtWithinBudget, c.missed.size() < 5u);
  }
}

TEST(Replay, GivesTheSameResultsForAnyNumberOfJobs) {
  const History history = readFixture();
  ReplaySettings settings = fixtureSettings();
  settings.shards = 3;
  ReplayReport one;
  one.settings = settings;
  one.runs = replayHistory(history, settings, [](int, int) { return true; });
  settings.jobs = 3;
  ReplayReport three;
  three.settings = settings;
  three.settings.jobs = 1;  // the JSON names no jobs; the same results
  three.runs = replayHistory(history, settings, [](int, int) { return true; });
  EXPECT_EQ(replayJson(history, one), replayJson(history, three));
  EXPECT_NE(replayJson(history, one).find("longest_shard_seconds"), std::string::npos);
}

}  // namespace

// Two runs the pytest plugin ordered (d c b a), each report recording the
// collection order a b c d; c fails in the second, nothing before it. Every
// baseline then ties throughout, and the replay must fall back on the order
// pytest would have run, not on the order the loop ran.
TEST(Replay, TakesTheCollectionOrderTheReportsRecordForGivenAndTies) {
  History history;
  ReadError error;
  ASSERT_TRUE(readJunitPath(SOURCE_DIR "/tests/suites/replay-collected", history, error))
      << error.reason;
  const RunPast asRan = pastsOfFailingRuns(history).at(0);
  EXPECT_EQ(letters(history, asRan, orderRun(history, asRan, fixtureSettings())[0]), "dcba");

  ASSERT_EQ(putRunsInCollectionOrder(history), 2);
  const RunPast past = pastsOfFailingRuns(history).at(0);
  const StrategyOrders orders = orderRun(history, past, fixtureSettings());
  for (const Strategy tied : {Strategy::GIVEN, Strategy::SHORTEST_FIRST, Strategy::FAILURE_COUNT,
                              Strategy::RECENTLY_FAILED, Strategy::ADDITIONAL_GREEDY}) {
    EXPECT_EQ(letters(history, past, orders[static_cast<std::size_t>(tied)]), "abcd")
        << strategyName(tied);
  }
  EXPECT_EQ(letters(history, past, orders[static_cast<std::size_t>(Strategy::HINDSIGHT)]), "cabd");
  // c fails fourth of four in pytest's own order.
  EXPECT_DOUBLE_EQ(scoreRun(history, past, orders).scores[0].apfd, 1.0 - 3.0 / 4.0 + 1.0 / 8.0);
}

// Results without a position (another runner's report in the same run)
// follow those with one, in report order; a run with none keeps its order.
TEST(Replay, PutsResultsWithoutAPositionAfterThoseWithOne) {
  History history;
  history.runs.push_back({"mixed", {}, {}});
  history.runs.push_back({"plain", {}, {}});
  const int positions[] = {-1, 2, -1, 0, 1};
  for (int key = 0; key < 5; ++key) {
    history.runs[0].results.push_back({key, 1.0, true, false, positions[key]});
    history.runs[1].results.push_back({4 - key, 1.0, true, false});
  }
  EXPECT_EQ(putRunsInCollectionOrder(history), 1);
  std::vector<int> mixed;
  std::vector<int> plain;
  for (const TestResult& result : history.runs[0].results) mixed.push_back(result.key);
  for (const TestResult& result : history.runs[1].results) plain.push_back(result.key);
  EXPECT_EQ(mixed, (std::vector<int>{3, 4, 1, 0, 2}));
  EXPECT_EQ(plain, (std::vector<int>{4, 3, 2, 1, 0}));
  EXPECT_TRUE(history.runs[0].collectionOrder);
  EXPECT_FALSE(history.runs[1].collectionOrder);
}

// A runner that runs a class's tests together (tests/suites/classes: three
// classes of two tests): every strategy's order is scored regrouped class by
// class, and its test-by-test figures are those of the replay without it.
TEST(Replay, ScoresEachOrderClassByClassBesideTestByTest) {
  History history;
  ReadError error;
  ASSERT_TRUE(readJunitPath(SOURCE_DIR "/tests/suites/classes", history, error)) << error.reason;
  ReplaySettings settings;
  const std::vector<ReplayedRun> perTest =
      replayHistory(history, settings, [](int, int) { return true; });
  settings.unit = OrderUnit::CLASS;
  settings.unitOf = [](const std::string& key) { return junit5ClassOf(key); };
  const std::vector<ReplayedRun> byClass =
      replayHistory(history, settings, [](int, int) { return true; });
  ASSERT_EQ(byClass.size(), perTest.size());
  ASSERT_FALSE(byClass.empty());
  bool anyCost = false;
  for (std::size_t run = 0; run < byClass.size(); ++run) {
    for (std::size_t strategy = 0; strategy < STRATEGY_COUNT; ++strategy) {
      SCOPED_TRACE(strategyName(static_cast<Strategy>(strategy)));
      EXPECT_EQ(byClass[run].perTestApfd[strategy], perTest[run].scores[strategy].apfd);
      EXPECT_EQ(byClass[run].perTestApfdc[strategy], perTest[run].scores[strategy].apfdc);
      anyCost = anyCost || byClass[run].scores[strategy].apfd < perTest[run].scores[strategy].apfd;
    }
  }
  EXPECT_TRUE(anyCost) << "no order lost anything class by class: were they regrouped?";

  const std::vector<int> classOf = unitNumbers(history.keys, settings.unitOf);
  for (const RunPast& past : pastsOfFailingRuns(history)) {
    StrategyOrders orders = orderRun(history, past, settings);
    const StrategyOrders before = orders;
    regroupOrders(past, classOf, orders);
    for (std::size_t strategy = 0; strategy < STRATEGY_COUNT; ++strategy) {
      SCOPED_TRACE(strategyName(static_cast<Strategy>(strategy)));
      const std::vector<int>& order = orders[strategy];
      std::vector<int> sorted = order;
      std::vector<int> sortedBefore = before[strategy];
      std::sort(sorted.begin(), sorted.end());
      std::sort(sortedBefore.begin(), sortedBefore.end());
      EXPECT_EQ(sorted, sortedBefore);
      // Each class's tests run together, the classes by their first test.
      std::vector<int> classes;
      for (const int test : order) {
        const int unit =
            classOf[static_cast<std::size_t>(past.keys[static_cast<std::size_t>(test)])];
        if (classes.empty() || classes.back() != unit) classes.push_back(unit);
      }
      std::vector<int> distinct = classes;
      std::sort(distinct.begin(), distinct.end());
      EXPECT_EQ(std::unique(distinct.begin(), distinct.end()), distinct.end());
      if (!before[strategy].empty()) {
        EXPECT_EQ(orders[strategy].front(), before[strategy].front());
      }
    }
  }
}
