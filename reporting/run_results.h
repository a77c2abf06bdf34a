#pragma once

// Everything one run of antorder-suite found, as every form of its results
// (summary, JSON, CSV, picture) reads it.

#include <cstdint>
#include <string>
#include <vector>

#include "ordering/best_order/best_order.h"
#include "ordering/suite_colony.h"
#include "ordering/suite_orders.h"
#include "plan/next_run.h"
#include "suite/sparse_suite.h"

namespace antorder {

struct RunResults {
  std::string file;        // as given; "-" for standard input
  std::string formatName;  // as --format names it: "csv", "junit", "lcov", ...
  std::uint32_t seed = 0;
  SearchSettings settings;  // as the search ran
  int antsAsked = 0;        // more than ran where the suite has fewer tests
  SuiteOrders orders;
  Objective objective = Objective::APFD;
  double elapsedSeconds = 0.0;
  // Every order scored also against another matrix's faults, matched by test
  // name (--evaluate): that matrix over the suite's tests.
  bool evaluated = false;
  std::string evaluationFile;
  SparseSuite evaluation;
  NextRunPlan plan;    // the order written, and what a budget selects of it
  std::string runner;  // as --runner names it; empty without it
  // Of --coverage, where it placed changes: its tests, and how many of them
  // match a test of the history.
  bool coverageRead = false;
  long long coverageTests = 0;
  long long coverageMatched = 0;
};

}  // namespace antorder
