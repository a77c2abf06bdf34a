#pragma once

// What each test runner needs, a file a runner: how its listing of the next
// run's tests is read, how its names map to the history's keys and to its
// unit of order, the affixes that tie its test files to the files they test,
// and what it writes.
//
// The tests of the next run, as a test runner lists them, told apart by
// their content:
// - ctest --show-only=json-v1: a JSON document whose "tests" have names;
// - pytest --collect-only -q: a node id a line, then a blank line and the
//   count; each becomes the key pytest's --junitxml gives it;
// - a GoogleTest binary's --gtest_list_tests --gtest_output=json:FILE: the
//   JSON's "testsuites", each test's source file kept;
// - a GoogleTest binary's --gtest_list_tests: "Suite." lines, each followed
//   by its tests indented, named as gtest_discover_tests names them by
//   default: a typed test by its TypeParam (Suite.Test<int>), a
//   value-parameterised one by its GetParam() (Prefix/Suite.Test/1);
// - otherwise a name a line.
// pytest's collection without -q or with -qq, and ctest's text listing, are
// refused with the way to list the tests as read here. Blank lines are
// skipped, a name given twice counts once, and a name with a control
// character is refused with its line.

#include <cstdio>
#include <istream>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "history/history.h"
#include "suite/suite_builder.h"

namespace antorder {

// A listed test and the source file that holds it, where the listing says.
struct TestSource {
  std::string test;
  std::string file;
};

// The file named in UTF-8, or standard input for "-". False, with the line
// and the reason, where the file cannot be read or holds no test.
bool readTestList(const std::string& path, std::vector<std::string>& names, ReadError& error);

// The same, with the tests' source files where the listing gives them.
bool readTestList(const std::string& path, std::vector<std::string>& names,
                  std::vector<TestSource>& sources, ReadError& error);
bool readTestList(std::istream& in, std::vector<std::string>& names,
                  std::vector<TestSource>& sources, ReadError& error);

// The same from a stream.
bool readTestList(std::istream& in, std::vector<std::string>& names, ReadError& error);

// What a runner's test names add to the name of what they test, at the
// front or the end.
struct NameAffix {
  const char* text;
  bool front;
};

// A test name's part without what marks it a test, by the first of the
// runners' affixes it has: test_cart, cart_test, CartTest, CartTests and
// TestCart give cart or Cart; empty for a part that has no such mark.
std::string testedStem(const std::string& part);

// The text after `prefix`, or null where the text does not start with it.
const char* textAfter(const std::string& text, const char* prefix);

// Past the digits at `at`; null where there are none.
const char* pastDigits(const char* at);

// --- ctest (ctest.cpp) ---

// ctest's --show-only=json-v1 listing, or GoogleTest's JSON listing where
// the document holds "testsuites".
struct ListedTest {
  std::string name;
  long line;
  std::string file = {};  // where the listing says, the source file that holds it
};
bool readCtestJson(const std::string& text, std::vector<ListedTest>& found, ReadError& error);

// ctest -N: "  Test #1: name", a listing not read here.
bool isCtestText(const std::string& line);

// Whether ctest reads the name back whole from its cost-data file, which it
// splits at spaces: a name holding one would be read as another test, with
// another cost.
bool ctestReadsBack(const std::string& name);

// "NAME RUNS COST" a test a line, costs falling from the order's length, of
// the names ctest reads back whole, then "---" with no failed test under it.
// (No name holds a line end or another control character: the readers
// refuse one.)
void printCtestCosts(std::FILE* out, const std::vector<std::string>& names);

// A script to include last in the top-level CMakeLists.txt: it sets the
// COST of each test that exists when it is read, and makes the `disabled`
// ones (those a budget leaves out) DISABLED; it registers itself to be read
// again at test time, for the tests found only then. It serves one run of
// the tests: the first time it is read it notes ctest's cost data in a stamp
// beside it (its name with .stamp), and once ctest has run and rewritten that
// data it sets nothing, so that a copy kept in a build folder never disables
// tests of a later run.
// Where `labels` name tests, each of them is given its label (LABELS), so
// that ctest -L runs the tests of one label.
struct TestLabels {
  std::vector<std::string> names;
  std::vector<std::string> labels;  // by name
};
void printCtestProperties(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<std::string>& disabled = {},
                          const TestLabels& labels = {});

// The stamp the COST script at `path` keeps beside it.
std::string costScriptStamp(const std::string& path);

// Whether the text is the start of a file antorder-suite wrote as a COST
// script, and so may be replaced by it.
bool isCostScript(const std::string& start);

// A COST script that sets nothing, for a run that failed to write the order:
// the one it replaces must not apply its older order.
void printEmptyCostScript(std::FILE* out);

// --- GoogleTest (gtest.cpp) ---

// GoogleTest's JSON listing (--gtest_list_tests --gtest_output=json:FILE).
bool readGtestJson(const nlohmann::json& document, std::vector<ListedTest>& found,
                   ReadError& error);

// A GoogleTest suite line: "Suite." with an optional "  # TypeParam = T".
bool isGtestSuiteLine(const std::string& line);

// The text listing from its first suite line.
bool readGtestLines(const std::vector<std::string>& lines, std::size_t first,
                    std::vector<ListedTest>& found, ReadError& error);

// Its test names' affixes: cart_test, cart_tests.
const std::vector<NameAffix>& gtestNameAffixes();

// --- pytest (pytest.cpp) ---

// The node ids, as JUnit keys, when the lines are pytest's -q collection:
// false when they are not.
bool readPytestLines(const std::vector<std::string>& lines, std::vector<ListedTest>& found);

// Why the line is a pytest collection of a shape not read here, with the way
// to list the tests as read; empty when it is not.
std::string pytestUnreadShape(const std::string& line);

// Its test names' affixes: test_cart.
const std::vector<NameAffix>& pytestNameAffixes();

// --- JUnit 5 under Surefire or Gradle (junit5.cpp) ---

// Its test names' affixes: CartTests, CartTest, TestCart.
const std::vector<NameAffix>& junit5NameAffixes();

// The class a JUnit 5 test's key belongs to, its unit of order, as Surefire
// writes the classname: the key up to the dot before the method's name,
// which begins at the last dot outside the brackets and parentheses of a
// parameterised or display-named test ("a.CartTest.sums(int, int)[1]" is
// in a.CartTest; "a.Outer$Inner.adds" in a.Outer$Inner). The key itself for
// one without a dot.
std::string junit5ClassOf(const std::string& key);

// --- Jest with jest-junit (jest.cpp) ---

// The test file a Jest test's key belongs to, its unit of order: the file
// the report gave where it did, else the key up to the first "." that ends
// a file name of a JavaScript or TypeScript extension, in a folder or marked
// .test or .spec ("src/cart.test.js.Cart adds" is in src/cart.test.js). The
// key itself where neither says.
std::string jestFileOf(const std::string& key, const std::string& file = {});

// The part of a test file's name that a Jest test file adds to the file it
// tests: cart.test.js names cart.js, cart.spec.ts cart.ts.
std::string jestTestedStem(const std::string& fileName);

// --- Every runner ---

// A runner's row: what the rest of the program asks of a runner by its
// --runner name. A hook is null where the runner has no such rule.
struct Runner {
  const char* name;  // as --runner takes it
  // Its unit of order, as orderUnitName names it: "test", "class" or "file".
  const char* unit;
  // The affixes its test names add to the name of what they test.
  const std::vector<NameAffix>& (*nameAffixes)();
  // The unit a test's key belongs to, given the source file the history's
  // report gave it (empty where none did); null where the unit is the test.
  std::string (*unitOf)(const std::string& key, const std::string& file);
  // The stem of the file a test file of this name tests, or empty.
  std::string (*testedStemOfFile)(const std::string& fileName);
  // The file a key begins with, where its keys begin with one; else empty.
  std::string (*fileOfKey)(const std::string& key);
};

// Each runner's row, in its own file.
const Runner& ctestRunner();
const Runner& gtestRunner();
const Runner& pytestRunner();
const Runner& junit5Runner();
const Runner& jestRunner();

// Every runner. Where the affixes of two runners both fit a name, the one
// listed first wins.
const std::vector<const Runner*>& runners();

// The runner --runner names, or null.
const Runner* runnerNamed(const std::string& name);

// The stem of the file a test file of this name tests, by the first
// runner's rule that finds one (Jest's cart.test.js tests cart.js); empty
// where none does.
std::string testedStemOfFile(const std::string& fileName);

// The file the key begins with, by the first runner's rule that finds one
// (Jest's src/cart.test.js.Cart adds); empty where none does.
std::string fileOfKey(const std::string& key);

// The unit the runner named runs a test in (its unitOf, given the file the
// history's report gave the key); of a runner without one, or of no runner,
// the test itself.
std::string runnerUnitOf(const std::string& runner, const std::string& key, const History* history);

}  // namespace antorder
