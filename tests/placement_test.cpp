// Placing changes on tests: by covered lines, own files and names; paths
// matched by their whole endings; the ignored paths; the lines carried through a sequence of
// diffs; and the runs of a history placed in order.

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "change/history_changes.h"
#include "change/placement.h"
#include "reading/junit_history.h"

using namespace antorder;

namespace {

Change changeOf(const std::string& diff) {
  std::istringstream in(diff);
  Change change;
  ReadError error;
  EXPECT_TRUE(readDiff(in, change, error)) << error.line << ": " << error.reason;
  return change;
}

// A map of one file's lines, each with the tests (by index) that run it.
CoveredFile fileOf(const std::string& path,
                   const std::vector<std::pair<long, std::vector<int>>>& lines) {
  CoveredFile file{path, {}, {}, {}};
  for (const auto& [line, tests] : lines) {
    file.lines.push_back(line);
    file.first.push_back(file.tests.size());
    file.tests.insert(file.tests.end(), tests.begin(), tests.end());
  }
  file.first.push_back(file.tests.size());
  return file;
}

// The names of the touched tests, and each one's covered lines.
std::string touchedOf(const RunChange& placed, const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t at = 0; at < placed.keys.size(); ++at) {
    const ChangeSignals& signals = placed.signals[at];
    if (!signals.touched) continue;
    text += names[static_cast<std::size_t>(placed.keys[at])] + ":" +
            std::to_string(signals.coveredLines) + " ";
  }
  return text;
}

std::string diffOf(const std::string& path, const std::string& hunks) {
  return "--- a/" + path + "\n+++ b/" + path + "\n" + hunks;
}

const std::vector<std::string> NAMES = {"tests.test_cart.test_total", "tests.test_cart.test_empty",
                                        "tests.test_login.test_lockout", "CouponTest.applies"};

CoverageMap cartCoverage() {
  CoverageMap map;
  // Coverage names tests by node id, and files by absolute paths.
  map.testNames = {"tests/test_cart.py::test_total", "tests/test_cart.py::test_empty",
                   "tests/test_login.py::test_lockout"};
  map.linesOfTest = {4, 2, 2};
  map.files.push_back(
      fileOf("/home/ci/shop/src/cart.py", {{10, {0, 1}}, {11, {0}}, {12, {0}}, {20, {0, 1, 2}}}));
  map.files.push_back(fileOf("/home/ci/shop/src/login.py", {{5, {2}}}));
  return map;
}

TEST(Placement, TouchesTheTestsTheChangeReaches) {
  struct Case {
    const char* what;
    std::string diff;
    bool withCoverage;
    std::string touched;
    std::vector<std::string> unplaced;
  };
  const Case cases[] = {
      {"a replaced line covered by one test",
       diffOf("src/cart.py", "@@ -11 +11 @@\n-a\n+b\n"),
       true,
       "tests.test_cart.test_total:1 ",
       {}},
      {"an insertion touches the lines beside it",
       diffOf("src/cart.py", "@@ -10,0 +11 @@\n+x\n"),
       true,
       "tests.test_cart.test_total:2 tests.test_cart.test_empty:1 ",
       {}},
      {"a deleted line, shared by three",
       diffOf("src/cart.py", "@@ -20 +19,0 @@\n-x\n"),
       true,
       "tests.test_cart.test_total:1 tests.test_cart.test_empty:1 tests.test_login.test_lockout:1 ",
       {}},
      // A comment's edit must not put a whole test module first: the tests
      // its name matches know the file, untouched.
      {"an uncovered line of a known file is placed by the names, touching none",
       diffOf("src/cart.py", "@@ -30 +30 @@\n-a\n+b\n"),
       true,
       "",
       {}},
      {"a build file nothing depends on",
       diffOf("CMakeLists.txt", "@@ -1 +1 @@\n-a\n+b\n"),
       true,
       "",
       {"CMakeLists.txt"}},
      {"without coverage: the test's own file",
       diffOf("tests/test_login.py", "@@ -1 +1 @@\n-a\n+b\n"),
       false,
       "tests.test_login.test_lockout:0 ",
       {}},
      {"without coverage: the tested file's name",
       diffOf("src/cart.py", "@@ -1 +1 @@\n-a\n+b\n"),
       false,
       "tests.test_cart.test_total:0 tests.test_cart.test_empty:0 ",
       {}},
      {"a Java class by its test's name",
       diffOf("src/main/java/Coupon.java", "@@ -1 +1 @@\n-a\n+b\n"),
       true,
       "CouponTest.applies:0 ",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CoverageMap coverage = cartCoverage();
    ChangePlacer placer = startPlacing(NAMES, c.withCoverage ? &coverage : nullptr);
    RunChange placed;
    ReadError error;
    ASSERT_TRUE(placeChange(placer, changeOf(c.diff), placed, error)) << error.reason;
    EXPECT_EQ(touchedOf(placed, NAMES), c.touched);
    EXPECT_EQ(placed.unplacedFiles, c.unplaced);
  }
}

// coverage.py's test_function contexts name a test by its module as
// imported: found by the ending of the report's name, unless two names end
// alike.
TEST(Placement, FindsCoverageTestsByTheEndingOfTheirNames) {
  const std::vector<std::string> names = {"tests.test_cart.test_total", "a.test_login.test_lockout",
                                          "b.test_login.test_lockout"};
  CoverageMap coverage;
  coverage.testNames = {"test_cart.test_total", "test_login.test_lockout", "test_mail.test_sent"};
  ChangePlacer placer = startPlacing(names, &coverage);
  EXPECT_EQ(placer.keysOfCoverageTest, (std::vector<std::vector<int>>{{0}, {}, {}}));
}

TEST(Placement, WeighsHowSpecificTheLinesAre) {
  CoverageMap coverage = cartCoverage();
  ChangePlacer placer = startPlacing(NAMES, &coverage);
  RunChange placed;
  ReadError error;
  ASSERT_TRUE(placeChange(
      placer, changeOf(diffOf("src/cart.py", "@@ -10,3 +10 @@\n-a\n-b\n-c\n+d\n")), placed, error));
  // Lines 10 to 12: test_total covers all three (10 shared with test_empty),
  // test_empty line 10 alone.
  ASSERT_EQ(placed.keys, (std::vector<int>{0, 1}));
  EXPECT_EQ(placed.signals[0].coveredLines, 3);
  EXPECT_DOUBLE_EQ(placed.signals[0].specificity, 0.5 + 1.0 + 1.0);
  EXPECT_DOUBLE_EQ(placed.signals[0].coveredShare, 3.0 / 4.0);
  EXPECT_DOUBLE_EQ(placed.signals[1].specificity, 0.5);
  EXPECT_DOUBLE_EQ(placed.signals[1].coveredShare, 1.0 / 2.0);
  EXPECT_EQ(placed.changedLines, 4);
}

// A coverage of files each with line 1 run by its own test, t0, t1, ...
CoverageMap coverageOfFiles(const std::vector<std::string>& paths) {
  CoverageMap map;
  for (std::size_t at = 0; at < paths.size(); ++at) {
    map.testNames.push_back("t" + std::to_string(at));
    map.linesOfTest.push_back(1);
    map.files.push_back(fileOf(paths[at], {{1, {static_cast<int>(at)}}}));
  }
  return map;
}

// A diff path names the coverage files whose paths end in all of it; where
// several do alike, each is placed on and carried, never refused.
TEST(Placement, MatchesWholePathEndings) {
  std::vector<std::string> thousand;
  thousand.reserve(1000);
  for (int at = 0; at < 1000; ++at)
    thousand.push_back("/ci/pkg/d" + std::to_string(at) + "/mod.py");
  struct Case {
    const char* what;
    std::vector<std::string> files;
    std::string diff;
    std::string touched;
    bool tied;
  };
  const Case cases[] = {
      {"a version bump in a package's __init__.py matches no sub-package's",
       {"/ci/shop/cart/__init__.py", "/ci/shop/tax/__init__.py"},
       diffOf("shop/__init__.py", "@@ -1 +1 @@\n-a\n+b\n"),
       "",
       false},
      {"the one of three __init__.py that the path names",
       {"/ci/pkg/a/__init__.py", "/ci/pkg/b/__init__.py", "/ci/pkg/c/__init__.py"},
       diffOf("pkg/c/__init__.py", "@@ -1 +1 @@\n-a\n+b\n"),
       "t2:1 ",
       false},
      {"one mod.py of a thousand folders", thousand,
       diffOf("pkg/d500/mod.py", "@@ -1 +1 @@\n-a\n+b\n"), "t500:1 ", false},
      {"two roots of one project: both",
       {"/src/a/b.py", "/build/a/b.py"},
       diffOf("a/b.py", "@@ -1 +1 @@\n-a\n+b\n"),
       "t0:1 t1:1 ",
       true},
      {"a path equal to the coverage's beats its longer kin",
       {"conftest.py", "tests/conftest.py"},
       diffOf("conftest.py", "@@ -1 +1 @@\n-a\n+b\n"),
       "t0:1 ",
       false},
      {"a part of a name is no component",
       {"/ci/src/mycart.py"},
       diffOf("cart.py", "@@ -1 +1 @@\n-a\n+b\n"),
       "",
       false},
      {"each of two changed paths has its own",
       {"/ci/b.py", "/ci/a/b.py"},
       diffOf("b.py", "@@ -1 +1 @@\n-a\n+b\n") + diffOf("a/b.py", "@@ -1 +1 @@\n-a\n+b\n"),
       "t0:1 t1:1 ",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CoverageMap coverage = coverageOfFiles(c.files);
    ChangePlacer placer = startPlacing(coverage.testNames, &coverage);
    RunChange placed;
    ReadError error;
    ASSERT_TRUE(placeChange(placer, changeOf(c.diff), placed, error)) << error.reason;
    EXPECT_EQ(touchedOf(placed, coverage.testNames), c.touched);
    EXPECT_EQ(placer.tiedPaths.size(), c.tied ? 1U : 0U);
  }
}

// Both roots' lines move with the change, and a rename keeps each root.
TEST(Placement, CarriesEveryTiedFileAndIndexesARenameOnce) {
  CoverageMap coverage = coverageOfFiles({"/src/lib/app.py", "/build/lib/app.py"});
  coverage.files.push_back(fileOf("/src/other/app.py", {{5, {0}}}));
  ChangePlacer placer = startPlacing(coverage.testNames, &coverage);
  RunChange placed;
  ReadError error;
  ASSERT_TRUE(
      placeChange(placer,
                  changeOf("diff --git a/lib/app.py b/pkg/lib/app.py\nsimilarity index 90%\n"
                           "rename from lib/app.py\nrename to pkg/lib/app.py\n"
                           "--- a/lib/app.py\n+++ b/pkg/lib/app.py\n@@ -0,0 +1,2 @@\n"
                           "+a\n+b\n"),
                  placed, error));
  EXPECT_EQ(coverage.files[0].path, "/src/pkg/lib/app.py");
  EXPECT_EQ(coverage.files[1].path, "/build/pkg/lib/app.py");
  EXPECT_EQ(coverage.files[0].lines, (std::vector<long>{3}));
  EXPECT_EQ(coverage.files[1].lines, (std::vector<long>{3}));
  EXPECT_EQ(placer.filesOfBaseName["app.py"].size(), 3U);
  placer.tiedPaths.clear();
  ASSERT_TRUE(placeChange(placer, changeOf(diffOf("src/pkg/lib/app.py", "@@ -3 +3 @@\n-a\n+b\n")),
                          placed, error));
  EXPECT_EQ(touchedOf(placed, coverage.testNames), "t0:1 ");
  EXPECT_TRUE(placer.tiedPaths.empty());
}

// Edits no test of ours covers fall to the own-file and name rules: a
// docstring's doctest, a test file's new test, a file only a test gone from
// the next run covers.
TEST(Placement, PlacesUncoveredEditsByFilesAndNames) {
  const std::vector<std::string> names = {
      "tests.test_time.test_relative", "boltons.timeutils.relative_time",
      "tests.test_time.test_parse", "tests.test_cart.test_total"};
  CoverageMap coverage;
  coverage.testNames = {"tests/test_time.py::test_relative", "tests/test_time.py::test_parse",
                        "tests/test_cart.py::test_total"};
  coverage.linesOfTest = {2, 1, 2};
  coverage.files.push_back(fileOf("/ci/boltons/timeutils.py", {{10, {0}}, {11, {0}}}));
  coverage.files.push_back(fileOf("/ci/tests/test_time.py", {{3, {1}}}));
  coverage.files.push_back(fileOf("/ci/src/cart.py", {{7, {2}}}));
  struct Case {
    const char* what;
    std::string diff;
    std::vector<char> present;
    std::string touched;
    std::vector<std::string> unplaced;
  };
  const Case cases[] = {
      {"a docstring's doctest",
       diffOf("boltons/timeutils.py", "@@ -5 +5 @@\n-a\n+b\n"),
       {},
       "boltons.timeutils.relative_time:0 ",
       {}},
      {"covered code: its test alone",
       diffOf("boltons/timeutils.py", "@@ -10 +10 @@\n-a\n+b\n"),
       {},
       "tests.test_time.test_relative:1 ",
       {}},
      {"a new test in a test file the coverage knows",
       diffOf("tests/test_time.py", "@@ -20,0 +21,2 @@\n+a\n+b\n"),
       {},
       "tests.test_time.test_relative:0 tests.test_time.test_parse:0 ",
       {}},
      {"a line only a test gone from the next run covers",
       diffOf("src/cart.py", "@@ -7 +7 @@\n-a\n+b\n"),
       {1, 1, 1, 0},
       "",
       {"src/cart.py"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CoverageMap map = coverage;
    ChangePlacer placer = startPlacing(names, &map);
    placer.present = c.present;
    RunChange placed;
    ReadError error;
    ASSERT_TRUE(placeChange(placer, changeOf(c.diff), placed, error));
    EXPECT_EQ(touchedOf(placed, names), c.touched);
    EXPECT_EQ(placed.unplacedFiles, c.unplaced);
  }
}

// GoogleTest suites by their snake_case files, and by the files the
// runner's JSON listing names.
TEST(Placement, MatchesCamelCaseSuitesAndListedSources) {
  std::istringstream listing(
      R"({"tests":3,"name":"AllTests","testsuites":[)"
      R"({"name":"TerminalInputParserTest","tests":1,"testsuite":[)"
      R"({"name":"Parses","file":"/ci/term/tests/terminal_input_parser_test.cpp","line":9}]},)"
      R"({"name":"ScreenTest","tests":1,"testsuite":[{"name":"Draws","file":"tests/checks.cpp","line":4}]},)"
      R"({"name":"Rounds/RoundTest","tests":1,"testsuite":[)"
      R"({"name":"Halves/1","value_param":"0.5","file":"tests/round.cpp","line":3}]}]})");
  std::vector<std::string> names;
  std::vector<TestSource> sources;
  ReadError error;
  ASSERT_TRUE(readTestList(listing, names, sources, error)) << error.reason;
  EXPECT_EQ(names, (std::vector<std::string>{"TerminalInputParserTest.Parses", "ScreenTest.Draws",
                                             "Rounds/RoundTest.Halves/0.5"}));
  ASSERT_EQ(sources.size(), 3U);
  EXPECT_EQ(sources[1].file, "tests/checks.cpp");
  struct Case {
    const char* what;
    std::string path;
    std::string touched;
  };
  const Case cases[] = {
      {"its own test file", "term/tests/terminal_input_parser_test.cpp",
       "TerminalInputParserTest.Parses:0 "},
      {"the file its suite names", "src/terminal_input_parser.cpp",
       "TerminalInputParserTest.Parses:0 "},
      {"a suite name's own file", "screen_test.cpp", "ScreenTest.Draws:0 "},
      {"a suite name's tested file", "src/screen.h", "ScreenTest.Draws:0 "},
      {"the source the listing gives", "tests/checks.cpp", "ScreenTest.Draws:0 "},
      {"a file of another name", "src/input.cpp", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ChangePlacer placer = startPlacing(names, nullptr);
    addTestSources(placer, sources);
    RunChange placed;
    ASSERT_TRUE(
        placeChange(placer, changeOf(diffOf(c.path, "@@ -1 +1 @@\n-a\n+b\n")), placed, error));
    EXPECT_EQ(touchedOf(placed, names), c.touched);
  }
}

TEST(Placement, IgnoresThePathsThePatternsName) {
  struct Case {
    const char* pattern;
    const char* path;
    bool ignored;
  };
  const Case cases[] = {
      {"*.md", "README.md", true},
      {"*.md", "docs/deep/notes.md", true},
      {"*.md", "src/md.py", false},
      {"docs/", "docs/index.rst", true},
      {"docs/", "site/docs/a.txt", true},
      {"docs/", "docs", false},
      {".github/workflows/*.yml", ".github/workflows/ci.yml", true},
      {".github/workflows/*.yml", "x/.github/workflows/ci.yml", false},
      {".github/workflows/*.yml", ".github/workflows/sub/ci.yml", false},
      {"/CHANGELOG.md", "CHANGELOG.md", true},
      {"/CHANGELOG.md", "pkg/CHANGELOG.md", false},
      {"docs/**/*.png", "docs/a/b/c.png", true},
      {"docs/**/*.png", "docs/c.png", true},
      {"**/fixtures", "tests/fixtures/data.json", true},
      {"CHANGE?.txt", "CHANGES.txt", true},
      {"CHANGE?.txt", "CHANGE/.txt", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " " + c.path);
    EXPECT_EQ(ignoredPath({c.pattern}, c.path), c.ignored);
  }
  // Neither placed nor listed, unless a test has the file for its own.
  const std::vector<std::string> names = {"README.md.README.md", "tests.test_cart.test_total"};
  ChangePlacer placer = startPlacing(names, nullptr);
  placer.ignorePatterns = {"*.md", "*.rst"};
  RunChange placed;
  ReadError error;
  ASSERT_TRUE(placeChange(placer,
                          changeOf(diffOf("README.md", "@@ -1 +1 @@\n-a\n+b\n") +
                                   diffOf("docs/index.rst", "@@ -1 +1 @@\n-a\n+b\n") +
                                   diffOf("setup.cfg", "@@ -1 +1 @@\n-a\n+b\n")),
                          placed, error));
  EXPECT_EQ(touchedOf(placed, names), "README.md.README.md:0 ");
  EXPECT_EQ(placed.ignoredFiles, (std::vector<std::string>{"docs/index.rst"}));
  EXPECT_EQ(placed.unplacedFiles, (std::vector<std::string>{"setup.cfg"}));
  EXPECT_EQ(placed.changedLines, 4);
}

TEST(Placement, LeavesOutCodeOutsideTheProject) {
  CoverageMap coverage = coverageOfFiles(
      {"/usr/lib/python3/dist-packages/six/__init__.py", "/ci/.venv/lib/site-packages/a.py",
       "/usr/include/c++/12/vector", "/usr/local/lib/python3.12/os.py",
       "C:\\Program Files\\Python312\\Lib\\os.py", "/ci/shop/__init__.py", "/usr/src/app/lib.py",
       "/ci/usr/lib/x.py"});
  const OutsideCode left = leaveOutOutsideCode(coverage);
  EXPECT_EQ(left.files, 5);
  EXPECT_EQ(left.lines, 5);
  ASSERT_EQ(coverage.files.size(), 3U);
  EXPECT_EQ(coverage.files[0].path, "/ci/shop/__init__.py");
  EXPECT_EQ(coverage.linesOfTest, (std::vector<long>{0, 0, 0, 0, 0, 1, 1, 1}));
}

// Lines carried through diffs with insertions, deletions and a rename: each
// later change finds the covered lines where they now are.
TEST(Placement, CarriesLinesThroughSuccessiveDiffs) {
  CoverageMap coverage = cartCoverage();
  ChangePlacer placer = startPlacing(NAMES, &coverage);
  RunChange placed;
  ReadError error;
  // Three lines inserted after line 2, and line 11 deleted: 10 -> 13, 12 -> 14, 20 -> 22.
  ASSERT_TRUE(placeChange(placer,
                          changeOf(diffOf("src/cart.py",
                                          "@@ -2,0 +3,3 @@\n+a\n+b\n+c\n"
                                          "@@ -11 +13,0 @@\n-x\n")),
                          placed, error));
  EXPECT_EQ(coverage.files[0].lines, (std::vector<long>{13, 14, 22}));
  // Then renamed and changed at its new line 14, which held line 12.
  ASSERT_TRUE(
      placeChange(placer,
                  changeOf("diff --git a/src/cart.py b/src/basket.py\nsimilarity index 90%\n"
                           "rename from src/cart.py\nrename to src/basket.py\n"
                           "--- a/src/cart.py\n+++ b/src/basket.py\n@@ -14 +14 @@\n-a\n+b\n"),
                  placed, error));
  EXPECT_EQ(touchedOf(placed, NAMES), "tests.test_cart.test_total:1 ");
  EXPECT_EQ(coverage.files[0].path, "/home/ci/shop/src/basket.py");
  // And its line 22 (first line 20) deleted under the new name.
  ASSERT_TRUE(placeChange(placer, changeOf(diffOf("src/basket.py", "@@ -22 +21,0 @@\n-x\n")),
                          placed, error));
  EXPECT_EQ(
      touchedOf(placed, NAMES),
      "tests.test_cart.test_total:1 tests.test_cart.test_empty:1 tests.test_login.test_lockout:1 ");
  EXPECT_EQ(coverage.files[0].lines, (std::vector<long>{13, 14}));
}

// A copy (git diff -C -C) leaves its original's coverage where it was, and
// a later change to the original finds it; the copy is a file no test is
// known to depend on.
TEST(Placement, LeavesTheCoverageWithACopysOriginal) {
  CoverageMap coverage = cartCoverage();
  ChangePlacer placer = startPlacing(NAMES, &coverage);
  RunChange placed;
  ReadError error;
  ASSERT_TRUE(placeChange(placer,
                          changeOf("diff --git a/src/cart.py b/src/cart_copy.py\n"
                                   "similarity index 90%\ncopy from src/cart.py\n"
                                   "copy to src/cart_copy.py\n--- a/src/cart.py\n"
                                   "+++ b/src/cart_copy.py\n@@ -11 +11 @@\n-a\n+b\n"),
                          placed, error));
  EXPECT_EQ(touchedOf(placed, NAMES), "");
  EXPECT_EQ(placed.unplacedFiles, (std::vector<std::string>{"src/cart_copy.py"}));
  EXPECT_EQ(coverage.files[0].path, "/home/ci/shop/src/cart.py");
  ASSERT_TRUE(placeChange(placer, changeOf(diffOf("src/cart.py", "@@ -11 +11 @@\n-a\n+b\n")),
                          placed, error));
  EXPECT_EQ(touchedOf(placed, NAMES), "tests.test_cart.test_total:1 ");
  EXPECT_TRUE(placed.unplacedFiles.empty());
}

// The patches of a mailbox placed one after another: the second's line 13
// is the first line 10, as the first patch put three lines above it.
TEST(Placement, PlacesEachPatchOfAMailboxWhereTheOnesBeforeLeftTheLines) {
  const auto patch = [](char hash, const std::string& path, const std::string& hunks) {
    return "From " + std::string(40, hash) + " Mon Sep 17 00:00:00 2001\nSubject: x\n\n---\n" +
           "diff --git a/" + path + " b/" + path + "\n--- a/" + path + "\n+++ b/" + path + "\n" +
           hunks + "-- \n2.39.5\n\n";
  };
  CoverageMap coverage = cartCoverage();
  ChangePlacer placer = startPlacing(NAMES, &coverage);
  RunChange placed;
  ReadError error;
  ASSERT_TRUE(placeChange(placer,
                          changeOf(patch('1', "src/cart.py", "@@ -2,0 +3,3 @@\n+a\n+b\n+c\n") +
                                   patch('2', "src/cart.py", "@@ -13 +13 @@\n-a\n+b\n")),
                          placed, error));
  EXPECT_EQ(touchedOf(placed, NAMES), "tests.test_cart.test_total:1 tests.test_cart.test_empty:1 ");
  EXPECT_EQ(placed.changedLines, 5);
  EXPECT_EQ(coverage.files[0].lines, (std::vector<long>{13, 14, 15, 23}));

  // Patches that change one file twice place it, on the lines the earlier
  // patches left, and keep the lines those carried.
  coverage.files.push_back(fileOf("/home/ci/shop/tests/login.py", {{1, {2}}}));
  placer = startPlacing(NAMES, &coverage);
  EXPECT_TRUE(placeChange(placer,
                          changeOf(patch('1', "src/cart.py", "@@ -2,0 +3 @@\n+a\n") +
                                   patch('2', "login.py", "@@ -1 +1 @@\n-a\n+b\n") +
                                   patch('3', "login.py", "@@ -1 +1 @@\n-b\n+c\n")),
                          placed, error));
  EXPECT_EQ(coverage.files[0].lines, (std::vector<long>{14, 15, 16, 24}));
  EXPECT_TRUE(placed.unplacedFiles.empty());
}

}  // namespace

namespace {

// The map of lines and tests, from each per-test coverage format, and the
// refusals.
TEST(CoverageMapReading, ReadsEachFormatAndRefusesWhatIsNotAMap) {
  struct Case {
    const char* what;
    std::string text;
    std::string map;  // each file's lines with their tests; empty: refused
    std::string refusal;
  };
  const Case cases[] = {
      {"coverage.py contexts, a test's phases one test",
       R"({"files":{"src/cart.py":{"contexts":{"3":["t.py::a|run","t.py::b"],"1":["t.py::a|setup",""]}}}})",
       "src/cart.py 1:a 3:a,b", ""},
      {"lcov with a test a TN:",
       "TN:a\nSF:/x/cart.c\nDA:2,1\nDA:5,0\nend_of_record\nTN:b\nSF:/x/cart.c\nDA:2,3\n"
       "end_of_record\n",
       "/x/cart.c 2:a,b", ""},
      {"lcov with a baseline's record of no test, left out",
       "TN:\nSF:/x/cart.c\nDA:9,1\nend_of_record\nTN:a\nSF:/x/cart.c\nDA:2,1\nend_of_record\n",
       "/x/cart.c 2:a", ""},
      {"a line that is not a number", R"({"files":{"a.py":{"contexts":{"abc":["t"]}}}})", "",
       "a covered line's number is not a line number from 1 up: \"a.py:abc\""},
      {"a line past any file's",
       R"({"files":{"a.py":{"contexts":{"99999999999999999999":["t"]}}}})", "",
       "a covered line's number is not a line number from 1 up: \"a.py:99999999999999999999\""},
      // A line's key is read as a line alone, never split from a path.
      {"a line that holds a colon", R"({"files":{"a.py":{"contexts":{"b:5":["t"]}}}})", "",
       "a covered line's number is not a line number from 1 up: \"a.py:b:5\""},
      {"a path that holds colons", R"({"files":{"C:/x:y.py":{"contexts":{"5":["t"]}}}})",
       "C:/x:y.py 5:t", ""},
      {"no test contexts", R"({"files":{"a.py":{"contexts":{"1":[""]}}}})", "",
       "the report has no test contexts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::istringstream in(c.text);
    CoverageMap map;
    ReadError error;
    const bool read = readCoverageMap(in, map, error);
    EXPECT_EQ(read, c.refusal.empty()) << error.reason;
    if (!read) {
      EXPECT_EQ(error.reason.substr(0, c.refusal.size()), c.refusal);
      continue;
    }
    std::string text;
    for (const CoveredFile& file : map.files) {
      text += file.path;
      for (std::size_t at = 0; at < file.lines.size(); ++at) {
        text += " " + std::to_string(file.lines[at]) + ":";
        for (std::size_t one = file.first[at]; one < file.first[at + 1]; ++one) {
          const std::string& name = map.testNames[static_cast<std::size_t>(file.tests[one])];
          text += (one == file.first[at] ? "" : ",") + name.substr(name.rfind(':') + 1);
        }
      }
    }
    EXPECT_EQ(text, c.map);
  }
}

}  // namespace

namespace {

// Of a history in a folder made from the files given, which tests the next
// change touches once the coverage is carried through every run's diff.
struct HistoryPlaced {
  std::vector<std::string> touchedByRun;  // by run read
  std::string next;
  int snapshotsRead = 0;
};

// Writes the files into a fresh folder and reads it as a history.
History historyOf(const std::string& folder,
                  const std::vector<std::pair<std::string, std::string>>& files) {
  std::filesystem::remove_all(folder);
  for (const auto& [name, content] : files) {
    std::filesystem::create_directories(std::filesystem::path(folder + name).parent_path());
    std::ofstream(folder + name) << content;
  }
  History history;
  ReadError error;
  EXPECT_TRUE(readJunitPath(folder, history, error)) << error.file << ": " << error.reason;
  return history;
}

std::unique_ptr<CoverageMap> coverageOf(const std::string& text) {
  auto map = std::make_unique<CoverageMap>();
  std::istringstream in(text);
  ReadError error;
  EXPECT_TRUE(readCoverageMap(in, *map, error)) << error.reason;
  return map;
}

// Each covered line of the map and the tests on it: "src/f.c 3:t.a 8:t.b".
std::string linesOf(const CoverageMap& map) {
  std::string text;
  for (const CoveredFile& file : map.files) {
    text += file.path;
    for (std::size_t at = 0; at < file.lines.size(); ++at) {
      text += " " + std::to_string(file.lines[at]) + ":";
      for (std::size_t one = file.first[at]; one < file.first[at + 1]; ++one) {
        text += (one == file.first[at] ? "" : ",") +
                map.testNames[static_cast<std::size_t>(file.tests[one])];
      }
    }
  }
  return text;
}

HistoryPlaced placeOnHistory(const std::string& folder,
                             const std::vector<std::pair<std::string, std::string>>& files,
                             const std::string& coverage, const std::string& nextDiff) {
  const History history = historyOf(folder, files);
  HistoryChangeInputs inputs;
  inputs.names = &history.keys;
  inputs.coverage = coverageOf(coverage);
  CarriedChanges carried = carryHistoryChanges(history, std::move(inputs));
  EXPECT_TRUE(carried.diffsLeftOut.empty() && carried.snapshotsLeftOut.empty());
  HistoryPlaced placed;
  placed.snapshotsRead = carried.snapshotsRead;
  for (const RunChange& change : carried.runs)
    placed.touchedByRun.push_back(touchedOf(change, history.keys));
  RunChange next;
  ReadError error;
  EXPECT_TRUE(placeNextChange(carried, nullptr, changeOf(nextDiff), next, error)) << error.reason;
  placed.next = touchedOf(next, history.keys);
  return placed;
}

const std::string RAN =
    "<testsuite><testcase classname=\"t\" name=\"a\"/>"
    "<testcase classname=\"t\" name=\"b\"/></testsuite>\n";
// t.a covers line 3 of f.c, t.b line 8.
const std::string COVERAGE =
    "TN:t.a\nSF:src/f.c\nDA:3,1\nend_of_record\nTN:t.b\nSF:src/f.c\nDA:8,1\nend_of_record\n";
// Five lines inserted at the top.
const std::string INSERTED = diffOf("src/f.c", "@@ -0,0 +1,5 @@\n+1\n+2\n+3\n+4\n+5\n");
// The line a's old line 3 is at after one insertion, changed.
const std::string NEXT_AT_8 = diffOf("src/f.c", "@@ -8 +8 @@\n-x\n+y\n");

// A run whose results do not count still moved the code: its diff is
// carried whether its report was cut short, ran nothing or came in shards
// beside a whole-run report, and a run's diff is carried once.
TEST(Placement, CarriesTheCoverageThroughEveryRunsDiff) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> run2;
    std::size_t runsRead;
  };
  const Case cases[] = {
      {"read", {{"run-2.xml", RAN}}, 3},
      {"cut short", {{"run-2.xml", "<testsuite><testcase name=\"a\""}}, 2},
      {"nothing ran", {{"run-2.xml", "<testsuite tests=\"0\"/>\n"}}, 2},
      {"a folder without a report", {{"run-2/notes.txt", "cancelled\n"}}, 2},
      {"whole and shard reports", {{"run-2.xml", RAN}, {"run-2-shard-1.xml", RAN}}, 3},
      {"shard folders", {{"run-2-shard-1/a.xml", RAN}, {"run-2-shard-2/b.xml", RAN}}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::pair<std::string, std::string>> files = {
        {"run-1.xml", RAN}, {"run-2.diff", INSERTED}, {"run-3.xml", RAN}};
    files.insert(files.end(), c.run2.begin(), c.run2.end());
    const HistoryPlaced placed =
        placeOnHistory(testing::TempDir() + "antorder-carried/", files, COVERAGE, NEXT_AT_8);
    EXPECT_EQ(placed.touchedByRun.size(), c.runsRead);
    EXPECT_EQ(placed.next, "t.a:1 ");
  }
}

// A snapshot stored with a run replaces the coverage carried to it, from
// that run on; the runs before it still learn from their diffs.
TEST(Placement, TakesARunsCoverageSnapshotFromItsRunOn) {
  // Run 2 replaces a's line 3 with six lines, run 3 inserts five at the
  // top: carried, a is at 8 and b at 18 by then. The snapshot at run 3 says
  // a is at 3 and b at 8, as the code was rewritten.
  const std::string replaced = diffOf("src/f.c", "@@ -3 +3,6 @@\n-x\n+1\n+2\n+3\n+4\n+5\n+6\n");
  for (const char* snapshot : {"coverage-3.info", "run-3/coverage.info"}) {
    SCOPED_TRACE(snapshot);
    const bool folder = std::string(snapshot).find('/') != std::string::npos;
    const HistoryPlaced placed =
        placeOnHistory(testing::TempDir() + "antorder-snapshot/",
                       {{"run-1.xml", RAN},
                        {"run-2.xml", RAN},
                        {"run-2.diff", replaced},
                        {folder ? "run-3/r.xml" : "run-3.xml", RAN},
                        {folder ? "run-3/changes.diff" : "run-3.diff", INSERTED},
                        {snapshot, COVERAGE}},
                       COVERAGE, NEXT_AT_8);
    EXPECT_EQ(placed.snapshotsRead, 1);
    EXPECT_EQ(placed.touchedByRun, (std::vector<std::string>{"", "t.a:1 ", ""}));
    EXPECT_EQ(placed.next, "t.b:1 ");
  }
}

// Carried in one call, the coverage ends where placing each run's diff in
// turn leaves it, whether or not a run's results count; a run read places
// its diff, a run left out does not.
TEST(Placement, CarriesTheHistorysCoverageAsEachDiffInTurn) {
  const std::string diffs[] = {
      INSERTED,  // a at 8, b at 13
      // Two lines inserted above b's line, which is replaced: b at 15.
      diffOf("src/f.c", "@@ -10,0 +11,2 @@\n+p\n+q\n@@ -13 +15 @@\n-x\n+y\n"),
      // a's line, replaced one for one, and two lines above it deleted: a at
      // 6, b at 13.
      diffOf("src/f.c", "@@ -1,2 +0,0 @@\n-1\n-2\n@@ -8 +6 @@\n-x\n+y\n"),
  };
  CoverageMap byHand = *coverageOf(COVERAGE);
  ChangePlacer placer = startPlacing(byHand.testNames, &byHand);
  for (const std::string& diff : diffs) {
    RunChange placed;
    ReadError error;
    ASSERT_TRUE(placeChange(placer, changeOf(diff), placed, error));
  }
  ASSERT_EQ(linesOf(byHand), "src/f.c 6:t.a 13:t.b");
  struct Case {
    const char* what;
    std::string run2;
    std::vector<std::string> touchedByRun;
  };
  const Case cases[] = {
      {"every run read", RAN, {"", "t.b:1 ", "t.a:1 "}},
      {"run 2 cut short", "<testsuite><testcase name=\"a\"", {"", "t.a:1 "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const History history =
        historyOf(testing::TempDir() + "antorder-carried-end/", {{"run-1.xml", RAN},
                                                                 {"run-1.diff", diffs[0]},
                                                                 {"run-2.xml", c.run2},
                                                                 {"run-2.diff", diffs[1]},
                                                                 {"run-3.xml", RAN},
                                                                 {"run-3.diff", diffs[2]}});
    HistoryChangeInputs inputs;
    inputs.names = &history.keys;
    inputs.coverage = coverageOf(COVERAGE);
    const CarriedChanges carried = carryHistoryChanges(history, std::move(inputs));
    ASSERT_NE(carried.coverage, nullptr);
    EXPECT_EQ(linesOf(*carried.coverage), linesOf(byHand));
    std::vector<std::string> touched;
    for (const RunChange& change : carried.runs) touched.push_back(touchedOf(change, history.keys));
    EXPECT_EQ(touched, c.touchedByRun);
  }
}

// The coverage given is matched to the names before any snapshot, and the
// next change lands on the tests the next run lists alone.
TEST(Placement, MatchesTheGivenCoverageAndPlacesTheNextChangeOnListedTests) {
  const History history =
      historyOf(testing::TempDir() + "antorder-carried-given/", {{"run-1.xml", RAN}});
  const std::vector<std::string> names = {"t.a", "t.b"};
  HistoryChangeInputs inputs;
  inputs.names = &names;
  inputs.coverage = coverageOf(COVERAGE + "TN:other.c\nSF:src/f.c\nDA:3,1\nend_of_record\n");
  CarriedChanges carried = carryHistoryChanges(history, std::move(inputs));
  EXPECT_EQ(carried.given.tests, 3U);
  EXPECT_EQ(carried.given.unmatched, std::vector<std::string>{"other.c"});
  EXPECT_TRUE(carried.runs.empty());  // no run keeps a diff
  const std::string onBoth = diffOf("src/f.c", "@@ -3 +3 @@\n-x\n+y\n@@ -8 +8 @@\n-x\n+y\n");
  const std::vector<std::string> listed = {"t.b"};
  RunChange next;
  ReadError error;
  ASSERT_TRUE(placeNextChange(carried, &listed, changeOf(onBoth), next, error));
  EXPECT_EQ(touchedOf(next, names), "t.b:1 ");
}

}  // namespace
