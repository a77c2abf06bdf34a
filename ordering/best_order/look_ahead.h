#pragma once

// The look-ahead construction of a prefix for the best order.

#include <vector>

#include "ordering/best_order/prefix_model.h"

namespace antorder {

// The look-ahead: at each position the most promising tests by the greedy
// key, each completed greedily; the one whose completion scores best is kept
// (the more promising on ties). Empty when the effort runs out first.
std::vector<int> lookAhead(Scorer& scorer);

}  // namespace antorder
