#pragma once

// The orders the colony's result is read against.

#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

// The tests as the file lists them.
std::vector<int> givenOrder(const SparseSuite& suite);

// The cheapest tests first, ties in file order: the order when no test reveals anything.
std::vector<int> cheapestFirstOrder(const SparseSuite& suite);

// The weight of the faults each test reveals, by test.
std::vector<int> revealedWeights(const SparseSuite& suite);

// The order sorted by how many faults each test reveals, most first, keeping
// the order's own on ties.
std::vector<int> mostRevealingFirst(const SparseSuite& suite, std::vector<int> order);

}  // namespace antorder
