#pragma once

// The tests of an order that fit a time budget.

#include <vector>

namespace antorder {

struct BudgetSelection {
  std::vector<int> selected;  // positions in the order
  std::vector<int> rest;      // likewise
  double selectedSeconds = 0.0;
  double totalSeconds = 0.0;
};

// First fit: walking the order, given by its tests' expected times, each
// test that still fits in what the budget has left is taken; the others are
// the rest.
BudgetSelection selectWithinBudget(const std::vector<double>& seconds, double budgetSeconds);

}  // namespace antorder
