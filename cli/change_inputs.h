#pragma once

// The changes the edge reads for either mode: the per-test coverage of
// --coverage, each run's diff beside its report, and the next run's diff of
// --changes, placed on the tests in that order so that the coverage is
// carried through every diff before the next run's (carryHistoryChanges);
// what cannot be read is said here.

#include <cstddef>
#include <string>
#include <vector>

#include "cli/options.h"
#include "history/change_signals.h"
#include "history/history.h"
#include "runners/runners.h"

namespace antorder {

struct ChangeInputs {
  std::vector<TestSource> sources;  // the next run's tests' source files, where listed
  std::vector<std::string> names;   // the history's keys, then the next run's tests it lacks
  std::vector<RunChange> runs;      // by run; empty where no run carries a diff
  RunChange next;                   // of --changes
  // Where --coverage was read and used: how many of its tests match a test.
  bool coverageRead = false;
  std::size_t coverageTests = 0;  // of --coverage, as read: the history's snapshots come later
  std::size_t coverageMatched = 0;
};

// Reads and places every change; false, with the file and reason on
// standard error, where one cannot be read or placed. `listed` are the next
// run's tests where the runner lists them.
bool readChanges(const Options& options, const History& history,
                 const std::vector<std::string>* listed, ChangeInputs& changes);

}  // namespace antorder
