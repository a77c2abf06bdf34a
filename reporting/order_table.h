#pragma once

// The three orders side by side as CSV: a row per position, then the test
// name at that position in the given order, additional greedy and the colony's best.

#include <cstdio>

#include "ordering/sparse_suite.h"
#include "reporting/run_results.h"

void printOrderTable(std::FILE* out, const SparseSuite& suite, const RunResults& results);
