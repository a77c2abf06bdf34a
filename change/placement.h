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
#include "suite/test_names.h"

namespace antorder {

struct ChangePlacer {
  const std::vector<std::string>* names = nullptr;  // the tests placed on, by key
  CoverageMap* coverage = nullptr;                  // none: by files and names alone
  // Of each coverage test, the keys it stands for; none where it matches none.
  std::vector<std::vector<int>> keysOfCoverageTest;
  // Coverage tests whose lcov names two keys are written as alike.
  std::vector<CoverageNameMatch::Tie> lcovTies;
  std::unordered_map<std::string, std::vector<int>> filesOfBaseName;  // coverage files
};

// Names are keys as a history gives them; a coverage test stands for the
// keys its name matches (see matchCoverageNames).
ChangePlacer startPlacing(const std::vector<std::string>& names, CoverageMap* coverage);

// Places the change on the tests, then carries the coverage through it.
// False, with the reason, where a path matches two coverage files alike.
bool placeChange(ChangePlacer& placer, const Change& change, RunChange& placed, ReadError& error);

// The changes of the history's runs, by run, each read from the run's diff
// and placed on the coverage as carried through the diffs before it (the
// coverage was measured before the first): a run without a diff carries no
// change. Ends with the coverage carried to the latest run. A diff that
// cannot be read or placed (cut short, a path two coverage files match) is
// left out, in `leftOut`, as if its run carried none: one bad file must not
// stop the next run's order.
void placeHistoryChanges(const History& history, ChangePlacer& placer,
                         std::vector<RunChange>& changes, std::vector<LeftOutRun>& leftOut);

}  // namespace antorder
