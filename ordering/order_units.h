#pragma once

// The unit a runner orders by. JUnit 5 runs a class's methods together and
// Jest a file's tests together, so an order reaches them class by class (file
// by file): each unit at the position of its first test in the order, its
// tests following in the order's sequence. The budget and the shards then
// take whole units, as the runner cannot run part of one apart.

#include <functional>
#include <string>
#include <vector>

#include "ordering/budget.h"

namespace antorder {

enum class OrderUnit { TEST, CLASS, FILE };

// "test", "class" or "file", as the summary and the JSON name the unit.
const char* orderUnitName(OrderUnit unit);

// The unit orderUnitName names so; false, the unit left as it was, for
// another name.
bool orderUnitNamed(const std::string& name, OrderUnit& unit);

// The unit a test belongs to by its name: a JUnit 5 test's class, a Jest
// test's file, as each runner maps them.
using UnitOfName = std::function<std::string(const std::string&)>;

// By position, a number for each name's unit, the units numbered from 0 as
// they first appear.
std::vector<int> unitNumbers(const std::vector<std::string>& names, const UnitOfName& unitOf);

// The positions of an order regrouped by unit (unitOf by position): each
// unit at its first test's position, its tests following in the order's
// sequence. An order whose units already run together is its own.
std::vector<int> regroupedPositions(const std::vector<int>& unitOf);

// First fit of whole units (see selectWithinBudget): a unit's time is the
// sum of its tests', and a unit is selected whole or not at all. Positions
// ascending.
BudgetSelection selectUnitsWithinBudget(const std::vector<double>& seconds,
                                        const std::vector<int>& unitOf, double budgetSeconds);

// The split of splitIntoShards over whole units, by position: a unit's tests
// are all on one shard.
std::vector<int> splitUnitsIntoShards(const std::vector<double>& seconds,
                                      const std::vector<int>& unitOf, int count);

// The selection of selectWithinShardBudgets over whole units.
std::vector<char> selectUnitsWithinShardBudgets(const std::vector<double>& seconds,
                                                const std::vector<int>& unitOf,
                                                const std::vector<int>& shardOf, int count,
                                                double budgetSeconds);

// What no split of whole units can beat (see shardLowerBound).
double unitShardLowerBound(const std::vector<double>& seconds, const std::vector<int>& unitOf,
                           int count);

}  // namespace antorder
