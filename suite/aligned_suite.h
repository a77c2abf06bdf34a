#pragma once

// A suite made from one matrix (coverage, say) scored against another (real
// faults), matched by test name.

#include <string>
#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

// The other matrix's faults over the suite's tests, in the suite's order and
// at its costs. A test matches by its name or by the JUnit key of a pytest
// node id (see junitKeyOf), in either matrix. A suite test that the other
// lacks reveals nothing there; the other's tests that the suite lacks (a
// test that covers no line, say) are left out, and a fault only they reveal
// is left out of every score. Returns those tests' names, in the other's order.
std::vector<std::string> alignToSuite(const SparseSuite& suite, const SparseSuite& other,
                                      SparseSuite& aligned);

}  // namespace antorder
