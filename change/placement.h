#pragma once

// Placing a change on tests: which tests a diff touches, and how, by the
// lines they cover where per-test coverage is given, else by their own file
// and their name; and carrying the coverage through each change placed, so
// that the next change's lines are found where the coverage now has them.
//
// A test is touched when it covers a changed or deleted line (old side) or a
// line beside an insertion. Where no test covers an edit (a file the
// coverage does not know, no coverage, a docstring, code run at import), a
// test is touched when its own file changed (its name begins with the
// file's path, dotted: tests.test_cart.TestCart.test_total and
// tests/test_cart.py; or the runner lists it in that file, or it is a Jest
// test whose key begins with the file's path) or its name or Jest file
// matches a changed file's (test_cart and cart.py, CartTest and Cart.java,
// cart_test and cart.cpp, ScreenTest and screen.cpp, cart.test.js or
// cart.spec.ts and cart.js or cart.ts). A changed file that
// touches no test is a change no test is known to depend on; one the ignore
// patterns name is neither placed nor listed so, unless it is a test's own.
//
// Carried through a change, a covered line moves to its place on the new
// side; lines an edit replaces one for one keep their coverage, and a line
// added since has none of its own (it counts for the tests around its
// insertion).
//
// A diff path names the coverage files whose paths end in all its
// components (one equal to it, where there is one); files the coverage
// knows no test of ours on are not among them. Where several are named
// alike (two copies of a tree), the change is placed on and carried through
// each, and the path is kept in `tiedPaths` for a warning.

#include <string>
#include <unordered_map>
#include <vector>

#include "history/change_signals.h"
#include "history/history.h"
#include "reading/coverage_map.h"
#include "reading/diff_reader.h"
#include "runners/runners.h"
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
  std::vector<char> present;                // by key: a test placed on; empty, every one is
  std::vector<std::string> ignorePatterns;  // paths no test depends on, gitignore's way
  std::vector<std::pair<int, std::string>> sources;  // a key and the source file listing it
  std::vector<std::string> tiedPaths;                // "a/b.py: /src/a/b.py and /build/a/b.py"
};

// Names are keys as a history gives them; a coverage test stands for the
// keys its name matches (see matchCoverageNames).
ChangePlacer startPlacing(const std::vector<std::string>& names, CoverageMap* coverage);

// The tests' source files as the runner lists them, for the own-file rule.
void addTestSources(ChangePlacer& placer, const std::vector<TestSource>& sources);

// Whether the path is one the patterns (--changes-ignore) name: `*.md` at
// any depth, `docs/` a folder and all under it, `a/b*` anchored at the
// root where a `/` is not at the end, `**` across folders.
bool ignoredPath(const std::vector<std::string>& patterns, const std::string& path);

// Leaves out the coverage of code outside the project: files under a
// site-packages or dist-packages folder, or the system's (/usr/include,
// /usr/lib, /usr/local/include, /usr/local/lib, /usr/share; on Windows
// under Program Files or Windows). Gives how many files and lines.
struct OutsideCode {
  long files = 0;
  long lines = 0;
};
OutsideCode leaveOutOutsideCode(CoverageMap& coverage);

// Places the change on the tests, then carries the coverage through it.
// True: no layout of paths refuses a change (the error is for the callers'
// sake).
bool placeChange(ChangePlacer& placer, const Change& change, RunChange& placed, ReadError& error);

}  // namespace antorder
