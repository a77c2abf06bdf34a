// How a coverage report's test names meet a history's keys: parametrised
// tests, methods inherited from a mixin, lcov's rewritten names; and the one
// key pytest's JUnit report and its collection give a doctest.

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reading/junit_history.h"
#include "runners/runners.h"
#include "suite/test_names.h"

using namespace antorder;

namespace {

TEST(CoverageNames, MatchEachNameToTheKeysItStandsFor) {
  const std::vector<std::string> keys = {
      "tests.test_shop.test_param[1]",          // 0
      "tests.test_shop.test_param[2]",          // 1
      "tests.test_shop.TestOne.test_imported",  // 2
      "tests.test_shop.TestOne.test_x",         // 3
      "tests.test_shop.TestTwo.test_x",         // 4
      "tests.test_other.TestThree.test_x",      // 5
      "tests.test_other.TestDirect.test_x",     // 6
      "ButtonTest.Basic",                       // 7
      "A.B_C",                                  // 8
      "A_B.C",                                  // 9
      "tests.test_shop.TestOne.test_p[a]",      // 10
      "tests.test_shop.TestOne.test_p[b]",      // 11
      "pkg.mod",                                // 12
      "pkg.mod.pkg.mod.func",                   // 13
      "tests.test_b.test_x",                    // 14: a function, not a method
  };
  const struct {
    const char* name;
    std::vector<int> keys;
  } cases[] = {
      {"tests.test_shop.test_param", {0, 1}},
      {"test_shop.test_param", {0, 1}},
      {"tests/test_shop.py::test_param[1]", {0}},
      {"TestOne.test_p", {10, 11}},
      {"tests/test_shop.py::TestOne::test_p[b]", {11}},
      // The same module's concrete classes, never one the coverage names itself.
      {"tests.test_shop.BaseTestMixin.test_x", {3, 4}},
      {"tests.test_other.TestDirect.test_x", {6}},
      // A mixin of another module: each class's method, wherever it is.
      {"tests.mixins.ImportedMixin.test_imported", {2}},
      {"tests.mixins.OtherMixin.test_x", {3, 4, 5}},
      {"ButtonTest_Basic", {7}},
      {"A_B_C", {}},
      {"pkg/mod.py::pkg.mod", {12}},
      {"pkg/mod.py::pkg.mod.func", {13}},
      {"tests.test_gone.test_x", {}},
      {"tests.test_gone.TestGone.test_nothing", {}},
      {"tests.test_shop.test_param[3]", {}},
  };
  std::vector<std::string> names;
  for (const auto& c : cases) names.emplace_back(c.name);
  const CoverageNameMatch match = matchCoverageNames(keys, names);
  ASSERT_EQ(match.keysOfTest.size(), names.size());
  for (std::size_t at = 0; at < names.size(); ++at) {
    SCOPED_TRACE(names[at]);
    EXPECT_EQ(match.keysOfTest[at], cases[at].keys);
  }
  // Two keys that lcov writes alike: the name matches neither, and says which.
  ASSERT_EQ(match.lcovTies.size(), 1U);
  EXPECT_EQ(names[static_cast<std::size_t>(match.lcovTies[0].test)], "A_B_C");
  EXPECT_EQ(match.lcovTies[0].first, 8);
  EXPECT_EQ(match.lcovTies[0].second, 9);
}

TEST(CoverageNames, KeysNodeIdsAsPytestsJunitReportDoes) {
  const std::pair<const char*, const char*> keys[] = {
      {"pkg/mod.py::pkg.mod", "pkg.mod"},
      {"pkg/mod.py::pkg.mod.func", "pkg.mod.pkg.mod.func"},
      {"t.py::C::test_p[a::b]", "t.C.test_p[a::b]"},
      {"t.py::test_p[a::b]", "t.test_p[a::b]"},
      {"a/b.py::C::D::test", "a.b.C.D.test"},
  };
  for (const auto& [name, key] : keys) {
    SCOPED_TRACE(name);
    EXPECT_EQ(junitKeyOf(name), key);
  }
  EXPECT_EQ(lcovTestName("Suite/Param.Test/0<int>"), "Suite_Param_Test_0_int_");
}

// pytest 7's own output for a package with doctests (pytest --doctest-modules
// --junitxml, and --collect-only -q): both name each test by one key.
TEST(CoverageNames, GivesADoctestOneKeyFromTheReportAndTheCollection) {
  std::istringstream report(
      R"(<?xml version="1.0" encoding="utf-8"?><testsuites><testsuite name="pytest" errors="0" )"
      R"(failures="0" skipped="0" tests="4" time="0.057"><testcase classname="pkg.mod" )"
      R"(name="pkg.mod" time="0.009" /><testcase classname="pkg.mod" name="pkg.mod.Thing" )"
      R"(time="0.001" /><testcase classname="pkg.mod" name="pkg.mod.Thing.meth" )"
      R"(time="0.001" /><testcase classname="pkg.mod" name="pkg.mod.func" time="0.001" />)"
      R"(</testsuite></testsuites>)");
  History history;
  ReadError error;
  ASSERT_TRUE(readJunitReport(report, "r.xml", "r", history, error)) << error.reason;
  std::istringstream collected(
      "pkg/mod.py::pkg.mod\npkg/mod.py::pkg.mod.Thing\npkg/mod.py::pkg.mod.Thing.meth\n"
      "pkg/mod.py::pkg.mod.func\n\n4 tests collected in 0.02s\n");
  std::vector<std::string> listed;
  ASSERT_TRUE(readTestList(collected, listed, error)) << error.reason;
  EXPECT_EQ(listed, history.keys);
  EXPECT_EQ(listed.front(), "pkg.mod");
}

}  // namespace
