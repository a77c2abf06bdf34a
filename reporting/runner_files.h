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
// again at test time, for the tests found only then. It serves one run of
// the tests: the first time it is read it notes ctest's cost data in a stamp
// beside it (its name with .stamp), and once ctest has run and rewritten that
// data it sets nothing, so that a copy kept in a build folder never disables
// tests of a later run.
// Where `labels` name tests, each of them is given its label (LABELS), so
// that ctest -L runs the tests of one label.
struct TestLabels {
  std::vector<std::string> names;
  std::vector<std::string> labels;  // by name
};
void printCtestProperties(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<std::string>& disabled = {},
                          const TestLabels& labels = {});

// The stamp the COST script at `path` keeps beside it.
std::string costScriptStamp(const std::string& path);

// Whether the text is the start of a file antorder-suite wrote as a COST
// script, and so may be replaced by it.
bool isCostScript(const std::string& start);

// A COST script that sets nothing, for a run that failed to write the order:
// the one it replaces must not apply its older order.
void printEmptyCostScript(std::FILE* out);

}  // namespace antorder
