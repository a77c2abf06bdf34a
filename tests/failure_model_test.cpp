// The failure model on histories made in memory, where the right order of
// the next run is known, and its arithmetic against the standard library's.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "history/failure_model.h"
#include "history/run_pasts.h"
#include "ordering/budget.h"
#include "plan/prediction.h"
#include "replay/replay.h"

using namespace antorder;

namespace {

// Runs of named tests, one string a test a run: 'F' failed, '.' passed, ' '
// did not run; every test takes `seconds` of its own.
History makeHistory(const std::vector<std::string>& names, const std::vector<std::string>& verdicts,
                    const std::vector<double>& seconds) {
  History history;
  for (const std::string& name : names) {
    history.keyIndex[name] = static_cast<int>(history.keys.size());
    history.keys.push_back(name);
  }
  const std::size_t runs = verdicts.front().size();
  for (std::size_t run = 0; run < runs; ++run) {
    TestRun testRun{"run-" + std::to_string(run + 1), {}, {}};
    for (std::size_t test = 0; test < names.size(); ++test) {
      const char verdict = verdicts[test][run];
      if (verdict == ' ') continue;
      testRun.results.push_back({static_cast<int>(test), seconds[test], true, verdict == 'F'});
    }
    history.runs.push_back(testRun);
  }
  return history;
}

std::string namesInOrder(const History& history, const RunPast& past,
                         const std::vector<int>& order) {
  std::string text;
  for (const int test : order) {
    if (!text.empty()) text += ' ';
    text += history.keys[static_cast<std::size_t>(past.keys[static_cast<std::size_t>(test)])];
  }
  return text;
}

TEST(FailureModel, ComputesExpAndLogAsTheStandardLibraryDoes) {
  for (const double x : {-40.0, -12.5, -1.0, -0.1, 0.0, 1e-9, 0.3465, 0.5, 2.0, 17.25, 40.0}) {
    EXPECT_NEAR(portableExp(x) / std::exp(x), 1.0, 4e-16) << x;
  }
  for (const double x : {1e-300, 1e-6, 0.001, 0.25, 0.5, 0.7, 1.0, 1.5, 2.0, 3.0, 1e6, 1e300}) {
    EXPECT_NEAR(portableLog(x), std::log(x), 4e-16 * std::max(1.0, std::fabs(std::log(x)))) << x;
  }
}

// Forty runs: `steady` never fails, `flaky` fails now and then, `alternate`
// every other run, `broken` since two runs ago; each run from the tenth on
// brings a new test, which fails in its first run half the time. Run 41 is
// the one ordered: it has a new test too.
History fixture() {
  std::vector<std::string> names = {"steady", "flaky", "alternate", "broken"};
  std::vector<std::string> verdicts(4);
  for (int run = 0; run < 41; ++run) {
    verdicts[0] += '.';
    verdicts[1] += run % 7 == 3 ? 'F' : '.';
    verdicts[2] += run % 2 == 0 ? 'F' : '.';
    verdicts[3] += run >= 38 ? 'F' : '.';
  }
  for (int run = 10; run < 41; ++run) {
    names.push_back("new" + std::to_string(run));
    std::string line(41, ' ');
    for (int later = run; later < 41; ++later) line[static_cast<std::size_t>(later)] = '.';
    if (run % 2 == 0) line[static_cast<std::size_t>(run)] = 'F';
    verdicts.push_back(line);
  }
  std::vector<double> seconds(names.size(), 1.0);
  return makeHistory(names, verdicts, seconds);
}

TEST(FailureModel, OrdersTheTestsByTheChanceTheyFailNext) {
  const History history = fixture();
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  ASSERT_EQ(pasts.back().run, 40);
  const RunPast& past = pasts.back();
  const std::vector<int> order =
      orderByFailureChance(past.failureProbability, past.expectedSeconds, false);
  // broken failed in both runs before; alternate is due, and a new test
  // failed in half its first runs; flaky last failed two runs ago; steady
  // never failed.
  std::vector<std::string> names;
  names.reserve(order.size());
  for (const int test : order) {
    names.push_back(
        history.keys[static_cast<std::size_t>(past.keys[static_cast<std::size_t>(test)])]);
  }
  const auto position = [&](const std::string& name) {
    return std::find(names.begin(), names.end(), name) - names.begin();
  };
  const std::string text = namesInOrder(history, past, order);
  EXPECT_EQ(position("broken"), 0) << text;
  EXPECT_EQ(position("alternate") + position("new40"), 3) << text;
  EXPECT_LT(position("flaky"), position("steady")) << text;
  EXPECT_EQ(names.back(), "steady") << text;
  for (std::size_t test = 0; test < past.keys.size(); ++test) {
    EXPECT_GT(past.failureProbability[test], 0.0);
    EXPECT_LT(past.failureProbability[test], 1.0);
  }
}

// The ordered run's own verdicts must not reach its order: with its failures
// moved to other tests, every probability stays the same.
TEST(FailureModel, SeesNothingOfTheRunItOrders) {
  const History history = fixture();
  History shuffled = history;
  std::vector<TestResult>& last = shuffled.runs.back().results;
  for (std::size_t at = 0; at < last.size(); ++at) last[at].failed = at % 3 != 1;
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  const std::vector<RunPast> shuffledPasts = pastsOfFailingRuns(shuffled);
  ASSERT_EQ(pasts.back().run, shuffledPasts.back().run);
  EXPECT_EQ(pasts.back().failureProbability, shuffledPasts.back().failureProbability);
  EXPECT_EQ(pasts.back().expectedSeconds, shuffledPasts.back().expectedSeconds);
}

// A broken build fails every test it runs and tells nothing of which test
// fails first: the model that ranks skips it, the one of chances learns it.
TEST(FailureModel, RanksByRunsInWhichNotEveryTestFailed) {
  const History history = makeHistory({"a", "b"}, {"FFFFFF", "FFFFF."}, {1.0, 1.0});
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  const RunPast& last = pasts.back();
  ASSERT_EQ(last.run, 5);
  // Untrained, the ranking model is still the recently-failed prior.
  double smoothed = 0.0;
  for (int run = 0; run < 5; ++run) smoothed = 0.8 + 0.2 * smoothed;
  const double prior = 1.0 / (1.0 + std::exp(3.0 - 4.0 * smoothed));
  EXPECT_NEAR(last.rankingProbability[0], prior, 1e-15);
  EXPECT_EQ(last.rankingProbability[0], last.rankingProbability[1]);
  EXPECT_GT(last.failureProbability[0], prior);
}

// Per second, a cheap test goes before a likelier but far slower one; by
// chance alone, ties go to the cheaper, then to the given order.
TEST(FailureModel, OrdersByChancePerSecondOrByChanceThenCost) {
  struct Case {
    std::vector<double> probability;
    std::vector<double> seconds;
    bool perSecond;
    std::vector<int> order;
  };
  const Case cases[] = {
      {{0.5, 0.2, 0.2, 0.1}, {1000.0, 1.0, 1.0, 0.01}, true, {3, 1, 2, 0}},
      {{0.5, 0.2, 0.2, 0.1}, {1000.0, 1.0, 1.0, 0.01}, false, {0, 1, 2, 3}},
      {{0.3, 0.3, 0.3}, {5.0, 2.0, 5.0}, false, {1, 0, 2}},
      {{0.3, 0.3, 0.3}, {5.0, 2.0, 5.0}, true, {1, 0, 2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(orderByFailureChance(c.probability, c.seconds, c.perSecond), c.order);
  }
}

// A test never run before costs the median of the known times; each known
// test the median of its own recent times.
TEST(FailureModel, ExpectsEachTestToTakeItsMedianTime) {
  History history = makeHistory({"a", "b", "c"}, {"....", "....", "   ."}, {2.0, 6.0, 1.0});
  history.runs[1].results[0].seconds = 40.0;  // a: 2, 40, 2
  history.runs[3].results[1].failed = true;
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history);
  ASSERT_EQ(pasts.size(), 1u);
  EXPECT_EQ(pasts[0].expectedSeconds, (std::vector<double>{2.0, 6.0, 4.0}));
}

// A test's expected time follows its last 50 times as they come and go: the
// median of just those, whichever run it is asked at.
TEST(FailureModel, ExpectsTheMedianOfTheLast50TimesAsTheyChange) {
  TestRun run{"run", {{0, 0.0, true, false}}, {}};
  HistoryPast past;
  std::vector<double> times;
  for (int at = 0; at < 130; ++at) {
    // Times that rise, fall and jump, so that the median moves with the window.
    const double seconds = at < 60 ? 1.0 + at : at < 100 ? 500.0 - 3.0 * at : 0.25 * (at % 7);
    run.results[0].seconds = seconds;
    addRun(past, run);
    times.push_back(seconds);
    const std::vector<double> last(times.end() - std::min<std::ptrdiff_t>(50, at + 1), times.end());
    ASSERT_EQ(expectedSeconds(past, 0), std::max(MIN_SECONDS, medianOf(last))) << "run " << at;
  }
}

// Ordering a history: without a failure the cheapest go first; with one,
// the evidence replays the failing runs with three orders.
TEST(FailureModel, PredictsTheNextRunWithItsEvidence) {
  const History healthy = makeHistory({"slow", "quick"}, {"...", "..."}, {9.0, 1.0});
  const NextRunPrediction calm = predictNextRun(healthy, true);
  EXPECT_FALSE(calm.anyFailure);
  EXPECT_EQ(calm.order, (std::vector<int>{1, 0}));
  EXPECT_EQ(calm.learnedFromRuns, 3);

  const NextRunPrediction next = predictNextRun(fixture(), false);
  EXPECT_TRUE(next.anyFailure);
  // broken and alternate failed in the latest run.
  EXPECT_EQ(std::min(next.order[0], next.order[1]), 2);
  EXPECT_EQ(std::max(next.order[0], next.order[1]), 3);
  EXPECT_EQ(next.evidenceRuns, static_cast<int>(pastsOfFailingRuns(fixture()).size()));
  EXPECT_GT(next.model.apfd, next.given.apfd);
}

}  // namespace

namespace {

// Recently failed is p = 0.8 x failed + 0.2 x p to the bit, as documented:
// in binary 1 - 0.8 is not 0.2.
TEST(FailureModel, RecentlyFailedIsTheDocumentedRuleToTheBit) {
  History history;
  history.keys = {"a"};
  history.keyIndex = {{"a", 0}};
  const bool verdicts[] = {true, false, true, false, false};
  double expected = 0.0;
  for (const bool failed : verdicts) {
    history.runs.push_back({"r", {{0, 1.0, true, failed}}, {}});
    expected = 0.8 * (failed ? 1.0 : 0.0) + 0.2 * expected;
  }
  RunPast next;
  pastsOfFailingRuns(history, next);
  ASSERT_EQ(next.failureLikelihood.size(), 1u);
  EXPECT_EQ(next.failureLikelihood[0], expected);
}

}  // namespace

namespace {

// `tests` tests over `runs` runs, each taking a second; the `stale` first of
// them failed once, in run `failedAt`, and passed in every other.
History staleFailures(int tests, int runs, int stale, int failedAt) {
  History history;
  for (int test = 0; test < tests; ++test) {
    history.keys.push_back("t" + std::to_string(test));
    history.keyIndex[history.keys.back()] = test;
  }
  for (int run = 0; run < runs; ++run) {
    history.runs.push_back({"run-" + std::to_string(run + 1), {}, {}});
    for (int test = 0; test < tests; ++test) {
      history.runs.back().results.push_back({test, 1.0, true, run == failedAt && test < stale});
    }
  }
  return history;
}

// A change that touches `key` alone, through one line no other test covers.
RunChange touching(int key) {
  RunChange change;
  change.carried = true;
  change.changedLines = 1;
  change.keys = {key};
  ChangeSignals signals;
  signals.touched = true;
  signals.coveredLines = 1;
  signals.coveredShare = 0.05;
  signals.specificity = 1.0;
  change.signals = {signals};
  return change;
}

// Over a long history without diffs, the prior on a change must not wear
// away: the test the next change touches goes first, and a budget of a
// twentieth of the suite's time selects it, ahead of the 200 tests that
// failed once 40 runs ago and passed since.
TEST(FailureModel, KeepsTheChangePriorThroughRunsWithoutDiffs) {
  const int tests = 1000;
  const History history = staleFailures(tests, 100, 200, 59);
  const RunChange change = touching(tests - 1);
  for (const bool perSecond : {false, true}) {
    SCOPED_TRACE(perSecond ? "per second" : "by chance");
    const NextRunPrediction next =
        predictNextRun(history, perSecond, nullptr, DEFAULT_WINDOW, {nullptr, &change});
    ASSERT_EQ(next.order.size(), static_cast<std::size_t>(tests));
    EXPECT_EQ(next.order.front(), tests - 1);
    std::vector<double> seconds;
    for (const int test : next.order)
      seconds.push_back(next.expectedSeconds[static_cast<std::size_t>(test)]);
    const BudgetSelection selection = selectWithinBudget(seconds, 50.0);
    ASSERT_FALSE(selection.selected.empty());
    EXPECT_EQ(next.order[static_cast<std::size_t>(selection.selected.front())], tests - 1);
  }
}

// The change's weights keep their prior while runs without a change are
// learned, then follow the usual rule, decay included, once one with a
// change has been.
TEST(FailureModel, ChangeWeightsDecayOnceAChangeIsLearned) {
  FailureModel model;
  const FailureModel prior;
  Features quiet{};
  quiet[0] = 1.0;
  for (int run = 0; run < 100; ++run) learnRun(model, {quiet}, {false});
  for (std::size_t at = HISTORY_FEATURES; at < FEATURE_COUNT; ++at) {
    EXPECT_EQ(model.weights[at], prior.weights[at]) << at;
  }
  EXPECT_NE(model.weights[0], prior.weights[0]);

  Features changed = quiet;
  changed[HISTORY_FEATURES + 6] = 0.1;  // the change's size alone: the touched weight only decays
  learnRun(model, {changed}, {false}, true);
  const double touchedWeight = model.weights[HISTORY_FEATURES];
  EXPECT_LT(touchedWeight, prior.weights[HISTORY_FEATURES]);
  learnRun(model, {quiet}, {false});
  EXPECT_LT(model.weights[HISTORY_FEATURES], touchedWeight);
}

// Of the tests a change touches, the one whose changed lines few others
// cover goes first even before the model has learned from a change; and a
// test that failed long ago and passed since stays behind both.
TEST(FailureModel, PutsTheMostSpecificTouchedTestFirst) {
  History history = staleFailures(4, 30, 1, 2);
  RunChange change = touching(3);
  ChangeSignals broad = change.signals.front();
  broad.specificity = 0.05;
  change.keys = {2, 3};
  change.signals = {broad, change.signals.front()};
  for (const bool perSecond : {false, true}) {
    SCOPED_TRACE(perSecond ? "per second" : "by chance");
    const NextRunPrediction next =
        predictNextRun(history, perSecond, nullptr, DEFAULT_WINDOW, {nullptr, &change});
    EXPECT_EQ(next.order, (std::vector<int>{3, 2, 0, 1}));
  }
}

}  // namespace

namespace {

// A change touching each of `keys` through a line that many tests cover.
RunChange touchingBroadly(const std::vector<int>& keys) {
  RunChange change;
  change.carried = true;
  change.changedLines = 1;
  change.keys = keys;
  ChangeSignals signals;
  signals.touched = true;
  signals.coveredLines = 1;
  signals.coveredShare = 0.01;
  signals.specificity = 1.0 / static_cast<double>(keys.size());
  change.signals.assign(keys.size(), signals);
  return change;
}

std::ptrdiff_t placeOf(const std::vector<int>& order, int test) {
  return std::find(order.begin(), order.end(), test) - order.begin();
}

// Where a test failed for some runs, was fixed and has passed since, and the
// next change touches a test that never failed, the touched test goes ahead
// of it, in the plan and in the replay (where it then fails for the first
// time).
// The model learns otherwise: from the failure streak to rank the old
// failure high, and from the changes that touched many tests which held to
// rank a touched test low.
TEST(FailureModel, PutsTheTouchedTestAheadOfAFixedOldFailure) {
  struct Case {
    const char* name;
    std::string fixedVerdicts;  // of the old failure, key 0
  };
  const Case cases[] = {
      {"fixed two runs ago", std::string(20, '.') + std::string(8, 'F') + ".."},
      {"fixed one run ago", std::string(21, '.') + std::string(8, 'F') + "."},
      {"fixed five runs ago", std::string(17, '.') + std::string(8, 'F') + "....."},
  };
  const int held = 40;  // keys 2 on, touched by every change, never failing
  std::vector<std::string> names = {"fixed", "target"};
  std::vector<int> heldKeys;
  for (int key = 2; key < 2 + held; ++key) {
    names.push_back("held" + std::to_string(key));
    heldKeys.push_back(key);
  }
  const std::vector<double> seconds(names.size(), 1.0);
  for (const Case& test : cases) {
    for (const bool perSecond : {false, true}) {
      SCOPED_TRACE(std::string(test.name) + (perSecond ? ", per second" : ", by chance"));
      std::vector<std::string> verdicts(names.size(), std::string(30, '.'));
      verdicts[0] = test.fixedVerdicts;
      History history = makeHistory(names, verdicts, seconds);
      std::vector<RunChange> changes(history.runs.size(), touchingBroadly(heldKeys));
      const RunChange next = touching(1);
      const NextRunPrediction plan =
          predictNextRun(history, perSecond, nullptr, DEFAULT_WINDOW, {&changes, &next});
      EXPECT_LT(placeOf(plan.order, 1), placeOf(plan.order, 0));

      history.runs.push_back({"run-31", {}, {}});
      for (int key = 0; key < static_cast<int>(names.size()); ++key)
        history.runs.back().results.push_back({key, 1.0, true, key == 1});
      changes.push_back(next);
      const std::vector<RunPast> pasts = pastsOfFailingRuns(history, {&changes, nullptr});
      ASSERT_FALSE(pasts.empty());
      ASSERT_EQ(pasts.back().run, 30);
      StrategyOrders orders;
      orderByPast(pasts.back(), perSecond, orders);
      const std::vector<int>& model = orders[static_cast<std::size_t>(Strategy::FAILURE_MODEL)];
      EXPECT_LT(placeOf(model, 1), placeOf(model, 0));
    }
  }
}

// Only the fixed tests ahead of the last touched one move, to just after
// it; a test still failing, one never failing and those already behind keep
// their places.
TEST(FailureModel, MovesOnlyTheFixedTestsAheadOfTheLastTouched) {
  struct Case {
    const char* name;
    std::vector<int> order;
    std::vector<char> touched;  // by test
    std::vector<char> fixed;    // by test
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"nothing touched", {2, 0, 1}, {0, 0, 0}, {1, 0, 1}, {2, 0, 1}},
      {"fixed ahead of two touched",
       {0, 1, 2, 3, 4},
       {0, 1, 0, 1, 0},
       {1, 0, 1, 0, 1},
       {1, 3, 0, 2, 4}},
      {"others keep their places",
       {4, 0, 1, 2, 3},
       {0, 0, 1, 0, 0},
       {0, 1, 0, 0, 1},
       {0, 2, 4, 1, 3}},
      {"a failing test stays ahead", {0, 1, 2}, {0, 0, 1}, {0, 1, 0}, {0, 2, 1}},
      {"touched already first", {1, 0, 2}, {0, 1, 0}, {1, 0, 1}, {1, 0, 2}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    std::vector<int> order = test.order;
    putTouchedAheadOfFixed(order, test.touched, test.fixed);
    EXPECT_EQ(order, test.expected);
  }
}

}  // namespace
