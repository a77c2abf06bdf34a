#pragma once

// The orders the colony's result is read against.

#include <vector>

#include "ordering/sparse_suite.h"

// The tests as the file lists them.
std::vector<int> givenOrder(const SparseSuite& suite);

// The cheapest tests first, ties in file order: the order when no test reveals anything.
std::vector<int> cheapestFirstOrder(const SparseSuite& suite);

// Additional greedy: again and again the test that reveals the most faults not
// yet revealed, the lowest index on ties. When no test left adds anything new,
// the revealed set is emptied and the rule starts afresh over the tests left;
// tests that reveal nothing at all come last, in file order. Keys are computed
// lazily and a restart costs nothing: O(n log n) plus the faults of each test
// each time its key is computed afresh.
std::vector<int> additionalGreedyOrder(const SparseSuite& suite);

// The same rule over the tests not yet placed, from an empty revealed set,
// ties going to the test that comes first in tieOrder (every test of the
// suite, once): the order of the tests left.
std::vector<int> restartingGreedyOrder(const SparseSuite& suite, const std::vector<int>& tieOrder,
                                       const std::vector<char>& placed);

// The order sorted by how many faults each test reveals, most first, keeping
// the order's own on ties.
std::vector<int> mostRevealingFirst(const SparseSuite& suite, std::vector<int> order);
