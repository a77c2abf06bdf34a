#pragma once

// Which tests run each line of each file, as a per-test coverage report
// records it: lcov with a test name per capture, or coverage.py JSON with
// contexts. What a change is placed on tests by.

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "suite/suite_builder.h"

namespace antorder {

// One file's covered lines and the tests that run each: the tests of
// lines[i] are tests[first[i] .. first[i + 1]), ascending.
struct CoveredFile {
  std::string path;         // as the report names it
  std::vector<long> lines;  // ascending
  std::vector<std::size_t> first;
  std::vector<int> tests;
};

struct CoverageMap {
  std::vector<std::string> testNames;  // as the report names them
  std::vector<long> linesOfTest;       // how many lines each test runs, over every file
  std::vector<CoveredFile> files;      // in the report's order
  std::vector<std::string> notes;      // what the report held that is left out
};

// The tests that run the file's line, or none.
struct LineTests {
  const int* begin = nullptr;
  const int* end = nullptr;
};
LineTests testsOfLine(const CoveredFile& file, long line);

// Reads the map from a file named in UTF-8, or standard input for "-":
// coverage.py's JSON (it starts with "{") or an lcov tracefile. False, with the line and the
// reason, on anything else, and on a report that names no test.
bool readCoverageMap(const std::string& path, CoverageMap& map, ReadError& error);

// The same from a stream.
bool readCoverageMap(std::istream& in, CoverageMap& map, ReadError& error);

}  // namespace antorder
