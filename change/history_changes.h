#pragma once

// A history's changes, carried in run order: each run's diff placed on the
// tests, the coverage carried through every diff (a run left out moved the
// code too) and replaced by each coverage snapshot, so that the next run's
// change is placed where the code now has its lines. Each run's diff and
// snapshot is read once, here; what cannot be read is handed back for the
// caller to say, never fatal: one bad file must not stop the next order.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "change/placement.h"
#include "history/change_signals.h"
#include "history/history.h"
#include "reading/coverage_map.h"
#include "runners/runners.h"

namespace antorder {

// What the changes are placed with.
struct HistoryChangeInputs {
  // The tests placed on, by key: the history's keys, then the next run's
  // tests it lacks. Kept by the placer handed back: it must outlive it.
  const std::vector<std::string>* names = nullptr;
  // The per-test coverage measured before the first run, where one is
  // given; none places by files and names until a run's snapshot.
  std::unique_ptr<CoverageMap> coverage;
  std::vector<std::string> ignorePatterns;  // paths no test depends on (see ignoredPath)
  // The tests' source files as the runner lists them; the reports' own
  // files are added for the tests the listing does not name.
  std::vector<TestSource> sources;
};

// How the coverage given matched the names, before any run's snapshot.
struct CoverageNamesMatched {
  std::size_t tests = 0;               // the coverage's tests
  std::vector<std::string> unmatched;  // its tests that match no name, in its order
  struct Tie {                         // a test lcov's naming gives two names alike
    std::string test;
    std::string first;
    std::string second;
  };
  std::vector<Tie> lcovTies;
};

struct CarriedChanges {
  // By run read, each run's change; empty where no run keeps a diff or a
  // snapshot. A run without a diff, or whose diff is left out, carries none.
  std::vector<RunChange> runs;
  // The coverage given, carried to the latest run, or the latest snapshot
  // carried after it; none where neither was read.
  std::unique_ptr<CoverageMap> coverage;
  // On that coverage: places the next change.
  ChangePlacer placer;
  CoverageNamesMatched given;                // of HistoryChangeInputs::coverage, where given
  std::vector<LeftOutRun> diffsLeftOut;      // cannot be read or placed
  std::vector<LeftOutRun> snapshotsLeftOut;  // cannot be read: the coverage before it goes on
  int snapshotsRead = 0;
  long outsideFiles = 0;  // of the snapshots' coverage left out as outside the project
  long outsideLines = 0;
};

// Whether a run of the history, read or left out, keeps a diff or a
// coverage snapshot.
bool historyCarriesChanges(const History& history);

// Reads and places every run's diff, in the order the runs' names give,
// each on the coverage as carried through the diffs before it; a run's
// snapshot then stands for the code as that run tested it, after its diff.
// A run left out places nothing, though its diff carries the coverage on;
// a diff that cannot be read or placed is left out as if its run kept
// none.
CarriedChanges carryHistoryChanges(const History& history, HistoryChangeInputs inputs);

// Places the next run's change on the coverage carried to the latest run;
// where the next run's tests are listed, on those alone: a test gone from
// the list covers nothing.
// False, with the reason, where the change cannot be placed (see placeChange).
bool placeNextChange(CarriedChanges& carried, const std::vector<std::string>* listed,
                     const Change& change, RunChange& placed, ReadError& error);

}  // namespace antorder
