#pragma once

// The orders the colony's result is read against.

#include <vector>

#include "ordering/sparse_suite.h"

// The tests as the file lists them.
std::vector<int> givenOrder(const SparseSuite& suite);

// The cheapest tests first, ties in file order: the order when no test reveals anything.
std::vector<int> cheapestFirstOrder(const SparseSuite& suite);

// Additional greedy: again and again the test that reveals the most faults not
// yet revealed, the lowest index on ties; once all are revealed, the rest in
// file order. O((n + ones) log n) at worst.
std::vector<int> additionalGreedyOrder(const SparseSuite& suite, const FaultColumns& columns);
