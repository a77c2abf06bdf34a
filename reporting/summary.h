#pragma once

// What antorder-suite prints as text: the trace of the iterations, the
// summary, and an order a test a line.

#include <cstdio>
#include <string>
#include <vector>

#include "reporting/run_results.h"
#include "suite/sparse_suite.h"

namespace antorder {

// One line per iteration, in the built-in report's form.
void printTrace(std::FILE* out, const SearchResult& result);

// The suite, the faults left out, and the APFD of each order.
void printSummary(std::FILE* out, const SparseSuite& suite, const RunResults& results);

// What found the best order, as the summary, the JSON and the picture name it.
std::string bestMethodText(const RunResults& results);

// One test name a line.
void printOrder(std::FILE* out, const std::vector<std::string>& names);

}  // namespace antorder
