#pragma once

// The results of a run as one JSON document, for other tools to read.

#include <string>

#include "reporting/run_results.h"
#include "suite/sparse_suite.h"

namespace antorder {

// The document, indented, ending in a newline. Every number is a float or a
// whole number; floats keep their full precision (at most nine significant
// digits). Names that are not UTF-8 have their bad bytes replaced.
std::string resultsJson(const SparseSuite& suite, const RunResults& results);

}  // namespace antorder
