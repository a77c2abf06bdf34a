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

// What found the best order, as the summary, the JSON and the picture name it.
std::string bestMethodText(const RunResults& results);

// The file as messages and the summary name it.
std::string displayName(const std::string& file);

// The text as a terminal shows it harmlessly: control characters (a
// terminal's escapes among them) written \xNN.
std::string printable(const std::string& text);

// The file's name without its folders, as the picture names it.
std::string baseName(const std::string& file);

// A count and its noun, singular for 1: "1 fault", "2 faults", "1 mutant
// killed" (the last word of the noun's that ends in s loses it).
std::string counted(long long count, const std::string& pluralNoun);

// Of a runner with a coarser unit of order than the test, how many units the
// positions hold.
std::size_t unitsAt(const NextRunPlan& plan, const std::vector<int>& positions);

}  // namespace antorder
