#pragma once

// The program's main mode: orders the tests of a suite read from a file and
// prints how early each order reveals the faults.

#include <cstdint>
#include <string>

#include "formulas/formulas.h"
#include "ordering/best_order.h"
#include "ordering/suite_colony.h"
#include "reading/suite_reader.h"

struct SuiteOptions {
  std::string file;
  SuiteFormat format = SuiteFormat::DETECT;
  ReadOptions reading;
  SearchSettings search;
  std::uint32_t seed = RANDOM_SEED;
  std::string objective;  // "apfd", "apfdc", or empty for the suite's default
  std::int64_t effortMillions = DEFAULT_SEARCH_EFFORT / 1000000;
  std::string costsFile;     // costs for the suite's tests, from another file
  std::string evaluateFile;  // another matrix to score every order against
  std::string orderFile;
  std::string plotFile;
  std::string csvFile;
  std::string ctestCostsFile;       // the order as ctest's cost-data file
  std::string ctestPropertiesFile;  // the order as a CMake script of COST properties
  double budgetSeconds = 0.0;       // 0: none; else the order files hold what fits
  std::string restFile;             // the tests the budget leaves out, in order
  std::string testsFile;            // the next run's tests, as a runner lists them
  bool json = false;
  bool trace = false;
  bool quiet = false;
  bool windowGiven = false;  // --window and --items were given: refused where they do not apply
  bool itemsGiven = false;
};

// Runs the mode; returns the exit status.
int orderSuite(const SuiteOptions& options);
