#pragma once

// A suite made from one matrix (coverage, say) scored against another (real
// faults), matched by test name.

#include <string>

#include "suite/sparse_suite.h"

namespace antorder {

// The other matrix's faults over the suite's tests, in the suite's order and
// at its costs: a suite test that the other lacks reveals nothing there.
// False, with the name in `unknownTest`, when the other has a test the suite
// lacks.
bool alignToSuite(const SparseSuite& suite, const SparseSuite& other, SparseSuite& aligned,
                  std::string& unknownTest);

}  // namespace antorder
