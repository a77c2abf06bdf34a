// Placing changes on tests: by covered lines, own files and names; the
// refusal of an ambiguous path; the lines carried through a sequence of
// diffs; and the runs of a history placed in order.

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "change/placement.h"

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
      {"an uncovered line of a known file touches none",
       diffOf("src/cart.py", "@@ -30 +30 @@\n-a\n+b\n"),
       true,
       "",
       {"src/cart.py"}},
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
  EXPECT_EQ(placer.keyOfCoverageTest, (std::vector<int>{0, -1, -1}));
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

TEST(Placement, RefusesAPathTwoCoverageFilesMatchAlike) {
  CoverageMap coverage = cartCoverage();
  coverage.files.push_back(fileOf("/home/ci/shop/tests/cart.py", {{1, {0}}}));
  ChangePlacer placer = startPlacing(NAMES, &coverage);
  RunChange placed;
  ReadError error;
  EXPECT_FALSE(
      placeChange(placer, changeOf(diffOf("cart.py", "@@ -1 +1 @@\n-a\n+b\n")), placed, error));
  EXPECT_EQ(error.reason,
            "the changed file cart.py matches two files of the coverage alike: "
            "/home/ci/shop/src/cart.py and /home/ci/shop/tests/cart.py");
  // A longer ending tells them apart.
  EXPECT_TRUE(
      placeChange(placer, changeOf(diffOf("src/cart.py", "@@ -1 +1 @@\n-a\n+b\n")), placed, error));
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
  EXPECT_EQ(coverage.files[0].path, "src/basket.py");
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

  // A later patch that cannot be placed leaves the coverage as it was.
  coverage.files.push_back(fileOf("/home/ci/shop/tests/login.py", {{1, {2}}}));
  placer = startPlacing(NAMES, &coverage);
  EXPECT_FALSE(placeChange(placer,
                           changeOf(patch('1', "src/cart.py", "@@ -2,0 +3 @@\n+a\n") +
                                    patch('2', "login.py", "@@ -1 +1 @@\n-a\n+b\n")),
                           placed, error));
  EXPECT_EQ(coverage.files[0].lines, (std::vector<long>{13, 14, 15, 23}));
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
