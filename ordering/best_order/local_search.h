#pragma once

// The local search of the best order: moving a test, exchanging two,
// replacing one by an outside test or inserting one, each accepted only when
// it lowers the prefix's cost.

#include "ordering/best_order/prefix_model.h"

namespace antorder {

// Improves the prefix until no move does or the effort is spent.
void improve(Scorer& scorer, Prefix& prefix);

}  // namespace antorder
