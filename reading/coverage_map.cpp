#include "reading/coverage_map.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "reading/format_readers.h"
#include "reading/line_reader.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

using Index = std::size_t;

// A line number as a report writes it: from 1 up, in decimal digits; 0
// where it is none.
long lineNumberOf(const std::string& text) {
  long line = 0;
  const char* const end = text.data() + text.size();
  const auto [after, status] = std::from_chars(text.data(), end, line);
  return status == std::errc() && after == end && line > 0 ? line : 0;
}

// The map a coverage reader's items and tests make, each item a file's line.
class MapCoverage : public CoverageSink {
 public:
  explicit MapCoverage(CoverageMap& map) : map_(map) {}

  int addItem(const std::string& file, const std::string& where) override {
    const long line = lineNumberOf(where);
    if (line == 0 && !badItem_) badItem_ = file + ":" + where;
    const auto [entry, added] = fileOfPath_.emplace(file, static_cast<int>(map_.files.size()));
    if (added) map_.files.push_back({file, {}, {}, {}});
    placeOfItem_.emplace_back(entry->second, line);
    return static_cast<int>(placeOfItem_.size()) - 1;
  }

  bool addCoveredTest(const std::string& name, std::vector<int>& items, long line,
                      ReadError& error) override {
    if (!takeTestName(lineOfTest_, name, line, error)) return false;
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    map_.testNames.push_back(name);
    itemsOfTest_.push_back(std::move(items));
    return true;
  }

  void note(const std::string& text) override { map_.notes.push_back(text); }

  // Gathers each file's lines and the tests that run them; false, with the
  // reason, where the report names no test or an item is not a line.
  bool finish(ReadError& error) {
    if (map_.testNames.empty()) {
      error = {0,
               "names no test: per-test coverage is lcov with a TN: name per test, or "
               "coverage.py JSON with contexts"};
      return false;
    }
    if (badItem_) {
      error = {0,
               "a covered line's number is not a line number from 1 up: " + quotedText(*badItem_)};
      return false;
    }
    // Per file, its (line, test) pairs, sorted, then gathered by line.
    std::vector<std::vector<std::pair<long, int>>> pairs(map_.files.size());
    map_.linesOfTest.assign(map_.testNames.size(), 0);
    for (Index test = 0; test < itemsOfTest_.size(); ++test) {
      for (const int item : itemsOfTest_[test]) {
        const auto& [file, line] = placeOfItem_[static_cast<Index>(item)];
        pairs[static_cast<Index>(file)].emplace_back(line, static_cast<int>(test));
      }
      map_.linesOfTest[test] = static_cast<long>(itemsOfTest_[test].size());
    }
    for (Index file = 0; file < pairs.size(); ++file) {
      std::sort(pairs[file].begin(), pairs[file].end());
      CoveredFile& covered = map_.files[file];
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

 private:
  CoverageMap& map_;
  std::unordered_map<std::string, int> fileOfPath_;
  std::vector<std::pair<int, long>> placeOfItem_;  // file, line; by item
  std::vector<std::vector<int>> itemsOfTest_;
  std::unordered_map<std::string, long> lineOfTest_;
  std::optional<std::string> badItem_;  // the first item whose line is not a line number
};

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
  MapCoverage sink(map);
  const int start = in.peek();
  bool read = false;
  if (start == '{') {
    read = readCoverageJson(in, sink, error);
  } else {
    LineReader reader{in, 0, {}, false};
    read = readLcovSuite(reader, sink, CoverageItems::LINES, error);
    if (reader.tooLong) return readToTheEnd(reader, error);
    read = read && readToTheEnd(reader, error);
  }
  return read && sink.finish(error);
}

}  // namespace antorder
