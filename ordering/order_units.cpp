#include "ordering/order_units.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

#include "ordering/shards.h"

namespace antorder {

namespace {

using Index = std::size_t;

// Each unit's time, the sum of its tests' in the order's sequence, by unit
// number.
std::vector<double> unitSeconds(const std::vector<double>& seconds,
                                const std::vector<int>& unitOf) {
  std::vector<double> sums;
  for (Index at = 0; at < unitOf.size(); ++at) {
    const auto unit = static_cast<Index>(unitOf[at]);
    if (unit >= sums.size()) sums.resize(unit + 1, 0.0);
    sums[unit] += seconds[at];
  }
  return sums;
}

// The units in the order of their first test. Unit numbers from unitNumbers
// already are; others are renumbered so.
std::vector<int> unitsInOrder(const std::vector<int>& unitOf, std::vector<int>& rank) {
  std::vector<int> order;
  for (const int unit : unitOf) {
    const auto at = static_cast<Index>(unit);
    if (at >= rank.size()) rank.resize(at + 1, -1);
    if (rank[at] >= 0) continue;
    rank[at] = static_cast<int>(order.size());
    order.push_back(unit);
  }
  return order;
}

// Each unit's time, the sum of its tests', the units in the order of their
// first test; rank numbers them so.
std::vector<double> unitSecondsInOrder(const std::vector<double>& seconds,
                                       const std::vector<int>& unitOf, std::vector<int>& rank) {
  const std::vector<double> sums = unitSeconds(seconds, unitOf);
  const std::vector<int> units = unitsInOrder(unitOf, rank);
  std::vector<double> inOrder;
  inOrder.reserve(units.size());
  for (const int unit : units) inOrder.push_back(sums[static_cast<Index>(unit)]);
  return inOrder;
}

}  // namespace

const char* orderUnitName(OrderUnit unit) {
  switch (unit) {
    case OrderUnit::CLASS:
      return "class";
    case OrderUnit::FILE:
      return "file";
    case OrderUnit::TEST:
      break;
  }
  return "test";
}

bool orderUnitNamed(const std::string& name, OrderUnit& unit) {
  for (const OrderUnit each : {OrderUnit::TEST, OrderUnit::CLASS, OrderUnit::FILE}) {
    if (name == orderUnitName(each)) {
      unit = each;
      return true;
    }
  }
  return false;
}

std::vector<int> unitNumbers(const std::vector<std::string>& names, const UnitOfName& unitOf) {
  std::unordered_map<std::string, int> number;
  std::vector<int> numbers;
  numbers.reserve(names.size());
  for (const std::string& name : names) {
    const auto found = number.emplace(unitOf(name), static_cast<int>(number.size()));
    numbers.push_back(found.first->second);
  }
  return numbers;
}

std::vector<int> regroupedPositions(const std::vector<int>& unitOf) {
  std::vector<int> rank;
  const std::vector<int> units = unitsInOrder(unitOf, rank);
  std::vector<std::vector<int>> members(units.size());
  for (Index at = 0; at < unitOf.size(); ++at) {
    members[static_cast<Index>(rank[static_cast<Index>(unitOf[at])])].push_back(
        static_cast<int>(at));
  }
  std::vector<int> positions;
  positions.reserve(unitOf.size());
  for (const std::vector<int>& ours : members) {
    positions.insert(positions.end(), ours.begin(), ours.end());
  }
  return positions;
}

BudgetSelection selectUnitsWithinBudget(const std::vector<double>& seconds,
                                        const std::vector<int>& unitOf, double budgetSeconds) {
  std::vector<int> rank;
  const std::vector<double> inOrder = unitSecondsInOrder(seconds, unitOf, rank);
  const BudgetSelection ofUnits = selectWithinBudget(inOrder, budgetSeconds);
  std::vector<char> taken(inOrder.size(), 0);
  for (const int at : ofUnits.selected) taken[static_cast<Index>(at)] = 1;
  BudgetSelection selection;
  selection.selectedSeconds = ofUnits.selectedSeconds;
  selection.totalSeconds = ofUnits.totalSeconds;
  for (Index at = 0; at < unitOf.size(); ++at) {
    const bool selected = taken[static_cast<Index>(rank[static_cast<Index>(unitOf[at])])] != 0;
    (selected ? selection.selected : selection.rest).push_back(static_cast<int>(at));
  }
  return selection;
}

std::vector<int> splitUnitsIntoShards(const std::vector<double>& seconds,
                                      const std::vector<int>& unitOf, int count) {
  std::vector<int> rank;
  const std::vector<double> inOrder = unitSecondsInOrder(seconds, unitOf, rank);
  const std::vector<int> unitShard = splitIntoShards(inOrder, count);
  std::vector<int> shardOf;
  shardOf.reserve(unitOf.size());
  for (const int unit : unitOf) {
    shardOf.push_back(unitShard[static_cast<Index>(rank[static_cast<Index>(unit)])]);
  }
  return shardOf;
}

std::vector<char> selectUnitsWithinShardBudgets(const std::vector<double>& seconds,
                                                const std::vector<int>& unitOf,
                                                const std::vector<int>& shardOf, int count,
                                                double budgetSeconds) {
  std::vector<int> rank;
  const std::vector<double> inOrder = unitSecondsInOrder(seconds, unitOf, rank);
  std::vector<int> unitShard(inOrder.size(), 0);
  for (Index at = 0; at < unitOf.size(); ++at) {
    unitShard[static_cast<Index>(rank[static_cast<Index>(unitOf[at])])] = shardOf[at];
  }
  const std::vector<char> unitSelected =
      selectWithinShardBudgets(inOrder, unitShard, count, budgetSeconds);
  std::vector<char> selected;
  selected.reserve(unitOf.size());
  for (const int unit : unitOf) {
    selected.push_back(unitSelected[static_cast<Index>(rank[static_cast<Index>(unit)])]);
  }
  return selected;
}

double unitShardLowerBound(const std::vector<double>& seconds, const std::vector<int>& unitOf,
                           int count) {
  return shardLowerBound(unitSeconds(seconds, unitOf), count);
}

}  // namespace antorder
