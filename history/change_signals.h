#pragma once

// What the change a run tests says of each of its tests: whether the change
// touches the test, and how. The change's reading and placing are elsewhere;
// the model learns from these plain figures alone.

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace antorder {

struct ChangeSignals {
  bool touched = false;  // by a line it covers, its own file or its name; a new test always
  int coveredLines = 0;  // changed lines it covers (deleted or replaced, or beside an insertion)
  double coveredShare = 0.0;  // their share of all the lines it covers
  double specificity = 0.0;   // over those lines, one over the number of tests covering each
  bool ownFile = false;       // the file that holds it changed
  bool nameMatch = false;     // its name matches a changed file's: test_foo.py and foo.py
};

// The change of one run: none where the run carries no diff.
struct RunChange {
  bool carried = false;
  long changedLines = 0;  // removed and added, over every file
  // The keys the change says something of, ascending, and what it says.
  std::vector<int> keys;
  std::vector<ChangeSignals> signals;
  std::vector<std::string> unplacedFiles;  // changes no test is known to depend on
  std::vector<std::string> ignoredFiles;   // changes the ignore patterns name
};

// The signals of a key under the change: none for a key it does not name.
inline ChangeSignals signalsOf(const RunChange& change, int key) {
  const auto at = std::lower_bound(change.keys.begin(), change.keys.end(), key);
  if (at == change.keys.end() || *at != key) return {};
  return change.signals[static_cast<std::size_t>(at - change.keys.begin())];
}

}  // namespace antorder
