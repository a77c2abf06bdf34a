#pragma once

// The picture of a run, as plain SVG 1.1: on the left how early each order
// reveals the faults, on the right the colony's search, iteration by iteration.

#include <cstdio>

#include "ordering/sparse_suite.h"
#include "reporting/run_results.h"

void printSvgPlot(std::FILE* out, const SparseSuite& suite, const RunResults& results);
