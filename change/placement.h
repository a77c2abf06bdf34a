#pragma once

// Placing a change on tests: which tests a diff touches, and how, by the
// lines they cover where per-test coverage is given, else by their own file
// and their name; and carrying the coverage through each change placed, so
// that the next change's lines are found where the coverage now has them.
//
// A test is touched when it covers a changed or deleted line (old side) or a
// line beside an insertion. For a file the coverage does not know, or
// without coverage, a test is touched when its own file changed (its name
// begins with the file's path, dotted: tests.test_cart.TestCart.test_total
// and tests/test_cart.py) or its name matches a changed file's (test_cart
// and cart.py, CartTest and Cart.java, cart_test and cart.cpp). A changed
// file that touches no test is a change no test is known to depend on.
//
// Carried through a change, a covered line moves to its place on the new
// side; lines an edit replaces one for one keep their coverage, and a line
// added since has none of its own (it counts for the tests around its
// insertion).
//
// Coverage paths are matched to the diff's by their longest common ending
// of path components; two coverage paths that match a diff path equally
// well are an error naming both.

#include <string>
#include <unordered_map>
#include <vector>

#include "history/change_signals.h"
#include "history/history.h"
#include "reading/coverage_map.h"
#include "reading/diff_reader.h"

namespace antorder {

struct ChangePlacer {
  const std::vector<std::string>* names = nullptr;  // the tests placed on, by key
  CoverageMap* coverage = nullptr;                  // none: by files and names alone
  std::vector<int> keyOfCoverageTest;               // -1: a test not among the names
  std::unordered_map<std::string, std::vector<int>> filesOfBaseName;  // coverage files
};

// Names are keys as a history gives them; a coverage test is a key by its
// own name or its pytest node id's key (see junitKeyOf).
ChangePlacer startPlacing(const std::vector<std::string>& names, CoverageMap* coverage);

// Places the change on the tests, then carries the coverage through it.
// False, with the reason, where a path matches two coverage files alike.
bool placeChange(ChangePlacer& placer, const Change& change, RunChange& placed, ReadError& error);

// What placing a history's changes left out: diffs that cannot be read or
// placed, and coverage snapshots that cannot be read.
struct HistoryPlacing {
  std::vector<LeftOutRun> diffsLeftOut;
  std::vector<LeftOutRun> snapshotsLeftOut;
  int snapshotsRead = 0;
};

// The changes of the history's runs, by run, each read from the run's diff
// and placed on the coverage as carried through the diffs before it. The
// coverage is `coverage` (measured before the first run) until a run's
// snapshot, which then stands for the code as that run tested it, after its
// diff. Every run of the folder's timeline carries its diff, a run left out
// too, though only the runs read place theirs: a run without a diff carries
// no change. Ends with the coverage carried to the latest run. A diff that
// cannot be read or placed (cut short, a path two coverage files match) is
// left out as if its run carried none, and a snapshot that cannot be read as
// if there were none: one bad file must not stop the next run's order.
HistoryPlacing placeHistoryChanges(const History& history, ChangePlacer& placer,
                                   CoverageMap& coverage, std::vector<RunChange>& changes);

}  // namespace antorder
