#pragma once

// Additional greedy: again and again the test that reveals the most faults not
// yet revealed, the lowest index on ties. When no test left adds anything new,
// the revealed set is emptied and the rule starts afresh over the tests left;
// tests that reveal nothing at all come last, in file order.

#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

// The rule over every test, ties to file order. A round (from one restart to
// the next) costs about the faults of the tests left, each looked at once or
// twice, and a restart costs the faults some test left reveals.
std::vector<int> additionalGreedyOrder(const SparseSuite& suite);

// The same rule over the tests not yet placed, from an empty revealed set,
// ties going to the test that comes first in tieOrder (every test of the
// suite, once): the order of the tests left.
std::vector<int> restartingGreedyOrder(const SparseSuite& suite, const std::vector<int>& tieOrder,
                                       const std::vector<char>& placed);

}  // namespace antorder
