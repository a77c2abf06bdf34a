// Feeds any bytes to the reader of per-test coverage as a map of lines; a
// map read is then changed at each file's first lines and carried through
// the change, which must leave every file's lines ascending and above 0.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "change/placement.h"
#include "reading/coverage_map.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  CoverageMap map;
  ReadError error;
  if (!readCoverageMap(in, map, error)) return 0;
  Change change;
  for (const CoveredFile& file : map.files) {
    if (file.lines.empty()) continue;
    // The file's first covered line replaced by two, and a line inserted
    // after its last; then, as a mailbox's second patch, the first line
    // deleted.
    const long first = file.lines.front();
    const long last = file.lines.back();
    ChangedFile changed;
    changed.oldPath = changed.newPath = file.path;
    changed.hunks = {{first, 1, first, 2}, {last, 0, last + 2, 1}};
    change.files.push_back(changed);
  }
  const std::size_t firstPatch = change.files.size();
  for (std::size_t at = 0; at < firstPatch; ++at) {
    ChangedFile later = change.files[at];
    later.patch = 1;
    later.hunks = {{later.hunks.front().oldStart, 1, later.hunks.front().oldStart - 1, 0}};
    change.files.push_back(later);
  }
  const std::vector<std::string> names = map.testNames;
  ChangePlacer placer = startPlacing(names, &map);
  RunChange placed;
  if (!placeChange(placer, change, placed, error)) return 0;
  for (const CoveredFile& file : map.files) {
    if (!std::is_sorted(file.lines.begin(), file.lines.end()) ||
        (!file.lines.empty() && file.lines.front() < 1) ||
        file.first.size() != file.lines.size() + 1 || file.first.back() != file.tests.size()) {
      std::abort();
    }
  }
  return 0;
}
