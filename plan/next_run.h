#pragma once

// The next run's plan: the order written and each test's expected time, of
// the tests the runner lists where it lists them, and what a time budget
// selects of it.

#include <optional>
#include <string>
#include <vector>

#include "history/history.h"
#include "ordering/budget.h"
#include "ordering/order_units.h"
#include "ordering/suite_orders.h"
#include "plan/prediction.h"
#include "suite/sparse_suite.h"

namespace antorder {

struct NextRunPlan {
  // Of a history: the failure model's order for the next run, which is the
  // order written, scored also on the window's suite.
  bool predicted = false;
  NextRunPrediction prediction;
  ScoredOrder model;
  // The order written, by name, with each test's expected time: the failure
  // model's of a history, else the best; of the tests the runner lists where
  // they are given, then counting those new and those gone since.
  std::vector<std::string> names;
  std::vector<double> seconds;
  bool listed = false;
  int newTests = 0;
  int goneTests = 0;
  // With a budget: the positions in that order that fit it, and the rest.
  std::optional<double> budgetSeconds;
  BudgetSelection selection;
  // Of a history, the window's failing runs, and those in which the
  // selection would have held a failing test.
  int windowFailingRuns = -1;  // -1: not a history
  int windowRunsCaught = 0;
  // With the next run's change: the changed files no test is known to
  // depend on; with a budget, the selection is then unsafe, and failing
  // closed it is every test.
  bool changeGiven = false;
  std::vector<std::string> unplacedChanges;
  std::vector<std::string> ignoredChanges;  // those --changes-ignore names
  bool failedClosed = false;
  // Split over shards: by position in the order, each test's shard (from 0)
  // and whether its shard's budget selects it; each shard's expected time,
  // and the bound no split can beat. `selection` is then the shard's.
  int shard = 0;  // counted from 1; 0: not split
  int shardCount = 1;
  std::vector<int> shardOf;
  std::vector<char> selectedInShard;
  std::vector<double> shardSeconds;
  double shardBound = 0.0;
  // The runner's unit of order: of a coarser one than the test, the order
  // written is regrouped by it, the budget and the shards take whole units,
  // and the order scored (the model's, else the best) is scored also as the
  // runner runs it.
  std::vector<int> unitOf;  // by position in the order written
  ScoredOrder perTest;      // the order scored, test by test; empty where nothing is scored
  ScoredOrder byUnit;       // the same regrouped by unit
  OrderUnit unit = OrderUnit::TEST;
  int unitCount = 0;
};

struct PlanInputs {
  const History* history = nullptr;                  // of a history, its runs
  int window = 0;                                    // of them, the runs the suite was made from
  const std::vector<std::string>* listed = nullptr;  // the next run's tests, where listed
  std::optional<double> budgetSeconds;
  HistoryChanges changes;   // the runs' and the next run's, where given
  bool failClosed = false;  // a change nothing places selects every test
  int shard = 0;            // of --shard I/N, I from 1; 0: the whole order
  int shardCount = 1;
  OrderUnit unit = OrderUnit::TEST;  // the runner's unit of order
  UnitOfName unitOf;                 // of a coarser unit, each test's
};

// Whether the budget's selection may leave out a test the change breaks.
bool selectionUnsafe(const NextRunPlan& plan);

// The plan for the suite's orders under the objective.
NextRunPlan planNextRun(const SparseSuite& suite, const SuiteOrders& orders, Objective objective,
                        const PlanInputs& inputs);

// The order the plan names: the failure model's for a history, else the best.
const std::vector<int>& foundOrder(const NextRunPlan& plan, const SuiteOrders& orders);

// The names the order files hold: with a budget, the selection's.
std::vector<std::string> writtenNames(const NextRunPlan& plan);

// The names a budget leaves out, in order.
std::vector<std::string> restNames(const NextRunPlan& plan);

// The positions in the order the budget selects from: split over shards,
// the shard's own; else every one.
std::vector<int> selectablePositions(const NextRunPlan& plan);

}  // namespace antorder
