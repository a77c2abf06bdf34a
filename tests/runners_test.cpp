// Each runner's names: the unit a JUnit 5 or Jest test is ordered by, the
// affixes that tie a test to the file it tests, and a Jest test's change
// placed by its file.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "change/placement.h"
#include "reading/junit_history.h"
#include "runners/runners.h"

using namespace antorder;

namespace {

TEST(Runners, Junit5TestsGoByTheirClassAsSurefireNamesIt) {
  struct Case {
    const char* key;
    const char* unit;
  };
  const Case cases[] = {
      {"shop.CartTest.adds", "shop.CartTest"},
      {"CartTest.adds", "CartTest"},
      // Parameterised: the arguments' types and the invocation's index, with
      // dots of their own.
      {"shop.CartTest.sums(int, int)[1]", "shop.CartTest"},
      {"shop.CartTest.rounds(java.math.BigDecimal)[2]", "shop.CartTest"},
      {"shop.CartTest.sums(int, int)[3] 1.5, 2.5", "shop.CartTest"},
      // Nested classes, as Surefire writes their classname.
      {"shop.CartTest$WhenEmpty.totalIsZero", "shop.CartTest$WhenEmpty"},
      {"shop.CartTest$WhenEmpty$AndClosed.refuses()", "shop.CartTest$WhenEmpty$AndClosed"},
      // Display names: words, dots and digits after the class.
      {"shop.CartTest.adds two items.", "shop.CartTest"},
      {"shop.CartTest.1.5 rounds up", "shop.CartTest"},
      {"shop.CartTest.[1] first", "shop.CartTest"},
      {"shop.ÜberTest.größe", "shop.ÜberTest"},
      // No class at all: the key stands alone.
      {"adds", "adds"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(junit5ClassOf(c.key), c.unit);
  }
}

TEST(Runners, JestTestsGoByTheirFile) {
  struct Case {
    const char* key;
    const char* file;  // the report's file attribute
    const char* unit;
  };
  const Case cases[] = {
      // jest-junit's classname {filepath}, then the describe chain and title.
      {"src/cart.test.js.Cart adds an item", "", "src/cart.test.js"},
      {"src/cart.test.js.Cart when empty totals 0", "", "src/cart.test.js"},
      {"cart.spec.ts.Cart.total rounds 1.5 up", "", "cart.spec.ts"},
      {"src/ui/button.test.tsx.Button renders", "", "src/ui/button.test.tsx"},
      {"__tests__/cart.js.Cart adds", "", "__tests__/cart.js"},
      {"lib/cart.test.mjs.adds", "", "lib/cart.test.mjs"},
      // A title naming another file does not end the path early.
      {"src/app.test.js.loads config.js first", "", "src/app.test.js"},
      // The report's file wins over the key.
      {"Cart adds an item", "src/cart.test.js", "src/cart.test.js"},
      // Not Jest's: a Python module named js, a file without a title.
      {"tests.js.test_bundle.test_size", "", "tests.js.test_bundle.test_size"},
      {"src/cart.test.js", "", "src/cart.test.js"},
      {"CartTest.adds", "", "CartTest.adds"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(jestFileOf(c.key, c.file), c.unit);
  }
}

// Each runner's row: one name, a unit the order knows, and a rule for the
// unit exactly where the unit is coarser than the test.
TEST(Runners, EachRowIsWellFormed) {
  std::set<std::string> names;
  for (const Runner* runner : runners()) {
    SCOPED_TRACE(runner->name);
    EXPECT_TRUE(names.insert(runner->name).second) << "named twice";
    EXPECT_EQ(runnerNamed(runner->name), runner);
    const std::string unit = runner->unit;
    EXPECT_TRUE(unit == "test" || unit == "class" || unit == "file") << unit;
    EXPECT_EQ(runner->unitOf != nullptr, unit != "test");
    if (runner->nameAffixes != nullptr) {
      for (const NameAffix& affix : runner->nameAffixes()) EXPECT_NE(*affix.text, '\0');
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{"ctest", "gtest", "pytest", "junit5", "jest"}));
  EXPECT_EQ(runnerNamed("JUnit5"), nullptr);
  EXPECT_EQ(runnerNamed(""), nullptr);
}

TEST(Runners, TestFilesNameTheFilesTheyTest) {
  struct Case {
    const char* name;
    std::string (*stemOf)(const std::string&);
    const char* stem;
  };
  const Case cases[] = {
      {"test_cart", testedStem, "cart"},
      {"cart_test", testedStem, "cart"},
      {"cart_tests", testedStem, "cart"},
      {"CartTest", testedStem, "Cart"},
      {"CartTests", testedStem, "Cart"},
      {"TestCart", testedStem, "Cart"},
      {"Test", testedStem, ""},
      {"test_", testedStem, ""},
      {"Cart", testedStem, ""},
      // pytest's affix comes first: the name tests cart_test, not test_cart.
      {"test_cart_test", testedStem, "cart_test"},
      {"cart.test.js", jestTestedStem, "cart"},
      {"cart.spec.ts", jestTestedStem, "cart"},
      {"cart.test.tsx", jestTestedStem, "cart"},
      {"cart.js", jestTestedStem, ""},
      {".test.js", jestTestedStem, ""},
      {"cart.test.py", jestTestedStem, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.stemOf(c.name), c.stem);
  }
}

// Surefire writes a report a class, TEST-<class>.xml: a folder of them is
// one run, and each key goes back to the class its report names.
TEST(Runners, ASurefireFolderIsOneRunOfItsClasses) {
  const std::string folder = testing::TempDir() + "antorder-surefire/";
  std::filesystem::remove_all(folder);
  for (const char* run : {"run-0041", "run-0042"}) {
    std::filesystem::create_directories(folder + run);
    std::ofstream(folder + run + "/TEST-shop.CartTest.xml")
        << "<testsuite name=\"shop.CartTest\">"
           "<testcase name=\"adds\" classname=\"shop.CartTest\" time=\"0.1\"/>"
           "<testcase name=\"sums(int, int)[1]\" classname=\"shop.CartTest\" time=\"0.1\"/>"
           "<testcase name=\"sums(int, int)[2]\" classname=\"shop.CartTest\" time=\"0.1\">"
           "<failure message=\"1.5 != 2\"/></testcase></testsuite>\n";
    std::ofstream(folder + run + "/TEST-shop.CartTest$WhenEmpty.xml")
        << "<testsuite><testcase name=\"totals 0.0\" classname=\"shop.CartTest$WhenEmpty\" "
           "time=\"0.2\"/></testsuite>\n";
  }
  History history;
  ReadError error;
  ASSERT_TRUE(readJunitPath(folder, history, error, 2)) << error.reason;
  ASSERT_EQ(history.runs.size(), 2U);
  EXPECT_EQ(history.runs[1].name, "run-0042");
  EXPECT_EQ(history.runs[1].results.size(), 4U);
  std::vector<std::string> units;
  for (const std::string& key : history.keys) units.push_back(junit5ClassOf(key));
  std::sort(units.begin(), units.end());
  EXPECT_EQ(units, (std::vector<std::string>{"shop.CartTest", "shop.CartTest", "shop.CartTest",
                                             "shop.CartTest$WhenEmpty"}));
  std::filesystem::remove_all(folder);
}

// jest-junit, configured as the docs say, names each test by its file and
// describe chain, and gives its file; the latest run's file stands.
TEST(Runners, AJestReportGivesEachTestItsFile) {
  History history;
  ReadError error;
  for (const char* file : {"src/old/cart.test.js", "src/cart.test.js"}) {
    std::istringstream report(
        std::string("<testsuites><testsuite name=\"Cart\">"
                    "<testcase classname=\"src/cart.test.js\" name=\"Cart when empty totals 0\" "
                    "time=\"0.01\" file=\"") +
        file +
        "\"/><testcase classname=\"src/a.test.js\" name=\"a\" time=\"0\"/>"
        "</testsuite></testsuites>\n");
    ASSERT_TRUE(readJunitReport(report, "jest.xml", "run", history, error)) << error.reason;
  }
  ASSERT_EQ(history.keys.size(), 2U);
  EXPECT_EQ(history.keys[0], "src/cart.test.js.Cart when empty totals 0");
  ASSERT_EQ(history.fileOfKey.size(), 1U);
  EXPECT_EQ(history.fileOfKey.at(0), "src/cart.test.js");
  EXPECT_EQ(jestFileOf(history.keys[0], history.fileOfKey.at(0)), "src/cart.test.js");
  EXPECT_EQ(jestFileOf(history.keys[1]), "src/a.test.js");
}

// The names of the touched tests.
std::string touchedByChange(const RunChange& placed, const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t at = 0; at < placed.keys.size(); ++at) {
    if (placed.signals[at].touched) text += names[static_cast<std::size_t>(placed.keys[at])] + " ";
  }
  return text;
}

TEST(Runners, TestsArePlacedByTheirRunnersFileRules) {
  const std::vector<std::string> names = {"src/cart.test.js.Cart adds",
                                          "src/price.spec.ts.Price rounds",
                                          "tests.test_login.test_lockout", "shop.OrderTest.adds"};
  struct Case {
    const char* path;
    const char* touched;
  };
  const Case cases[] = {
      {"src/cart.test.js", "src/cart.test.js.Cart adds "},
      {"src/cart.js", "src/cart.test.js.Cart adds "},
      {"lib/price.ts", "src/price.spec.ts.Price rounds "},
      {"tests/test_login.py", "tests.test_login.test_lockout "},
      {"src/other.js", ""},
      // JUnit 5's affix, from its row: OrderTest tests Order.java.
      {"src/main/java/shop/Order.java", "shop.OrderTest.adds "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ChangePlacer placer = startPlacing(names, nullptr);
    const std::string diff =
        std::string("--- a/") + c.path + "\n+++ b/" + c.path + "\n@@ -1 +1 @@\n-a\n+b\n";
    std::istringstream in(diff);
    Change change;
    ReadError error;
    ASSERT_TRUE(readDiff(in, change, error)) << error.reason;
    RunChange placed;
    ASSERT_TRUE(placeChange(placer, change, placed, error)) << error.reason;
    EXPECT_EQ(touchedByChange(placed, names), c.touched);
  }
}

}  // namespace
