#pragma once

// Seeded random suites of a given shape, for the benchmarks and the tests:
// the same shape and seed give the same suite on every platform.

#include <cstdint>

#include "suite/sparse_suite.h"

namespace antorder {

struct SuiteShape {
  int tests = 1000;
  int faults = 100;
  double density = 0.01;          // the share of ones
  bool variedCosts = false;       // costs from 0.01 to 10 rather than 1
  bool variedSeverities = false;  // severities from 1 to 5 rather than 1
  float costScale = 1.0f;         // every cost is multiplied by it
  std::uint32_t seed = 1u;
};

// Every fault is revealed by at least one test: a fault that the draws left
// unrevealed is given to one test at random.
SparseSuite generateSuite(const SuiteShape& shape);

}  // namespace antorder
