#include "ordering/budget.h"

#include <cstddef>

namespace antorder {

BudgetSelection selectWithinBudget(const std::vector<double>& seconds, double budgetSeconds) {
  BudgetSelection selection;
  for (std::size_t position = 0; position < seconds.size(); ++position) {
    selection.totalSeconds += seconds[position];
    if (selection.selectedSeconds + seconds[position] <= budgetSeconds) {
      selection.selectedSeconds += seconds[position];
      selection.selected.push_back(static_cast<int>(position));
    } else {
      selection.rest.push_back(static_cast<int>(position));
    }
  }
  return selection;
}

}  // namespace antorder
