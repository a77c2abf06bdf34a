#pragma once

// The costs of a suite's tests from another file, for inputs that have none
// (coverage): a CSV of test,cost or a JUnit report or history.

#include <string>
#include <unordered_map>
#include <vector>

#include "reading/suite_reader.h"
#include "suite/test_names.h"

namespace antorder {

// Reads the costs by test name: from a CSV whose header names a test column
// and a cost column (cost rules as a suite's), or from a JUnit report or
// folder, each test's median time over the window; "-" reads standard
// input, a CSV or one report. False with the line and
// the reason on a file that is neither. `fromHistory`, where given, says
// which it was; `leftOut`, of a history, receives the runs left out.
bool readTestCosts(const std::string& path, const ReadOptions& options,
                   std::unordered_map<std::string, float>& costs, ReadError& error,
                   bool* fromHistory = nullptr, std::vector<LeftOutRun>* leftOut = nullptr);

// Gives each test of the suite its cost, found by its name or its JUnit key;
// returns the tests that found none and keep theirs, in suite order.
std::vector<int> applyTestCosts(SparseSuite& suite,
                                const std::unordered_map<std::string, float>& costs);

}  // namespace antorder
