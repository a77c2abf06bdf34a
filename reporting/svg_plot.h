#pragma once

// The picture of a run, as plain SVG 1.1: on the left how early each order
// reveals the faults, on the right the colony's search, iteration by iteration.

#include <cstdio>

#include "reporting/run_results.h"
#include "suite/sparse_suite.h"

namespace antorder {

void printSvgPlot(std::FILE* out, const SparseSuite& suite, const RunResults& results);

}  // namespace antorder
