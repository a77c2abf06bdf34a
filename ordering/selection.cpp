#include "ordering/selection.h"

#include <cstddef>

BudgetSelection selectWithinBudget(const SparseSuite& suite, const std::vector<int>& order,
                                   double budgetSeconds) {
  BudgetSelection selection;
  for (const int test : order) {
    const auto cost = static_cast<double>(suite.testCost[static_cast<std::size_t>(test)]);
    selection.totalSeconds += cost;
    if (selection.selectedSeconds + cost <= budgetSeconds) {
      selection.selectedSeconds += cost;
      selection.selected.push_back(test);
    } else {
      selection.rest.push_back(test);
    }
  }
  return selection;
}
