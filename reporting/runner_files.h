#pragma once

// An order as the test runners take it: ctest's cost-data file, which
// `ctest -j N` starts its tests by, and a CMake script that gives each test
// the COST a serial ctest runs them by.

#include <cstdio>
#include <vector>

#include <string>

namespace antorder {

// "NAME RUNS COST" a test a line, costs falling from the order's length to 1,
// then "---" with no failed test under it. (No name holds a line break: the
// readers refuse one.)
void printCtestCosts(std::FILE* out, const std::vector<std::string>& names);

// A script to include last in the top-level CMakeLists.txt: it sets the
// COST of each test that exists when it is read, and registers itself to be
// read again at test time, for the tests found only then.
void printCtestProperties(std::FILE* out, const std::vector<std::string>& names);

}  // namespace antorder
