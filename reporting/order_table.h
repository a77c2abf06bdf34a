#pragma once

// The four orders side by side as CSV: a row per position, then the test
// name at that position in the given order, additional greedy, the colony's
// best and the best order found.

#include <cstdio>

#include "reporting/run_results.h"
#include "suite/sparse_suite.h"

namespace antorder {

void printOrderTable(std::FILE* out, const SparseSuite& suite, const RunResults& results);

}  // namespace antorder
