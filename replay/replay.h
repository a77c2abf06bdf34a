#pragma once

// Replaying a history of CI runs: for each run that failed, its tests are
// ordered from the runs before it alone, by each strategy, and every order is
// scored against the failures that actually happened in that run.
//
// The strategies, every tie going to the order of the run's results: its
// report order, or its collection order where the caller has put the run in
// that order (see putRunsInCollectionOrder):
// - given: that order;
// - shortest first: tests never run before first, then by their mean time
//   over every earlier run in which they ran, ascending;
// - failure count: most failures in the window (the last runs before) first;
// - recently failed: p = 0.8 x failed + 0.2 x p, once for each earlier run in
//   which the test ran (p starts at 0), highest first;
// - additional greedy, ant colony and best order on the window's suite: its
//   tests those of the run, each failure in the window a fault, each cost the
//   test's median time there; with nothing failed in the window, additional
//   greedy keeps the report order and the other two take the cheapest first;
// - failure model: by the model's probability that the test fails (see
//   history/failure_model.h); under APFDc by that probability over the
//   expected time raised to TIME_POWER;
// - changed first, where the runs carry changes: the tests the run's change
//   touches first, then the others, each group by recently failed;
// - hindsight: the run's failing tests first, cheapest first by the run's own
//   times, then the rest: the bound no strategy can pass.
//
// Scores, each failing test one fault, in double: APFD = 1 - sum(TF)/(n m) +
// 1/(2n); APFDc with the run's times as costs (unit costs where they sum to
// 0); and the time to the first failure, the run's times summed up to and
// including the first failing test.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formulas/formulas.h"
#include "history/run_pasts.h"
#include "ordering/best_order/best_order.h"
#include "ordering/order_units.h"
#include "ordering/suite_colony.h"

namespace antorder {

enum class Strategy {
  GIVEN,
  SHORTEST_FIRST,
  FAILURE_COUNT,
  RECENTLY_FAILED,
  ADDITIONAL_GREEDY,
  ANT_COLONY,
  BEST_ORDER,
  FAILURE_MODEL,
  HINDSIGHT,
  CHANGED_FIRST
};
constexpr int STRATEGY_COUNT = 10;

// "given", "shortest first", ... as the table names them.
const char* strategyName(Strategy strategy);

// The best order's effort per run when replaying, in million steps: a few
// thousandths of a second, as the runs are many.
constexpr std::int64_t REPLAY_EFFORT_MILLIONS = 1;

struct ReplaySettings {
  int window = DEFAULT_WINDOW;  // of earlier runs, at least 1
  SearchSettings search;
  std::uint32_t seed = RANDOM_SEED;  // the colony's, the same for every run
  std::int64_t effort = REPLAY_EFFORT_MILLIONS * 1000000;
  bool objectiveGiven = false;  // else the best order and the model take APFDc where costs differ
  Objective objective = Objective::APFD;
  int jobs = 1;                         // runs replayed at once
  std::optional<double> budgetSeconds;  // where given, each order's selection within it is scored
  // The changes the runs carry, by run (see change/placement.h); null where
  // none do, and the model learns without them.
  const std::vector<RunChange>* changes = nullptr;
  // Machines each run's order is split over (see ordering/shards.h): the
  // first failure is the first on any of them.
  int shards = 1;
  // The runner's unit of order: of a coarser one than the test, each order
  // is scored as the runner runs it, regrouped by unit (see
  // ordering/order_units.h), and also test by test.
  std::string runner;  // as --runner names it; empty without it
  OrderUnit unit = OrderUnit::TEST;
  UnitOfName unitOf;  // of a coarser unit, each test's
};

// Every strategy's order of the run's tests, as indices into past.keys.
using StrategyOrders = std::array<std::vector<int>, STRATEGY_COUNT>;
StrategyOrders orderRun(const History& history, const RunPast& past,
                        const ReplaySettings& settings);

struct RunScore {
  double apfd = 0.0;
  double apfdc = 0.0;
  double firstFailureSeconds = 0.0;
  double firstFailureShare = 0.0;  // of the run's time (of its tests, at unit costs)
  // Whether the tests of the order whose expected times fit the budget, first
  // fit, held a failing test, and the failing tests they left out (indices
  // into the run's tests that ran).
  bool caughtWithinBudget = false;
  std::vector<int> missedWithinBudget;
  // Of the run's tests failing for the first time ever, how many the order
  // places in its first tenth (rounded up).
  int firstFailuresEarly = 0;
  // Split over shards: the longest shard's time, by the run's own times, and
  // the bound no split can beat; 0 on one machine.
  double longestShardSeconds = 0.0;
  double shardBoundSeconds = 0.0;
};

struct ReplayedRun {
  int run = 0;  // index into history.runs
  int tests = 0;
  int failing = 0;
  int firstFailures = 0;  // failing tests that never failed before
  double seconds = 0.0;   // the run's time, its tests' times summed
  std::array<RunScore, STRATEGY_COUNT> scores;
  // Of a coarser unit, where `scores` are of the orders regrouped by it: the
  // same orders' APFD and APFDc test by test.
  std::array<double, STRATEGY_COUNT> perTestApfd{};
  std::array<double, STRATEGY_COUNT> perTestApfdc{};
};

// Each order regrouped by the unit of its tests (unitOfKey by history key),
// each unit at its first test's position.
void regroupOrders(const RunPast& past, const std::vector<int>& unitOfKey, StrategyOrders& orders);

// Scores each order against the run's failing tests; with a budget, also
// whether its selection within the budget caught one. Over more than one
// shard, the first failure is the wall time until any shard shows one, each
// shard's tests split by their expected times and run in the order's order,
// and each shard selects within the whole budget from its own share.
ReplayedRun scoreRun(const History& history, const RunPast& past, const StrategyOrders& orders,
                     std::optional<double> budgetSeconds = std::nullopt, int shards = 1);

// The orders that need no search: the given order, recently failed, the
// failure model's (with perSecond by the chance of failing per second) and
// changed first.
void orderByPast(const RunPast& past, bool perSecond, StrategyOrders& orders);

// Replays every failing run, settings.jobs at a time; the same results for
// any number of jobs. `afterRun` is called on the calling thread after each
// run it replays itself, with the runs done so far (by every thread) and
// their number in all; once it says no, the runs not yet begun are left out
// and the result is incomplete.
using ReplayCallback = std::function<bool(int done, int total)>;
std::vector<ReplayedRun> replayHistory(const History& history, const ReplaySettings& settings,
                                       const ReplayCallback& afterRun);

}  // namespace antorder
