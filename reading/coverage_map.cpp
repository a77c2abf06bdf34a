#include "reading/coverage_map.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "reading/format_readers.h"
#include "reading/line_reader.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The line number after a name's last colon: from 1 up, in decimal digits;
// 0 where it is none.
long lineNumberOf(const std::string& name, std::size_t colon) {
  long line = 0;
  const char* const end = name.data() + name.size();
  const auto [after, status] = std::from_chars(name.data() + colon + 1, end, line);
  return status == std::errc() && after == end && line > 0 && name[colon + 1] != '+' ? line : 0;
}

// The map of what a coverage reader built: each item is "PATH:LINE". False,
// with the reason, at an item whose line is not a line number.
bool mapOf(const SuiteBuilder& builder, CoverageMap& map, ReadError& error) {
  const SparseSuite& suite = builder.suite;
  std::unordered_map<std::string, int> fileOfPath;
  std::vector<std::pair<int, long>> placeOfItem;  // file, line
  placeOfItem.reserve(builder.rawFaultNames.size());
  for (const std::string& name : builder.rawFaultNames) {
    const std::size_t colon = name.rfind(':');
    const long line = colon == std::string::npos ? 0 : lineNumberOf(name, colon);
    if (line == 0) {
      error = {0, "a covered line's number is not a line number from 1 up: " + quotedText(name)};
      return false;
    }
    const std::string path = name.substr(0, colon);
    const auto [entry, added] = fileOfPath.emplace(path, static_cast<int>(map.files.size()));
    if (added) map.files.push_back({path, {}, {}, {}});
    placeOfItem.emplace_back(entry->second, line);
  }
  // Per file, its (line, test) pairs, sorted, then gathered by line.
  std::vector<std::vector<std::pair<long, int>>> pairs(map.files.size());
  map.testNames = suite.testNames;
  map.linesOfTest.assign(suite.testNames.size(), 0);
  for (Index test = 0; test < suite.testNames.size(); ++test) {
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      const auto& [file, line] = placeOfItem[static_cast<Index>(suite.revealedFaults[one])];
      pairs[static_cast<Index>(file)].emplace_back(line, static_cast<int>(test));
      ++map.linesOfTest[test];
    }
  }
  for (Index file = 0; file < pairs.size(); ++file) {
    std::sort(pairs[file].begin(), pairs[file].end());
    CoveredFile& covered = map.files[file];
    for (const auto& [line, test] : pairs[file]) {
      if (covered.lines.empty() || covered.lines.back() != line) {
        covered.lines.push_back(line);
        covered.first.push_back(covered.tests.size());
      }
      covered.tests.push_back(test);
    }
    covered.first.push_back(covered.tests.size());
  }
  return true;
}

}  // namespace

LineTests testsOfLine(const CoveredFile& file, long line) {
  const auto at = std::lower_bound(file.lines.begin(), file.lines.end(), line);
  if (at == file.lines.end() || *at != line) return {};
  const auto index = static_cast<Index>(at - file.lines.begin());
  return {file.tests.data() + file.first[index], file.tests.data() + file.first[index + 1]};
}

bool readCoverageMap(const std::string& path, CoverageMap& map, ReadError& error) {
  if (path == "-") return readCoverageMap(standardInput(), map, error);
  std::ifstream in;
  return openInput(path, in, error) && readCoverageMap(in, map, error);
}

bool readCoverageMap(std::istream& in, CoverageMap& map, ReadError& error) {
  map = CoverageMap{};
  SuiteBuilder builder;
  const int start = in.peek();
  bool read = false;
  if (start == '{') {
    read = readCoverageJson(in, builder, error);
  } else {
    LineReader reader{in, 0, {}, false};
    read = readLcovSuite(reader, builder, CoverageItems::LINES, error);
    if (reader.tooLong) return readToTheEnd(reader, error);
    read = read && readToTheEnd(reader, error);
  }
  if (!read) return false;
  if (builder.suite.testNames.empty()) {
    error = {0,
             "names no test: per-test coverage is lcov with a TN: name per test, or "
             "coverage.py JSON with contexts"};
    return false;
  }
  map.notes = builder.suite.notes;
  return mapOf(builder, map, error);
}

}  // namespace antorder
