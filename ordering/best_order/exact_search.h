#pragma once

// The exact search for the best order: a dynamic program over the sets of
// revealed items, where they are few enough.

#include <vector>

#include "ordering/best_order/prefix_model.h"

namespace antorder {

// The exact search, where the sets of revealed items are few: from the least
// costs to the end, position by position the lowest-numbered candidate that
// keeps the least cost. Empty when there are too many items or sets, or the
// effort runs out.
std::vector<int> exactPrefix(const Candidates& c, Effort& effort);

}  // namespace antorder
