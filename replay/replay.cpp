#include "replay/replay.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <utility>

#include "history/failure_model.h"
#include "history/history_suite.h"
#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "ordering/budget.h"
#include "ordering/order_units.h"
#include "ordering/shards.h"
#include "platform/parallel.h"
#include "platform/random.h"
#include "suite/suite_builder.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The report order, stably sorted so that `before` holds.
template <typename Before>
std::vector<int> reportOrderSortedBy(std::size_t tests, Before before) {
  std::vector<int> order(tests);
  for (Index at = 0; at < tests; ++at) order[at] = static_cast<int>(at);
  std::stable_sort(order.begin(), order.end(), before);
  return order;
}

// The results of the run's tests that ran, in report order.
std::vector<const TestResult*> ranIn(const TestRun& run) {
  std::vector<const TestResult*> ran;
  for (const TestResult& result : run.results) {
    if (result.ran) ran.push_back(&result);
  }
  return ran;
}

// The objective of the best order and the failure model: the one asked for,
// else APFDc where the window's costs differ.
Objective replayObjective(const SparseSuite& suite, const ReplaySettings& settings) {
  if (settings.objectiveGiven) return settings.objective;
  return costsAllEqual(suite) ? Objective::APFD : Objective::APFDC;
}

// The orders of failure count, additional greedy, the colony and the best
// order on the window's suite, and the failure model's, whose tests are the run's in report order:
// a test's faults there are its failures in the window, one fault each.
void orderByWindowSuite(const History& history, const RunPast& past, const ReplaySettings& settings,
                        StrategyOrders& orders) {
  SuiteBuilder builder;
  buildWindowSuite(history, history.runs[static_cast<Index>(past.run)],
                   std::max(0, past.run - settings.window), past.run, builder);
  SparseSuite suite;
  ReadError unused;
  finishSuite(builder, suite, unused);
  orders[static_cast<Index>(Strategy::FAILURE_COUNT)] =
      mostRevealingFirst(suite, givenOrder(suite));
  std::vector<int>& greedy = orders[static_cast<Index>(Strategy::ADDITIONAL_GREEDY)];
  greedy = additionalGreedyOrder(suite);
  orderByPast(past, replayObjective(suite, settings) == Objective::APFDC, orders);
  if (faultCount(suite) == 0) {
    orders[static_cast<Index>(Strategy::ANT_COLONY)] = cheapestFirstOrder(suite);
    orders[static_cast<Index>(Strategy::BEST_ORDER)] = cheapestFirstOrder(suite);
    return;
  }
  seedRandom(settings.seed);
  std::vector<int>& colony = orders[static_cast<Index>(Strategy::ANT_COLONY)];
  colony = runSuiteSearch(suite, settings.search).bestOrder;
  BestOrderSettings best;
  best.objective = replayObjective(suite, settings);
  best.effort = settings.effort;
  orders[static_cast<Index>(Strategy::BEST_ORDER)] =
      findBestOrder(suite, greedy, colony, best).order;
}

// Whether the order's selection within the budget, made before the run by
// the expected times, holds a test that failed in it, and the failing tests
// it leaves out. Split over shards, each shard selects within the budget
// from its own share, as --shard does.
void scoreSelection(double budgetSeconds, const std::vector<int>& order, const RunPast& past,
                    const std::vector<const TestResult*>& ran, int shards, RunScore& score) {
  std::vector<double> expected;
  expected.reserve(order.size());
  for (const int test : order) expected.push_back(past.expectedSeconds[static_cast<Index>(test)]);
  std::vector<char> selected(order.size(), 0);
  if (shards > 1) {
    selected = selectWithinShardBudgets(expected, splitIntoShards(expected, shards), shards,
                                        budgetSeconds);
  } else {
    for (const int position : selectWithinBudget(expected, budgetSeconds).selected) {
      selected[static_cast<Index>(position)] = 1;
    }
  }
  for (Index position = 0; position < order.size(); ++position) {
    const int test = order[position];
    if (!ran[static_cast<Index>(test)]->failed) continue;
    if (selected[position] != 0) {
      score.caughtWithinBudget = true;
    } else {
      score.missedWithinBudget.push_back(test);
    }
  }
}

// The order split over the shards by the tests' expected times: the wall
// time until a shard shows a failure (each shard's run times summed up to
// its first failing test), the longest shard's time and the bound.
void scoreShards(const std::vector<int>& order, const RunPast& past,
                 const std::vector<const TestResult*>& ran, int shards, RunScore& score) {
  std::vector<double> expected;
  std::vector<double> actual;
  for (const int test : order) {
    expected.push_back(past.expectedSeconds[static_cast<Index>(test)]);
    actual.push_back(ran[static_cast<Index>(test)]->seconds);
  }
  const std::vector<int> shardOf = splitIntoShards(expected, shards);
  std::vector<double> elapsed(static_cast<Index>(shards), 0.0);
  bool found = false;
  for (Index position = 0; position < order.size(); ++position) {
    double& clock = elapsed[static_cast<Index>(shardOf[position])];
    clock += actual[position];
    if (ran[static_cast<Index>(order[position])]->failed &&
        (!found || clock < score.firstFailureSeconds)) {
      found = true;
      score.firstFailureSeconds = clock;
    }
  }
  score.longestShardSeconds = *std::max_element(elapsed.begin(), elapsed.end());
  score.shardBoundSeconds = shardLowerBound(actual, shards);
  double total = 0.0;
  for (const double each : actual) total += each;
  score.firstFailureShare = total > 0.0 ? score.firstFailureSeconds / total : 0.0;
}

// Of the order's first `count` tests, those failing for the first time ever.
int firstFailuresAmong(const std::vector<int>& order, std::size_t count, const RunPast& past,
                       const std::vector<const TestResult*>& ran) {
  int found = 0;
  for (Index position = 0; position < count && position < order.size(); ++position) {
    const auto test = static_cast<Index>(order[position]);
    found += ran[test]->failed && past.neverFailed[test] != 0 ? 1 : 0;
  }
  return found;
}

}  // namespace

const char* strategyName(Strategy strategy) {
  switch (strategy) {
    case Strategy::GIVEN:
      return "given";
    case Strategy::SHORTEST_FIRST:
      return "shortest first";
    case Strategy::FAILURE_COUNT:
      return "failure count";
    case Strategy::RECENTLY_FAILED:
      return "recently failed";
    case Strategy::ADDITIONAL_GREEDY:
      return "additional greedy";
    case Strategy::ANT_COLONY:
      return "ant colony";
    case Strategy::BEST_ORDER:
      return "best order";
    case Strategy::FAILURE_MODEL:
      return "failure model";
    case Strategy::HINDSIGHT:
      return "hindsight";
    case Strategy::CHANGED_FIRST:
      return "changed first";
  }
  return "";
}

void orderByPast(const RunPast& past, bool perSecond, StrategyOrders& orders) {
  const std::size_t tests = past.keys.size();
  orders[static_cast<Index>(Strategy::GIVEN)] =
      reportOrderSortedBy(tests, [](int, int) { return false; });
  const std::vector<double>& p = past.failureLikelihood;
  orders[static_cast<Index>(Strategy::RECENTLY_FAILED)] = reportOrderSortedBy(
      tests, [&](int a, int b) { return p[static_cast<Index>(a)] > p[static_cast<Index>(b)]; });
  std::vector<int>& model = orders[static_cast<Index>(Strategy::FAILURE_MODEL)];
  model = orderByFailureChance(perSecond ? past.failureProbability : past.rankingProbability,
                               past.expectedSeconds, perSecond);
  putTouchedAheadOfFixed(model, past.touched, past.fixedUntouched);
  const std::vector<char>& touched = past.touched;
  orders[static_cast<Index>(Strategy::CHANGED_FIRST)] =
      reportOrderSortedBy(tests, [&](int a, int b) {
        const auto first = static_cast<Index>(a);
        const auto second = static_cast<Index>(b);
        if (touched[first] != touched[second]) return touched[first] > touched[second];
        return p[first] > p[second];
      });
}

StrategyOrders orderRun(const History& history, const RunPast& past,
                        const ReplaySettings& settings) {
  const std::size_t tests = past.keys.size();
  const std::vector<const TestResult*> ran = ranIn(history.runs[static_cast<Index>(past.run)]);
  StrategyOrders orders;
  const std::vector<double>& mean = past.meanSeconds;
  orders[static_cast<Index>(Strategy::SHORTEST_FIRST)] =
      reportOrderSortedBy(tests, [&](int a, int b) {
        const double first = mean[static_cast<Index>(a)];
        const double second = mean[static_cast<Index>(b)];
        // Never run before (-1) sorts first.
        return first < second;
      });
  orderByWindowSuite(history, past, settings, orders);
  // Hindsight: failing first, cheapest first by this run's times (all
  // alike where they sum to 0), then the rest.
  double total = 0.0;
  for (const TestResult* result : ran) total += result->seconds;
  orders[static_cast<Index>(Strategy::HINDSIGHT)] = reportOrderSortedBy(tests, [&](int a, int b) {
    const TestResult& first = *ran[static_cast<Index>(a)];
    const TestResult& second = *ran[static_cast<Index>(b)];
    if (first.failed != second.failed) return first.failed;
    return first.failed && total > 0.0 && first.seconds < second.seconds;
  });
  return orders;
}

ReplayedRun scoreRun(const History& history, const RunPast& past, const StrategyOrders& orders,
                     std::optional<double> budgetSeconds, int shards) {
  const std::vector<const TestResult*> ran = ranIn(history.runs[static_cast<Index>(past.run)]);
  ReplayedRun replayed;
  replayed.run = past.run;
  replayed.tests = static_cast<int>(ran.size());
  for (Index at = 0; at < ran.size(); ++at) {
    replayed.seconds += ran[at]->seconds;
    replayed.failing += ran[at]->failed ? 1 : 0;
    replayed.firstFailures += ran[at]->failed && past.neverFailed[at] != 0 ? 1 : 0;
  }
  const Index firstTenth = (ran.size() + 9) / 10;
  const bool unitCosts = !(replayed.seconds > 0.0);
  const auto cost = [&](int test) {
    return unitCosts ? 1.0 : ran[static_cast<Index>(test)]->seconds;
  };
  const double totalCost = unitCosts ? static_cast<double>(ran.size()) : replayed.seconds;
  const auto n = static_cast<double>(replayed.tests);
  const auto m = static_cast<double>(replayed.failing);
  for (Index strategy = 0; strategy < orders.size(); ++strategy) {
    RunScore& score = replayed.scores[strategy];
    double positionSum = 0.0;
    double costAfterSum = 0.0;  // over the failing tests: their cost to the end, less half theirs
    double spent = 0.0;         // of the run's times, up to here
    double spentCost = 0.0;     // of the costs, before here
    bool found = false;
    const std::vector<int>& order = orders[strategy];
    if (order.empty()) continue;  // not asked for
    if (budgetSeconds) scoreSelection(*budgetSeconds, order, past, ran, shards, score);
    for (Index position = 0; position < order.size(); ++position) {
      const int test = order[position];
      spent += ran[static_cast<Index>(test)]->seconds;
      const double testCost = cost(test);
      if (ran[static_cast<Index>(test)]->failed) {
        positionSum += static_cast<double>(position + 1);
        costAfterSum += totalCost - spentCost - testCost / 2.0;
        if (!found) {
          found = true;
          score.firstFailureSeconds = spent;
          score.firstFailureShare = (spentCost + testCost) / totalCost;
        }
      }
      spentCost += testCost;
    }
    score.apfd = 1.0 - positionSum / (n * m) + 1.0 / (2.0 * n);
    score.apfdc = costAfterSum / (totalCost * m);
    score.firstFailuresEarly = firstFailuresAmong(order, firstTenth, past, ran);
    if (shards > 1) scoreShards(order, past, ran, shards, score);
  }
  return replayed;
}

void regroupOrders(const RunPast& past, const std::vector<int>& unitOfKey, StrategyOrders& orders) {
  std::vector<int> unitOf;
  std::vector<int> regrouped;
  for (std::vector<int>& order : orders) {
    unitOf.clear();
    for (const int test : order) {
      unitOf.push_back(
          unitOfKey[static_cast<std::size_t>(past.keys[static_cast<std::size_t>(test)])]);
    }
    regrouped.clear();
    for (const int at : regroupedPositions(unitOf)) {
      regrouped.push_back(order[static_cast<std::size_t>(at)]);
    }
    order.swap(regrouped);
  }
}

std::vector<ReplayedRun> replayHistory(const History& history, const ReplaySettings& settings,
                                       const ReplayCallback& afterRun) {
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history, {settings.changes, nullptr});
  std::vector<ReplayedRun> replayed(pasts.size());
  std::vector<char> done(pasts.size(), 0);
  std::atomic<int> finished{0};
  const bool byUnit = settings.unit != OrderUnit::TEST;
  const std::vector<int> unitOfKey =
      byUnit ? unitNumbers(history.keys, settings.unitOf) : std::vector<int>{};
  const bool complete =
      forEachIndex(pasts.size(), settings.jobs, [&](std::size_t at, bool calling) {
        StrategyOrders orders = orderRun(history, pasts[at], settings);
        if (byUnit) {
          // Test by test first, then as the runner runs them.
          const ReplayedRun perTest = scoreRun(history, pasts[at], orders);
          regroupOrders(pasts[at], unitOfKey, orders);
          replayed[at] =
              scoreRun(history, pasts[at], orders, settings.budgetSeconds, settings.shards);
          for (std::size_t strategy = 0; strategy < perTest.scores.size(); ++strategy) {
            replayed[at].perTestApfd[strategy] = perTest.scores[strategy].apfd;
            replayed[at].perTestApfdc[strategy] = perTest.scores[strategy].apfdc;
          }
        } else {
          replayed[at] =
              scoreRun(history, pasts[at], orders, settings.budgetSeconds, settings.shards);
        }
        done[at] = 1;
        const int count = finished.fetch_add(1) + 1;
        return !calling || afterRun(count, static_cast<int>(pasts.size()));
      });
  if (complete) return replayed;
  std::vector<ReplayedRun> finishedRuns;
  for (std::size_t at = 0; at < pasts.size(); ++at) {
    if (done[at] != 0) finishedRuns.push_back(replayed[at]);
  }
  return finishedRuns;
}

}  // namespace antorder
