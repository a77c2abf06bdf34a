#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/history_suite.h"
#include "ordering/shards.h"
#include "plan/next_run.h"
#include "reading/suite_reader.h"
#include "reading/test_costs.h"

using namespace antorder;

namespace {

// A suite of tests a to d at the given costs, each revealing a fault of its own.
SparseSuite fourTests(const std::vector<float>& costs) {
  SparseSuite suite;
  suite.testNames = {"a", "b", "c", "d"};
  suite.testCost = costs;
  suite.testSeverity = {1, 1, 1, 1};
  suite.faultNames = {"f0", "f1", "f2", "f3"};
  suite.firstRevealed = {0, 1, 2, 3, 4};
  suite.revealedFaults = {0, 1, 2, 3};
  return suite;
}

// The plan of a suite with no history names the best order, of the listed
// tests where the runner lists them (new ones first, gone ones out), and
// selects within the budget first fit.
TEST(Plan, NamesTheOrderAndSelectsWithinTheBudget) {
  struct Case {
    const char* what;
    std::vector<std::string> listed;  // empty: not listed
    std::optional<double> budget;
    std::vector<std::string> names;
    std::vector<double> seconds;
    std::vector<std::string> written;
    std::vector<std::string> rest;
    int newTests;
    int goneTests;
  };
  const Case cases[] = {
      {"the best order",
       {},
       std::nullopt,
       {"c", "a", "d", "b"},
       {3, 1, 4, 2},
       {"c", "a", "d", "b"},
       {},
       0,
       0},
      {"first fit: d does not fit after c and a, b does",
       {},
       6.5,
       {"c", "a", "d", "b"},
       {3, 1, 4, 2},
       {"c", "a", "b"},
       {"d"},
       0,
       0},
      {"a budget below every test",
       {},
       0.5,
       {"c", "a", "d", "b"},
       {3, 1, 4, 2},
       {},
       {"c", "a", "d", "b"},
       0,
       0},
      {"listed: new first at 1 s, gone left out",
       {"b", "new", "c"},
       std::nullopt,
       {"new", "c", "b"},
       {1, 3, 2},
       {"new", "c", "b"},
       {},
       1,
       2},
      {"listed, first fit: c does not fit after the new test, b does",
       {"b", "new", "c"},
       3.5,
       {"new", "c", "b"},
       {1, 3, 2},
       {"new", "b"},
       {"c"},
       1,
       2},
  };
  const SparseSuite suite = fourTests({1, 2, 3, 4});
  SuiteOrders orders;
  orders.best.order = {2, 0, 3, 1};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlanInputs inputs;
    inputs.listed = c.listed.empty() ? nullptr : &c.listed;
    inputs.budgetSeconds = c.budget;
    const NextRunPlan plan = planNextRun(suite, orders, Objective::APFD, inputs);
    EXPECT_FALSE(plan.predicted);
    EXPECT_EQ(plan.names, c.names);
    EXPECT_EQ(plan.seconds, c.seconds);
    EXPECT_EQ(writtenNames(plan), c.written);
    EXPECT_EQ(restNames(plan), c.rest);
    EXPECT_EQ(plan.listed, !c.listed.empty());
    EXPECT_EQ(plan.newTests, c.newTests);
    EXPECT_EQ(plan.goneTests, c.goneTests);
    EXPECT_EQ(plan.windowFailingRuns, -1);
  }
}

// Of a history the plan is the failure model's order, each test at its
// expected time, and a budget's selection is counted against the window's
// failing runs.
TEST(Plan, OfAHistoryWritesTheModelsOrder) {
  History history;
  ReadError error;
  SparseSuite suite;
  ASSERT_TRUE(readHistorySuite(SOURCE_DIR "/tests/suites/replay", history, suite, error, {}))
      << error.reason;
  SuiteOrders orders;
  PlanInputs inputs;
  inputs.history = &history;
  inputs.window = 50;
  const NextRunPlan whole = planNextRun(suite, orders, Objective::APFD, inputs);
  ASSERT_TRUE(whole.predicted);
  EXPECT_EQ(&foundOrder(whole, orders), &whole.prediction.order);
  ASSERT_EQ(whole.names.size(), whole.prediction.order.size());
  for (std::size_t at = 0; at < whole.names.size(); ++at) {
    const auto test = static_cast<std::size_t>(whole.prediction.order[at]);
    EXPECT_EQ(whole.seconds[at], whole.prediction.expectedSeconds[test]);
  }
  EXPECT_EQ(writtenNames(whole), whole.names);

  // A budget that holds every test catches every failing run of the window;
  // the same order is selected from.
  inputs.budgetSeconds = 1e9;
  const NextRunPlan budgeted = planNextRun(suite, orders, Objective::APFD, inputs);
  EXPECT_EQ(budgeted.names, whole.names);
  EXPECT_TRUE(budgeted.selection.rest.empty());
  EXPECT_GT(budgeted.windowFailingRuns, 0);
  EXPECT_EQ(budgeted.windowRunsCaught, budgeted.windowFailingRuns);
}

// Split over shards: each shard's written tests are its share in the
// order's order, within the budget from its own share; over the shards every
// test is written once, and the rest of each is every test it does not run.
TEST(Plan, SplitsTheOrderOverShards) {
  const SparseSuite suite = fourTests({1, 2, 3, 4});
  SuiteOrders orders;
  orders.best.order = {2, 0, 3, 1};  // c a d b, at 3 1 4 2 s
  struct Case {
    int count;
    std::optional<double> budget;
    std::vector<std::vector<std::string>> written;  // by shard
  };
  const Case cases[] = {
      // c and a head their shards; then d (4 s) to the one at 1 s, b to c's.
      {2, std::nullopt, {{"c", "b"}, {"a", "d"}}},
      {2, 3.5, {{"c"}, {"a"}}},
      {3, std::nullopt, {{"c"}, {"a", "b"}, {"d"}}},
      {4, std::nullopt, {{"c"}, {"a"}, {"d"}, {"b"}}},
      {5, std::nullopt, {{"c"}, {"a"}, {"d"}, {"b"}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    std::vector<std::string> everyWritten;
    for (int shard = 1; shard <= c.count; ++shard) {
      PlanInputs inputs;
      inputs.budgetSeconds = c.budget;
      inputs.shard = shard;
      inputs.shardCount = c.count;
      const NextRunPlan plan = planNextRun(suite, orders, Objective::APFD, inputs);
      const std::vector<std::string> written = writtenNames(plan);
      EXPECT_EQ(written, c.written[static_cast<std::size_t>(shard - 1)]);
      EXPECT_EQ(written.size() + restNames(plan).size(), 4u);
      everyWritten.insert(everyWritten.end(), written.begin(), written.end());
    }
    if (!c.budget) {
      std::sort(everyWritten.begin(), everyWritten.end());
      EXPECT_EQ(everyWritten, (std::vector<std::string>{"a", "b", "c", "d"}));
    }
  }
}

// The shards finish together on a large suite of uneven times, and the
// split is the same however often it is made.
TEST(Plan, ShardsFinishTogether) {
  std::vector<double> seconds;
  std::uint32_t state = 12345;
  for (int test = 0; test < 2000; ++test) {
    state = state * 1103515245u + 12345u;
    seconds.push_back(0.01 + static_cast<double>(state >> 16) / 65536.0 * 30.0);
  }
  for (const int count : {2, 4, 8}) {
    const std::vector<int> split = splitIntoShards(seconds, count);
    EXPECT_EQ(split, splitIntoShards(seconds, count));
    const std::vector<double> load = shardSeconds(seconds, split, count);
    const double longest = *std::max_element(load.begin(), load.end());
    EXPECT_LE(longest, shardLowerBound(seconds, count) * 1.01) << count;
    // The order's first tests head one shard each.
    for (int shard = 0; shard < count; ++shard) {
      EXPECT_EQ(split[static_cast<std::size_t>(shard)], shard);
    }
  }
}

// Six runs of tests a to d: a took 10 s in the first four and 1 s in the
// last two, the others 2 s each time; c failed in the fifth.
History timedHistory(bool anyFailure = true) {
  History history;
  history.keys = {"a", "b", "c", "d"};
  for (int key = 0; key < 4; ++key)
    history.keyIndex[history.keys[static_cast<std::size_t>(key)]] = key;
  for (int run = 0; run < 6; ++run) {
    TestRun each;
    each.name = "run-" + std::to_string(run);
    each.results = {{0, run < 4 ? 10.0 : 1.0, true, false},
                    {1, 2.0, true, false},
                    {2, 2.0, true, anyFailure && run == 4},
                    {3, 2.0, true, false}};
    history.runs.push_back(each);
  }
  return history;
}

// Of a history, every test has one expected time, the one the summary
// scores by (--window's median, or --costs'): the plan, its budget, its
// shards and the model's order all take it.
TEST(Plan, OfAHistoryTakesEachTestsOneExpectedTime) {
  struct Case {
    const char* what;
    int window;
    float cost;  // every test's, as --costs gives; 0: none given
    std::optional<double> budget;
    int shardCount;
    std::vector<double> seconds;  // of a to d
    std::size_t selected;
  };
  const Case cases[] = {
      {"the window's medians", 6, 0.0f, std::nullopt, 0, {10, 2, 2, 2}, 4},
      {"a window of the last two runs", 2, 0.0f, std::nullopt, 0, {1, 2, 2, 2}, 4},
      {"the window's medians fill the budget", 2, 0.0f, 5.0, 0, {1, 2, 2, 2}, 3},
      {"costs of 0.5 s: two fit a budget of 1 s", 6, 0.5f, 1.0, 0, {0.5, 0.5, 0.5, 0.5}, 2},
      {"costs of 0.5 s, each of two shards fits two", 6, 0.5f, 1.0, 2, {0.5, 0.5, 0.5, 0.5}, 2},
  };
  const History history = timedHistory();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SuiteBuilder builder;
    buildHistorySuite(history, c.window, builder);
    SparseSuite suite;
    ReadError error;
    ASSERT_TRUE(finishSuite(builder, suite, error)) << error.reason;
    if (c.cost > 0.0f) {
      applyTestCosts(suite, {{"a", c.cost}, {"b", c.cost}, {"c", c.cost}, {"d", c.cost}});
    }
    PlanInputs inputs;
    inputs.history = &history;
    inputs.window = c.window;
    inputs.budgetSeconds = c.budget;
    inputs.shard = c.shardCount > 0 ? 1 : 0;
    inputs.shardCount = std::max(1, c.shardCount);
    SuiteOrders orders;
    const NextRunPlan plan = planNextRun(suite, orders, Objective::APFDC, inputs);
    ASSERT_EQ(plan.names.size(), 4u);
    for (std::size_t at = 0; at < plan.names.size(); ++at) {
      const auto key = static_cast<std::size_t>(history.keyIndex.at(plan.names[at]));
      EXPECT_EQ(plan.seconds[at], c.seconds[key]) << plan.names[at];
      EXPECT_EQ(plan.seconds[at], static_cast<double>(suite.testCost[key])) << plan.names[at];
      const auto test = static_cast<std::size_t>(plan.prediction.order[at]);
      EXPECT_EQ(plan.prediction.expectedSeconds[test], plan.seconds[at]) << plan.names[at];
    }
    EXPECT_EQ(writtenNames(plan).size(), c.selected);
    if (c.shardCount > 0) {
      EXPECT_EQ(selectablePositions(plan).size(), 2u);
      EXPECT_EQ(plan.selection.totalSeconds, 1.0);
    }
  }
}

// A listed test the history never ran takes the median of the known ones'
// expected times, and the listed tests keep the suite's; with or without a
// failure to learn from, the order is of the listed tests alone.
TEST(Plan, PlacesANewListedTestAtTheMedianTime) {
  for (const bool anyFailure : {true, false}) {
    SCOPED_TRACE(anyFailure);
    const History history = timedHistory(anyFailure);
    SuiteBuilder builder;
    buildHistorySuite(history, 2, builder);
    SparseSuite suite;
    ReadError error;
    ASSERT_TRUE(finishSuite(builder, suite, error)) << error.reason;
    const std::vector<std::string> listed = {"a", "new", "b"};
    PlanInputs inputs;
    inputs.history = &history;
    inputs.window = 2;
    inputs.listed = &listed;
    SuiteOrders orders;
    const NextRunPlan plan = planNextRun(suite, orders, Objective::APFDC, inputs);
    ASSERT_EQ(plan.names.size(), 3u);
    for (std::size_t at = 0; at < plan.names.size(); ++at) {
      const double expected = plan.names[at] == "a" ? 1.0 : plan.names[at] == "b" ? 2.0 : 1.5;
      EXPECT_EQ(plan.seconds[at], expected) << plan.names[at];
    }
    std::vector<std::string> names = plan.names;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "new"}));
  }
}

}  // namespace
