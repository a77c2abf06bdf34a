#pragma once

// An order as the test runners take it: ctest's cost-data file, which
// `ctest -j N` starts its tests by, and a CMake script that gives each test
// the COST a serial ctest runs them by.

#include <cstdio>
#include <vector>

#include <string>

namespace antorder {

// Whether ctest reads the name back whole from its cost-data file, which it
// splits at spaces: a name holding one would be read as another test, with
// another cost.
bool ctestReadsBack(const std::string& name);

// "NAME RUNS COST" a test a line, costs falling from the order's length, of
// the names ctest reads back whole, then "---" with no failed test under it.
// (No name holds a line end or another control character: the readers
// refuse one.)
void printCtestCosts(std::FILE* out, const std::vector<std::string>& names);

// A script to include last in the top-level CMakeLists.txt: it sets the
// COST of each test that exists when it is read, and makes the `disabled`
// ones (those a budget leaves out) DISABLED; it registers itself to be read
// again at test time, for the tests found only then.
// Where `labels` name tests, each of them is given its label (LABELS), so
// that ctest -L runs the tests of one label.
struct TestLabels {
  std::vector<std::string> names;
  std::vector<std::string> labels;  // by name
};
void printCtestProperties(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<std::string>& disabled = {},
                          const TestLabels& labels = {});

}  // namespace antorder
