#pragma once

// Per-test coverage of a CMake build's ctest tests: each test run on its
// own, N at a time, its gcc counters written under a folder of its own
// (GCOV_PREFIX) and read with gcov's JSON; then written as lcov, a TN: a
// test named as ctest and its JUnit reports name it.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "collect/gcov_counts.h"

namespace antorder {

struct CollectSettings {
  std::string buildFolder;
  std::vector<std::string> include;  // as --include gives them
  std::vector<std::string> exclude;
  std::string gcov = "gcov";
  int jobs = 1;
  std::function<void(int done, int total)> progress;  // called on the calling thread
  std::function<bool()> stopped;                      // true: stop at once
};

struct TestCoverage {
  std::string name;
  LineCounts lines;  // of the sources kept
};

struct Collected {
  std::vector<TestCoverage> tests;    // in ctest's order, those that ran a kept line
  std::vector<std::string> warnings;  // in ctest's order
  int testsListed = 0;
  int testsRun = 0;
};

// False, with the reason, on bad input: not a build folder, no ctest or
// gcov, no test, no .gcno file, or a test's counters gcov cannot read.
bool collectCoverage(const CollectSettings& settings, Collected& collected, std::string& reason);

// The lcov tracefile: a record a test and source file, its lines run (DA:
// line,count with count >= 1; lines not run are left out), sources in path
// order.
void printLcov(std::FILE* out, const std::vector<TestCoverage>& tests);

}  // namespace antorder
