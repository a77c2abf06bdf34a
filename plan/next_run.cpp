#include "plan/next_run.h"

#include "ordering/shards.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace antorder {

namespace {

using Index = std::size_t;

// Of the tests listed for the next run where the order is not the model's:
// those the suite knows in the order found, after the new ones.
void nameListedOrder(const SparseSuite& suite, const std::vector<int>& found,
                     const std::vector<std::string>& listed, NextRunPlan& plan) {
  std::unordered_map<std::string, int> place;
  for (Index at = 0; at < found.size(); ++at) {
    place.emplace(suite.testNames[static_cast<Index>(found[at])], static_cast<int>(at));
  }
  std::vector<std::string> known(found.size());
  for (const std::string& name : listed) {
    const auto seen = place.find(name);
    if (seen == place.end()) {
      plan.names.push_back(name);
      plan.seconds.push_back(1.0);
    } else {
      known[static_cast<Index>(seen->second)] = name;
    }
  }
  for (Index at = 0; at < known.size(); ++at) {
    if (known[at].empty()) continue;
    plan.names.push_back(known[at]);
    plan.seconds.push_back(static_cast<double>(suite.testCost[static_cast<Index>(found[at])]));
  }
}

// How many of the listed tests are new, and how many of the suite's gone.
void countListed(const SparseSuite& suite, const std::vector<std::string>& listed,
                 NextRunPlan& plan) {
  plan.listed = true;
  const std::unordered_set<std::string> inSuite(suite.testNames.begin(), suite.testNames.end());
  const std::unordered_set<std::string> inList(listed.begin(), listed.end());
  for (const std::string& name : listed) plan.newTests += inSuite.count(name) == 0 ? 1 : 0;
  for (const std::string& name : suite.testNames) {
    plan.goneTests += inList.count(name) == 0 ? 1 : 0;
  }
}

// The order written, by name and expected time: the order found, or where
// the next run's tests are listed, of those. Of a history the failure model
// places a new test; otherwise new tests, the likeliest to fail, go first.
void nameTheOrder(const SparseSuite& suite, const std::vector<int>& found,
                  const std::vector<std::string>* listed, NextRunPlan& plan) {
  if (listed != nullptr && !plan.predicted) {
    nameListedOrder(suite, found, *listed, plan);
  } else {
    const std::vector<std::string>& names = listed != nullptr ? *listed : suite.testNames;
    for (const int test : found) {
      const auto at = static_cast<Index>(test);
      plan.names.push_back(names[at]);
      plan.seconds.push_back(plan.predicted ? plan.prediction.expectedSeconds[at]
                                            : static_cast<double>(suite.testCost[at]));
    }
  }
  if (listed != nullptr) countListed(suite, *listed, plan);
}

// Splits the order over the shards, each selecting within the budget from
// its own share; the selection is the shard's, the rest every other test.
void splitTheOrder(const PlanInputs& inputs, NextRunPlan& plan) {
  plan.shard = inputs.shard;
  plan.shardCount = inputs.shardCount;
  const bool byUnit = plan.unit != OrderUnit::TEST;
  plan.shardOf = byUnit ? splitUnitsIntoShards(plan.seconds, plan.unitOf, inputs.shardCount)
                        : splitIntoShards(plan.seconds, inputs.shardCount);
  plan.shardSeconds = shardSeconds(plan.seconds, plan.shardOf, inputs.shardCount);
  plan.shardBound = byUnit ? unitShardLowerBound(plan.seconds, plan.unitOf, inputs.shardCount)
                           : shardLowerBound(plan.seconds, inputs.shardCount);
  if (!inputs.budgetSeconds || plan.failedClosed) {
    plan.selectedInShard.assign(plan.seconds.size(), 1);
  } else if (byUnit) {
    plan.selectedInShard = selectUnitsWithinShardBudgets(plan.seconds, plan.unitOf, plan.shardOf,
                                                         inputs.shardCount, *inputs.budgetSeconds);
  } else {
    plan.selectedInShard = selectWithinShardBudgets(plan.seconds, plan.shardOf, inputs.shardCount,
                                                    *inputs.budgetSeconds);
  }
  BudgetSelection& selection = plan.selection;
  selection = BudgetSelection{};
  for (Index at = 0; at < plan.shardOf.size(); ++at) {
    const bool ours = plan.shardOf[at] == inputs.shard - 1;
    if (ours) selection.totalSeconds += plan.seconds[at];
    if (ours && plan.selectedInShard[at] != 0) {
      selection.selected.push_back(static_cast<int>(at));
      selection.selectedSeconds += plan.seconds[at];
    } else {
      selection.rest.push_back(static_cast<int>(at));
    }
  }
}

// With a budget, the part of the order written that fits it; of a history,
// how many of the window's failing runs that part would have caught (split
// over shards, the parts of every shard).
void selectFromTheOrder(const PlanInputs& inputs, NextRunPlan& plan) {
  plan.budgetSeconds = inputs.budgetSeconds;
  // Nothing is known of what a change no test depends on breaks: failing
  // closed, every test fits.
  plan.failedClosed = inputs.budgetSeconds && inputs.failClosed && !plan.unplacedChanges.empty();
  if (inputs.shard > 0) {
    splitTheOrder(inputs, plan);
  } else if (inputs.budgetSeconds) {
    const double budget =
        plan.failedClosed ? std::numeric_limits<double>::infinity() : *inputs.budgetSeconds;
    plan.selection = plan.unit == OrderUnit::TEST
                         ? selectWithinBudget(plan.seconds, budget)
                         : selectUnitsWithinBudget(plan.seconds, plan.unitOf, budget);
  }
  if (!inputs.budgetSeconds) return;
  if (inputs.history == nullptr) return;
  const History& history = *inputs.history;
  std::vector<int> keys;
  for (Index at = 0; at < plan.names.size(); ++at) {
    const bool selected =
        inputs.shard > 0 ? plan.selectedInShard[at] != 0
                         : std::binary_search(plan.selection.selected.begin(),
                                              plan.selection.selected.end(), static_cast<int>(at));
    const auto known = history.keyIndex.find(plan.names[at]);
    if (selected && known != history.keyIndex.end()) keys.push_back(known->second);
  }
  const auto runs = static_cast<int>(history.runs.size());
  plan.windowRunsCaught = failingRunsCaught(history, std::max(0, runs - inputs.window), runs, keys,
                                            plan.windowFailingRuns);
}

// The next run's expected time of each test the prediction orders (the
// listed ones, else the window's): its cost in the suite, the one the
// summary scores by, which --window and --costs decide; a test the suite
// lacks but the history ran keeps the history's (-1), and a test never run
// takes the median of the next run's known ones, 1 when none.
std::vector<double> expectedSecondsOf(const SparseSuite& suite, const History& history,
                                      const std::vector<std::string>* listed, int window) {
  std::unordered_map<std::string, Index> inSuite;
  for (Index test = 0; test < suite.testNames.size(); ++test) {
    inSuite.emplace(suite.testNames[test], test);
  }
  // The listed tests, then the window's not listed, as the prediction
  // takes them.
  std::vector<std::string> names;
  if (listed != nullptr) names = *listed;
  const std::unordered_set<std::string> named(names.begin(), names.end());
  for (const int key : windowKeys(history, window)) {
    const std::string& name = history.keys[static_cast<Index>(key)];
    if (named.count(name) == 0) names.push_back(name);
  }
  std::vector<double> seconds(names.size(), -1.0);
  std::vector<double> known;
  std::vector<Index> neverRun;
  for (Index at = 0; at < names.size(); ++at) {
    const auto found = inSuite.find(names[at]);
    if (found != inSuite.end()) {
      seconds[at] = static_cast<double>(suite.testCost[found->second]);
      if (listed == nullptr || at < listed->size()) known.push_back(seconds[at]);
    } else if (history.keyIndex.count(names[at]) == 0) {
      neverRun.push_back(at);
    }
  }
  const double unknown = known.empty() ? 1.0 : medianOf(known);
  for (const Index at : neverRun) seconds[at] = unknown;
  return seconds;
}

// Of a runner that orders by a coarser unit than the test: the order
// written regrouped as the runner will run it, and the order scored (the
// model's, else the best) scored both test by test and so regrouped.
void groupByUnit(const SparseSuite& suite, const std::vector<int>& scored, const UnitOfName& unitOf,
                 NextRunPlan& plan) {
  if (plan.unit == OrderUnit::TEST) return;
  const std::vector<int> regrouped = regroupedPositions(unitNumbers(plan.names, unitOf));
  std::vector<std::string> names;
  std::vector<double> seconds;
  names.reserve(regrouped.size());
  seconds.reserve(regrouped.size());
  for (const int at : regrouped) {
    names.push_back(plan.names[static_cast<Index>(at)]);
    seconds.push_back(plan.seconds[static_cast<Index>(at)]);
  }
  plan.names = std::move(names);
  plan.seconds = std::move(seconds);
  plan.unitOf = unitNumbers(plan.names, unitOf);
  plan.unitCount =
      plan.unitOf.empty() ? 0 : *std::max_element(plan.unitOf.begin(), plan.unitOf.end()) + 1;
  if (faultCount(suite) == 0 || scored.empty()) return;
  const std::vector<int> unitOfTest = unitNumbers(suite.testNames, unitOf);
  std::vector<int> unitOfPosition;
  unitOfPosition.reserve(scored.size());
  for (const int test : scored) unitOfPosition.push_back(unitOfTest[static_cast<Index>(test)]);
  std::vector<int> grouped;
  grouped.reserve(scored.size());
  for (const int at : regroupedPositions(unitOfPosition)) {
    grouped.push_back(scored[static_cast<Index>(at)]);
  }
  plan.perTest = scoreOrder(suite, scored);
  plan.byUnit = scoreOrder(suite, grouped);
}

}  // namespace

NextRunPlan planNextRun(const SparseSuite& suite, const SuiteOrders& orders, Objective objective,
                        const PlanInputs& inputs) {
  NextRunPlan plan;
  if (inputs.history != nullptr) {
    plan.predicted = true;
    const std::vector<double> seconds =
        expectedSecondsOf(suite, *inputs.history, inputs.listed, inputs.window);
    plan.prediction = predictNextRun(*inputs.history, objective == Objective::APFDC, inputs.listed,
                                     inputs.window, inputs.changes, &seconds);
    if (inputs.changes.next != nullptr) {
      plan.changeGiven = true;
      plan.unplacedChanges = inputs.changes.next->unplacedFiles;
      plan.ignoredChanges = inputs.changes.next->ignoredFiles;
    }
    // Of listed tests, the model's order of the window's tests is scored.
    const std::vector<int>& scored =
        inputs.listed == nullptr ? plan.prediction.order : plan.prediction.windowOrder;
    if (faultCount(suite) > 0 && !scored.empty()) plan.model = scoreOrder(suite, scored);
  }
  nameTheOrder(suite, foundOrder(plan, orders), inputs.listed, plan);
  plan.unit = inputs.unit;
  groupByUnit(suite, plan.predicted ? plan.model.order : orders.best.order, inputs.unitOf, plan);
  selectFromTheOrder(inputs, plan);
  return plan;
}

bool selectionUnsafe(const NextRunPlan& plan) {
  return plan.budgetSeconds && !plan.unplacedChanges.empty() && !plan.failedClosed;
}

const std::vector<int>& foundOrder(const NextRunPlan& plan, const SuiteOrders& orders) {
  return plan.predicted ? plan.prediction.order : orders.best.order;
}

namespace {

std::vector<std::string> namesAt(const NextRunPlan& plan, const std::vector<int>& positions) {
  std::vector<std::string> names;
  names.reserve(positions.size());
  for (const int at : positions) names.push_back(plan.names[static_cast<Index>(at)]);
  return names;
}

}  // namespace

std::vector<std::string> writtenNames(const NextRunPlan& plan) {
  if (!plan.budgetSeconds && plan.shard == 0) return plan.names;
  return namesAt(plan, plan.selection.selected);
}

std::vector<std::string> restNames(const NextRunPlan& plan) {
  return namesAt(plan, plan.selection.rest);
}

std::vector<int> selectablePositions(const NextRunPlan& plan) {
  std::vector<int> positions;
  for (Index at = 0; at < plan.names.size(); ++at) {
    if (plan.shard == 0 || plan.shardOf[at] == plan.shard - 1) {
      positions.push_back(static_cast<int>(at));
    }
  }
  return positions;
}

}  // namespace antorder
