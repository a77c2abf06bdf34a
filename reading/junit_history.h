#pragma once

// A history of test runs from JUnit XML reports, as pytest, ctest, GoogleTest,
// Maven Surefire and Jest write them, and the suite it gives: the tests of the
// latest run, each failure of the last runs a fault of the test that failed.
//
// A report's root is <testsuites> or <testsuite>, suites may nest, and every
// <testcase> with its name, classname and time is one result. A test's key is
// classname.name, or the name alone where the classname is empty or the name
// itself. It ran unless it has a <skipped> child or its status or result says
// notrun, disabled, skipped or suppressed; it failed with a <failure> or
// <error> child (or Surefire's flaky and rerun variants) or status="fail".
// Two results with one key in a run (pytest's failed call and errored
// teardown) are one test: failed if either failed, their times added.

#include <istream>
#include <string>
#include <unordered_map>
#include <vector>

#include "reading/suite_builder.h"

constexpr int DEFAULT_WINDOW = 50;
constexpr double MIN_SECONDS = 0.001;  // the least cost a test's times give it

// One test's result in one run.
struct TestResult {
  int key;  // into JunitHistory::keys
  double seconds;
  bool ran;
  bool failed;
};

struct TestRun {
  std::string name;                 // the report's file name without .xml, or its folder's name
  std::vector<TestResult> results;  // in report order, one per key
};

struct JunitHistory {
  std::vector<std::string> keys;
  std::unordered_map<std::string, int> keyIndex;
  std::vector<TestRun> runs;  // oldest first
};

// Reads one report as one run, appended to the history; `file` names it in
// errors and the run. False, with the line and the reason, on a report that
// is not JUnit XML.
bool readJunitReport(std::istream& in, const std::string& file, const std::string& runName,
                     JunitHistory& history, ReadError& error);

// Reads a report, or a folder of runs: each .xml file directly inside is one
// run, each folder inside one run of every .xml file under it; runs in name
// order, the oldest first, read `jobs` at a time with the same result for
// any number. Errors name the file they are in.
bool readJunitPath(const std::string& path, JunitHistory& history, ReadError& error, int jobs = 1);

// The median of the values, the mean of the two middle ones for an even
// count; 0 for none.
double medianOf(std::vector<double> values);

// By key, the median of its times over the last `window` runs in which it
// ran (the mean of the two middle ones for an even count), at least
// MIN_SECONDS; -1 for a key that did not run in them.
std::vector<double> medianSeconds(const JunitHistory& history, int window);

// The same over the runs from firstRun up to, not including, endRun.
std::vector<double> medianSecondsOf(const JunitHistory& history, int firstRun, int endRun);

// The suite of the last `window` runs: the tests that ran in the latest, in
// its order; each failure of one of them in the window a fault named
// RUN:KEY; each test's cost the median of its times over the window's runs in
// which it ran, at least MIN_SECONDS. The summary's notes say how many runs
// the window holds and how many failed.
void buildHistorySuite(const JunitHistory& history, int window, SuiteBuilder& builder);

// The suite of the tests that ran in `tests`, in its order, over the window
// of runs from firstRun up to, not including, endRun: each failure of one of
// them there a fault named RUN:KEY; each test's cost the median of its times
// in the window, at least MIN_SECONDS, or where it did not run there the
// median of the others' costs (1 when none ran). Returns how many of the
// window's runs had a failure.
int buildWindowSuite(const JunitHistory& history, const TestRun& tests, int firstRun, int endRun,
                     SuiteBuilder& builder);
