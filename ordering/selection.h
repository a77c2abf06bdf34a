#pragma once

// The tests of an order that fit a time budget.

#include <vector>

#include "ordering/sparse_suite.h"

struct BudgetSelection {
  std::vector<int> selected;  // in the order's order
  std::vector<int> rest;      // likewise
  double selectedSeconds = 0.0;
  double totalSeconds = 0.0;
};

// First fit: walking the order, each test whose cost (its expected time)
// still fits in what the budget has left is taken; the others are the rest.
BudgetSelection selectWithinBudget(const SparseSuite& suite, const std::vector<int>& order,
                                   double budgetSeconds);
