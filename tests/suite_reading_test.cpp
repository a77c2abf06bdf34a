#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "reading/line_reader.h"
#include "reading/suite_reader.h"
#include "runners/runners.h"

using namespace antorder;

namespace {

// "LINE: reason" for a refused input, "" for an accepted one.
std::string readText(const std::string& text, const std::string& name,
                     SuiteFormat format = SuiteFormat::DETECT, SparseSuite* suite = nullptr) {
  std::istringstream in(text);
  SparseSuite read;
  ReadError error;
  if (!readSuite(in, name, format, read, error))
    return std::to_string(error.line) + ": " + error.reason;
  if (suite != nullptr) *suite = read;
  return "";
}

// The faults each test reveals, a list per test.
std::vector<std::vector<int>> revealedByTest(const SparseSuite& suite) {
  std::vector<std::vector<int>> revealed;
  for (std::size_t test = 0; test + 1 < suite.firstRevealed.size(); ++test) {
    revealed.emplace_back(
        suite.revealedFaults.begin() + static_cast<long>(suite.firstRevealed[test]),
        suite.revealedFaults.begin() + static_cast<long>(suite.firstRevealed[test + 1]));
  }
  return revealed;
}

// A refused input, by file name (which tells its format), and the line and
// reason it is refused with.
struct Refusal {
  const char* name;
  std::string text;
  const char* expected;
};

void expectRefusals(const std::vector<Refusal>& cases) {
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(readText(c.text, c.name), c.expected);
  }
}

// Each refused input of CSV gives its own line and reason.
TEST(CsvReading, RefusesBadInputWithItsLineAndReason) {
  expectRefusals({
      {"s.csv", "", "0: the file is empty"},
      {"s.csv", "# nothing but a comment\n", "1: no header row"},
      {"s.csv", "test,f1\n", "0: the file holds no tests"},
      {"s.csv", "test,f1,f2\na,1\n", "2: expected 3 fields, as the header has, found 2"},
      {"s.csv", "test,f1\na,2\n", "2: an entry must be 0 or 1, found \"2\" for fault \"f1\""},
      {"s.csv", "test,f1\na,\n", "2: an entry must be 0 or 1, found \"\" for fault \"f1\""},
      {"s.csv", "test,cost,f1\na,0,1\n",
       "2: cost must be a number from 1e-18 to 1e18, found \"0\""},
      {"s.csv", "test,cost,f1\na,-1,1\n",
       "2: cost must be a number from 1e-18 to 1e18, found \"-1\""},
      {"s.csv", "test,cost,f1\na,nan,1\n",
       "2: cost must be a number from 1e-18 to 1e18, found \"nan\""},
      {"s.csv", "test,cost,f1\na,inf,1\n",
       "2: cost must be a number from 1e-18 to 1e18, found \"inf\""},
      {"s.csv", "test,cost,f1\na,2 s,1\n",
       "2: cost must be a number from 1e-18 to 1e18, found \"2 s\""},
      {"s.csv", "test,cost,f1\na,1e19,1\n",
       "2: cost must be a number from 1e-18 to 1e18, found \"1e19\""},
      {"s.csv", "test,severity,f1\na,0,1\n",
       "2: severity must be a whole number from 1 to 1000000, found \"0\""},
      {"s.csv", "test,severity,f1\na,2.5,1\n",
       "2: severity must be a whole number from 1 to 1000000, found \"2.5\""},
      {"s.csv", "test,severity,f1\na,1000001,1\n",
       "2: severity must be a whole number from 1 to 1000000, found \"1000001\""},
      {"s.csv", "test,f1\na,1\n\na,0\n", "4: two tests named \"a\" (the first on line 2)"},
      {"s.csv", "test,f1\n,1\n", "2: a test needs a name"},
      {"s.csv", "test,f1,f1\na,1,0\n", "1: two faults named \"f1\""},
      {"s.csv", "test,Cost,COST,f1\n", "1: two cost columns"},
      {"s.csv", "test,,f1\n", "1: column 2 has no name"},
      {"s.csv", "test,f1\n\"a,1\n", "2: a quoted field is not closed"},
      {"s.csv", "test,f1\n\"a\"b,1\n", "2: text after a quoted field's closing quote"},
      {"s.csv", "test,f1\na\"b,1\n", "2: a quote inside an unquoted field: quote the whole field"},
      {"s.csv", "test,f1,f2\na,0,0\nb,0,0\n",
       "0: no test reveals any fault: there is nothing to order"},
      // Orders are written a test a line.
      {"n.csv", "test,f1\n\"two\nlines\",1\n",
       "2: a test's name must be one line, found \"two\\x0alines\""},
      // Bytes that are not printable text are shown escaped, the quote closed.
      {"b.csv", std::string("test,f1\na,\x01\0b\xff\n", 15),
       "2: an entry must be 0 or 1, found \"\\x01\\x00b\\xff\" for fault \"f1\""},
  });
}

// Each refused input of SIR fault matrices gives its own line and reason.
TEST(SirReading, RefusesBadInputWithItsLineAndReason) {
  const std::string sir = "2 listversions\n2 listtests\nin a\nin b\n";
  const std::string blockA = "unitest0:\nv1:\n1\nv2:\n0\n";
  expectRefusals({
      {"s", "2 listversions\n2 tests\n", "2: expected \"<tests> listtests\", found \"2 tests\""},
      {"s", "2 listversions\n3 listtests\nin a\n",
       "3: the file ends after 1 of the 3 test input lines"},
      {"s", sir + blockA + "unitest1:\nv1:\n0\nv3:\n1\n", "13: v3 is outside v1 to v2"},
      {"s", sir + blockA + "unitest1:\nv1:\n0\nv1:\n1\n", "13: unitest1 names v1 twice"},
      {"s", sir + blockA + "unitest1:\nv1:\n0\n", "10: unitest1 lacks v2"},
      {"s", sir + blockA + "unitest1:\nv1:\n0\nv2:\nyes\n",
       "14: an entry must be 0 or 1, found \"yes\""},
      {"s", sir + blockA, "9: the header counts 2 tests, but the file has blocks for 1"},
      {"s", sir + blockA + blockA, "10: a second block for unitest0"},
      {"s", sir + blockA + "unitest2:\n",
       "10: unitest2 is outside the header's unitest0 to unitest1"},
      {"s", sir + "v1:\n1\n", "5: expected a block \"unitest<number>:\", found \"v1:\""},
      {"s", "1000000000 listversions\n1000000000 listtests\n",
       "2: the file ends after 0 of the 1000000000 test input lines"},
  });
  EXPECT_EQ(readText("x listversions\n", "s", SuiteFormat::SIR),
            "1: expected \"<versions> listversions\", found \"x listversions\"");
}

// Each refused input of lists gives its own line and reason.
TEST(ListsReading, RefusesBadInputWithItsLineAndReason) {
  expectRefusals({
      // A UTF-16 report (PowerShell's redirection writes one) is said to be so.
      {"s",
       std::string("\xFF\xFE"
                   "1\0 \0"
                   "2\0\n\0",
                   10),
       "1: the file is UTF-16 or UTF-32, which is not read: convert it to UTF-8"},
      {"s", "1 2\n3 -4\n", "2: an id must be a whole number of at least 0, found \"-4\""},
      {"s", "1 x\n", "1: an id must be a whole number of at least 0, found \"x\""},
      {"s", "1.5\n", "1: an id must be a whole number of at least 0, found \"1.5\""},
      {"s", "99999999999999999999\n",
       "1: an id of 20 digits is too large, at most 18446744073709551615"},
      {"l", "1 " + std::string(70, 'x') + "\n",
       "1: an id must be a whole number of at least 0, found "
       "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\""},
      {"s", "\n  \n", "0: no test reveals any fault: there is nothing to order"},
  });
}

// Each refused input of JUnit reports gives its own line and reason.
TEST(JunitReading, RefusesBadInputWithItsLineAndReason) {
  expectRefusals({
      {"n.xml", "<testsuite>\n<testcase name=\"a&#10;b\"/></testsuite>",
       "2: a test's name must be one line, found \"a\\x0ab\""},
      {"r.xml", "<testsuites><testcase name=\"a\" time=\"abc\"/></testsuites>",
       "1: time must be a number of seconds, found \"abc\""},
      {"r.xml",
       "<?xml version=\"1.0\"?>\n<testsuites>\n<testsuite>\n<testcase name=\"a\" "
       "time=\"-1\"/>\n</testsuite></testsuites>",
       "4: time must be a number of seconds, found \"-1\""},
      // &#0; would end a name early; a terminal's escape is no name either.
      {"r.xml", "<testsuite>\n<testcase name=\"a&#0;b\"/></testsuite>",
       "2: not well-formed XML: a reference to a character XML forbids, \"&#0;\""},
      {"r.xml", "<testsuite><testcase name=\"a&#x1B;[31m\"/></testsuite>",
       "1: not well-formed XML: a reference to a character XML forbids, \"&#x1B;\""},
      {"r.xml", "<testsuite><testcase name=\"tab&#9;&#x10FFFF;\" time=\"x\"/></testsuite>",
       "1: time must be a number of seconds, found \"x\""},
      {"r.xml", "<testsuite><testcase name=\"a\" time=\"1e308\"/></testsuite>",
       "1: time must be at most 1e18 seconds, found \"1e308\""},
      {"r.xml", "<testsuite><testcase name=\"a\" time=\"1.0000001e18\"/></testsuite>",
       "1: time must be at most 1e18 seconds, found \"1.0000001e18\""},
      // The bound itself is a time.
      {"r.xml", "<testsuite><testcase name=\"a\" time=\"1e18\"/></testsuite>", ""},
      {"r.xml", "<testsuite><testcase name=\"a\" time=\"1,2,3.5\"/></testsuite>",
       "1: time must be a number of seconds, found \"1,2,3.5\""},
      {"r.xml", "<testsuite><testcase name=\"a\" time=\"1.000,5\"/></testsuite>",
       "1: time must be a number of seconds, found \"1.000,5\""},
      {"r.xml", "<testsuites>\n<testcase name=\"a\">\n</testsuites>\n",
       "3: not well-formed XML: Start-end tags mismatch"},
      {"r.xml", "<coverage/>",
       "1: not a JUnit report: its root element is <coverage>, not <testsuites> or <testsuite>"},
      {"r.xml", "<mutations/>", "0: the file holds no tests"},
      {"r.xml", "<testsuite>\n  <testcase classname=\"c\"/></testsuite>",
       "2: a testcase needs a name"},
      {"r.xml", "<testsuite><testcase name=\"a\"><skipped/></testcase></testsuite>",
       "0: the file holds no tests"},
  });
}

// Each refused input of lcov tracefiles gives its own line and reason.
TEST(LcovReading, RefusesBadInputWithItsLineAndReason) {
  expectRefusals({
      {"c.info", "TN:\nSF:/src/a.c\nDA:1,1\nend_of_record\n",
       "2: the tracefile names no test: capture each test's coverage on its own with \"lcov "
       "--capture --test-name NAME\", then combine the captures with \"lcov -a\""},
      {"c.info", "SF:/src/a.c\nDA:1,1\nend_of_record\n",
       "1: the tracefile names no test: capture each test's coverage on its own with \"lcov "
       "--capture --test-name NAME\", then combine the captures with \"lcov -a\""},
      {"c.info", "TN:a\nSF:/src/a.c\nDA:1,many\n",
       "3: DA needs a count where lcov writes one, found \"DA:1,many\""},
      {"c.info", "TN:a\nSF:/src/a.c\nDA:7\n",
       "3: DA needs a count where lcov writes one, found \"DA:7\""},
      {"c.info", "TN:a\nSF:/src/a.c\nDA:4294967296,1\n",
       "3: DA needs a line number from 0 to 4294967295, found \"DA:4294967296,1\""},
      {"c.info", "TN:a\nSF:/src/a.c\nDA:x,1\n",
       "3: DA needs a line number from 0 to 4294967295, found \"DA:x,1\""},
      {"c.info", "TN:\nSF:/src/a.c\nDA:1,1\nend_of_record\nTN:\nSF:/src/b.c\nDA:1,1\n",
       "2: the tracefile names no test: capture each test's coverage on its own with \"lcov "
       "--capture --test-name NAME\", then combine the captures with \"lcov -a\""},
      {"c.info", "TN:a\nSF:/src/a.c\nend_of_record\nDA:1,1\n",
       "4: DA outside a record: no SF: line before it"},
      {"c.info", "TN:a\nSF:/src/a.c\nDA:1,0\nend_of_record\n",
       "0: no test has any covered lines: there is nothing to order"},
  });
}

// Each refused input of coverage.py reports gives its own line and reason.
TEST(CoveragePyReading, RefusesBadInputWithItsLineAndReason) {
  expectRefusals({
      {"c.json", "{\"meta\": {}, \"files\": {\"a.py\": {\"executed_lines\": [1]}}}",
       "0: the report has no test contexts: run the tests under coverage with dynamic_context = "
       "test_function (or pytest --cov-context=test), then write the report with \"coverage json "
       "--show-contexts\""},
      {"c.json", "{\"files\": {\"a.py\": {\"contexts\": {\"1\": [\"\", \"|run\"]}}}}",
       "0: the report has no test contexts: run the tests under coverage with dynamic_context = "
       "test_function (or pytest --cov-context=test), then write the report with \"coverage json "
       "--show-contexts\""},
      {"c.json", "{\"meta\": {}}", "0: not a coverage.py JSON report: it has no \"files\""},
      {"c.json", "{\"files\": {\"a.py\": {\"contexts\": {\"1\": [3]}}}}",
       "1: a context must be a test's name, in quotes"},
      {"c.json", "{\"files\":\n {\"a.py\": ",
       "2: not well-formed JSON: syntax error while parsing value - unexpected end of input; "
       "expected '[', '{', or a literal"},
  });
}

// Each refused input of PIT's mutations gives its own line and reason.
TEST(PitReading, RefusesBadInputWithItsLineAndReason) {
  expectRefusals({
      {"m.xml", "<mutations>\n<mutation><lineNumber>x</lineNumber></mutation></mutations>",
       "2: a mutation's lineNumber must be a whole number, found \"x\""},
      {"m.xml",
       "<mutations><mutation status='SURVIVED'><lineNumber>3</lineNumber>"
       "<succeedingTests>a</succeedingTests></mutation></mutations>",
       "0: no test has any mutants killed: there is nothing to order"},
  });
}

// Stryker's reports, which a stream cannot be told by.
TEST(StrykerReading, RefusesBadInputWithItsLineAndReason) {
  const std::pair<std::string, std::string> stryker[] = {
      {R"({"files": {}})",
       "0: the report names no tests: Stryker writes them (\"testFiles\" and each mutant's "
       "\"killedBy\") with coverageAnalysis \"perTest\""},
      {R"({"testFiles": {}})", "0: not a mutation-testing report: it has no \"files\""},
      {R"({"files": {"a.js": {"mutants": [{"id": "7", "killedBy": ["9"], "mutatorName": "M",
          "location": {"start": {"line": 1}}}]}}, "testFiles": {}})",
       "0: mutant 7 is killed by test id \"9\", which no test file has"},
      {R"({"files": {"a.js": {}}, "testFiles": {}})",
       "0: not a mutation-testing report: key 'mutants' not found"},
      {"{\"files\": 1e99999}", "0: not well-formed JSON: number overflow parsing '1e99999'"},
      {"{\"files\":\n",
       "2: not well-formed JSON: syntax error while parsing value - unexpected end "
       "of input; expected '[', '{', or a literal"},
  };
  for (const auto& [text, expected] : stryker) {
    SCOPED_TRACE(text);
    EXPECT_EQ(readText(text, "s.json", SuiteFormat::STRYKER), expected);
  }
}

// What each reader takes from a well-formed file: names, costs, severities,
// the faults each test reveals, and the faults that no test reveals.
TEST(SuiteReading, ReadsEachFormatIntoTheSameSparseSuite) {
  struct Case {
    const char* name;
    SuiteFormat format;
    std::string text;
    std::vector<std::string> tests;
    std::vector<float> costs;
    std::vector<int> severities;
    std::vector<std::string> faults;
    std::vector<std::vector<int>> revealed;
    std::vector<std::string> unrevealed;
  };
  const Case cases[] = {
      {"m.CSV",
       SuiteFormat::DETECT,
       "# a comment\r\n  name , f1, Severity,\"f,2\" ,f3 , COST\r\n\r\n"
       "\"comma, inside\", 1 ,3, 0,0,0.5\r\n \"say \"\"hi\"\"\",0,1,1,0,2\r\n",
       {"comma, inside", "say \"hi\""},
       {0.5f, 2.0f},
       {3, 1},
       {"f1", "f,2"},
       {{0}, {1}},
       {"f3"}},
      {"matrix.txt",
       SuiteFormat::DETECT,
       "   3 listversions\n  2 listtests\nunitest0:\n-a < in\n"
       "unitest1:\nv1:\n   1\nv3:\n   0\nv2:\n   0\n\nunitest0:\nv3:\n 0\nv1:\n 1\nv2:\n 1\n",
       {"unitest0", "unitest1"},
       {1.0f, 1.0f},
       {1, 1},
       {"v1", "v2"},
       {{0, 1}, {0}},
       {"v3"}},
      {"cover.txt",
       SuiteFormat::DETECT,
       "70 7 70\n\n0\t7\n",
       {"t1", "t2", "t3"},
       {1.0f, 1.0f, 1.0f},
       {1, 1, 1},
       {"70", "7", "0"},
       {{0, 1}, {}, {1, 2}},
       {}},
      {"named.csv", SuiteFormat::LISTS, "1\n", {"t1"}, {1.0f}, {1}, {"1"}, {{0}}, {}},
      // A test named twice (its captures combined) gathers the records of both.
      {"coverage.info",
       SuiteFormat::DETECT,
       "TN:t1\nSF:/a.c\nDA:3,1\nDA:4,0\nDA:5,2,checksum\nend_of_record\nTN:t2\nSF:/a.c\n"
       "DA:4,-1\nDA:5,1\nend_of_record\nTN:t1\nSF:/b.c\nDA:3,7\nend_of_record\n",
       {"t1", "t2"},
       {1.0f, 1.0f},
       {1, 1},
       {"/a.c:3", "/a.c:5"},
       {{0, 1}, {1}},
       {}},
      // Records that list a file's lines in another order than the first,
      // with a line again or a new one, and one line number in two files.
      {"reordered.info",
       SuiteFormat::DETECT,
       "TN:t1\nSF:/a.c\nDA:3,0\nDA:5,1\nend_of_record\nSF:/b.c\nDA:3,1\nend_of_record\n"
       "TN:t2\nSF:/a.c\nDA:5,1\nDA:4,1\nDA:3,1\nDA:5,0\nend_of_record\n"
       "TN:t3\nSF:/b.c\nDA:5,1\nDA:3,1\nend_of_record\n",
       {"t1", "t2", "t3"},
       {1.0f, 1.0f, 1.0f},
       {1, 1, 1},
       {"/a.c:5", "/b.c:3", "/a.c:4", "/b.c:5"},
       {{0, 1}, {0, 2}, {1, 3}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SparseSuite suite;
    ASSERT_EQ(readText(c.text, c.name, c.format, &suite), "");
    EXPECT_EQ(suite.testNames, c.tests);
    EXPECT_EQ(suite.testCost, c.costs);
    EXPECT_EQ(suite.testSeverity, c.severities);
    EXPECT_EQ(suite.faultNames, c.faults);
    EXPECT_EQ(suite.unrevealedFaultNames, c.unrevealed);
    EXPECT_EQ(revealedByTest(suite), c.revealed);
  }
}

// The input is read a mebibyte at a time: a line cut by a block's end, its
// "\r" in one block and its "\n" in the next too, reads whole, and so does
// a document longer than a block.
TEST(SuiteReading, ReadsLinesAcrossItsReadingBlocks) {
  constexpr int ROWS = 100000;  // "t000000,1\r\n": 11 bytes a row, past the first block
  // Paddings that put a row's "\r" at the block's last byte, its "\n" there,
  // and the block's end inside a name.
  for (const int padding : {1, 0, 3}) {
    SCOPED_TRACE(padding);
    std::string text =
        "#" + std::string(static_cast<std::size_t>(padding), 'x') + "\r\ntest,f1\r\n";
    for (int row = 0; row < ROWS; ++row) {
      const std::string number = std::to_string(row);
      text += "t" + std::string(6 - number.size(), '0') + number + ",1\r\n";
    }
    SparseSuite suite;
    ASSERT_EQ(readText(text, "rows.csv", SuiteFormat::DETECT, &suite), "");
    ASSERT_EQ(suite.testNames.size(), static_cast<std::size_t>(ROWS));
    EXPECT_EQ(suite.testNames.back(), "t099999");
    EXPECT_EQ(suite.revealedFaults.size(), static_cast<std::size_t>(ROWS));
  }
  std::string report = "<?xml version=\"1.0\"?>\n<testsuite name=\"long\">\n";
  for (int test = 0; test < 20000; ++test) {
    report += "  <testcase classname=\"shop\" name=\"case" + std::to_string(test) +
              "\" time=\"1\"><failure message=\"no\">said so</failure></testcase>\n";
  }
  report += "</testsuite>\n";
  ASSERT_GT(report.size(), std::size_t{1} << 21);
  SparseSuite suite;
  ASSERT_EQ(readText(report, "report.xml", SuiteFormat::DETECT, &suite), "");
  EXPECT_EQ(suite.testNames.size(), 20000u);
}

// What an lcov tracefile's tests reveal, by the items asked for: lines run,
// branches taken, functions called (lcov 1's FNDA records and lcov 2's FNA);
// items the same tests reveal are one, of their number's weight.
TEST(SuiteReading, ReadsLcovLinesBranchesOrFunctions) {
  struct Case {
    CoverageItems items;
    std::string noun;
    std::vector<std::string> names;
    std::vector<int> weights;
    std::vector<std::vector<int>> revealed;
  };
  const Case cases[] = {
      // cart.c:3 and stock.c:2 and 3 are test_total's alone.
      {CoverageItems::LINES,
       "covered lines",
       {"/src/shop/cart.c:3", "/src/shop/cart.c:4", "/src/shop/cart.c:5"},
       {3, 1, 1},
       {{0, 2}, {1, 2}}},
      {CoverageItems::BRANCHES,
       "covered branches",
       {"/src/shop/cart.c:5:0:0", "/src/shop/cart.c:5:0:1"},
       {},
       {{1}, {0}}},
      {CoverageItems::FUNCTIONS,
       "covered functions",
       {"/src/shop/cart.c:total", "/src/shop/cart.c:discount"},
       {2, 1},
       {{0}, {1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.noun);
    SparseSuite suite;
    ReadError error;
    SuiteFormat format = SuiteFormat::DETECT;
    ReadOptions options;
    options.items = c.items;
    ASSERT_TRUE(
        readSuiteFile(SOURCE_DIR "/tests/suites/coverage.info", format, suite, error, options))
        << error.line << ": " << error.reason;
    EXPECT_EQ(format, SuiteFormat::LCOV);
    EXPECT_EQ(suite.testNames, (std::vector<std::string>{"test_total", "test_discount"}));
    EXPECT_EQ(suite.itemNoun, c.noun);
    EXPECT_EQ(suite.faultNames, c.names);
    EXPECT_EQ(suite.faultWeight, c.weights);
    EXPECT_EQ(revealedByTest(suite), c.revealed);
  }
}

// A baseline capture's record (an empty TN:, or none) among tests' records
// is left out, and the summary says so once; the named records are read.
TEST(SuiteReading, LeavesOutLcovRecordsOfNoTest) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> faults;
    std::string note;
  };
  const std::string named = "TN:t1\nSF:/a.c\nDA:1,1\nDA:2,0\nend_of_record\n";
  const Case cases[] = {
      {"an empty TN: first",
       "TN:\nSF:/a.c\nDA:1,1\nDA:3,1\nend_of_record\nSF:/b.c\nDA:1,1\nend_of_record\n" + named,
       {"/a.c:1"},
       "3 lines, the first record at line 2"},
      {"records before any TN:, then an empty one last",
       "SF:/b.c\nDA:4,1\nend_of_record\n" + named + "TN:\nSF:/a.c\nDA:2,1\nend_of_record\n",
       {"/a.c:1"},
       "2 lines, the first record at line 1"},
      {"every record named", named, {"/a.c:1"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SparseSuite suite;
    ASSERT_EQ(readText(c.text, "c.info", SuiteFormat::DETECT, &suite), "");
    EXPECT_EQ(suite.testNames, (std::vector<std::string>{"t1"}));
    EXPECT_EQ(suite.faultNames, c.faults);
    const std::string prefix =
        "records of no test (an empty TN:, as a baseline capture writes), left out: ";
    EXPECT_EQ(suite.notes, c.note.empty() ? std::vector<std::string>{}
                                          : std::vector<std::string>{prefix + c.note});
  }
}

// coverage.py's contexts: pytest node ids without their phase, the empty
// context dropped, a line an item only where some test ran it.
TEST(SuiteReading, ReadsCoveragePyContextsAsTests) {
  SparseSuite suite;
  ReadError error;
  SuiteFormat format = SuiteFormat::DETECT;
  ASSERT_TRUE(readSuiteFile(SOURCE_DIR "/tests/suites/contexts.json", format, suite, error))
      << error.line << ": " << error.reason;
  EXPECT_EQ(format, SuiteFormat::COVERAGE_JSON);
  EXPECT_EQ(suite.testNames,
            (std::vector<std::string>{"tests/test_cart.py::test_total",
                                      "tests/test_cart.py::TestCart::test_empty",
                                      "tests/test_stock.py::test_reserve[2-items]"}));
  EXPECT_EQ(suite.faultNames,
            (std::vector<std::string>{"src/shop/cart.py:2", "src/shop/cart.py:3",
                                      "src/shop/cart.py:5", "src/shop/stock.py:4"}));
  EXPECT_EQ(suite.revealedFaults, (std::vector<int>{0, 1, 3, 0, 2, 3}));
  EXPECT_EQ(suite.itemNoun, "covered lines");
}

// Mutation results: a mutant a test kills is a fault of that test; the rest
// are left out and counted by status.
TEST(SuiteReading, ReadsTheMutantsEachTestKills) {
  struct Case {
    const char* file;
    SuiteFormat format;
    std::vector<std::string> tests;
    std::vector<std::string> faults;
    std::vector<int> revealed;
    std::vector<std::string> notes;
  };
  const std::string cart = "com.shop.CartTest.[engine:junit-jupiter]/[class:com.shop.CartTest]/";
  const Case cases[] = {
      {"mutations.xml",
       SuiteFormat::PIT,
       {cart + "[method:total()]",
        "com.shop.CheckoutTest.[engine:junit-jupiter]/[class:com.shop.CheckoutTest]/[method:pay()]",
        cart + "[method:empty()]",
        "com.shop.StockTest.[engine:junit-jupiter]/[class:com.shop.StockTest]/[method:reserve()]"},
       {"Cart.java:12:MathMutator", "Stock.java:7:ConditionalsBoundaryMutator"},
       {0, 0, 1},
       {"mutants no test kills, left out: 2 (1 NO_COVERAGE, 1 SURVIVED)"}},
      {"mutations-default.xml",
       SuiteFormat::PIT,
       {"com.shop.CartTest.total(com.shop.CartTest)"},
       {"Cart.java:12:MathMutator"},
       {0},
       {"mutants no test kills, left out: 1 (1 TIMED_OUT)",
        "the matrix is partial: PIT named one killing test a mutant; run it with "
        "-DfullMutationMatrix=true for them all"}},
      // A name two test files share is told apart by its file.
      {"stryker.json",
       SuiteFormat::STRYKER,
       {"cart adds two prices", "cart totals an order",
        "test/checkout.test.js: cart adds two prices"},
       {"src/cart.js:2:ArithmeticOperator"},
       {0, 0},
       {"mutants no test kills, left out: 2 (1 NoCoverage, 1 Survived)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    SparseSuite suite;
    ReadError error;
    SuiteFormat format = SuiteFormat::DETECT;
    ASSERT_TRUE(
        readSuiteFile(SOURCE_DIR "/tests/suites/" + std::string(c.file), format, suite, error))
        << error.line << ": " << error.reason;
    EXPECT_EQ(format, c.format);
    EXPECT_EQ(suite.testNames, c.tests);
    EXPECT_EQ(suite.faultNames, c.faults);
    EXPECT_EQ(suite.revealedFaults, c.revealed);
    EXPECT_EQ(suite.notes, c.notes);
    EXPECT_EQ(suite.itemNoun, "mutants killed");
  }
}

// The next run's tests as each runner lists them, told apart by content.
TEST(SuiteReading, ReadsTheNextRunsTestsAsARunnerListsThem) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> names;  // none: refused, with `refusal`
    std::string refusal;
  };
  const Case cases[] = {
      {"ctest --show-only=json-v1",
       R"({"kind": "ctestInfo", "version": {"major": 1}, "tests": [{"name": "cart total"},
          {"name": "Login.Lockout", "properties": []}]})",
       {"cart total", "Login.Lockout"},
       ""},
      {"pytest --collect-only -q",
       "tests/test_login.py::TestLogin::test_lockout\r\ntests/test_search.py::test_word[a::b]\r\n"
       "tests/test_login.py::TestLogin::test_lockout\r\n\r\n2 tests collected in 0.01s\r\n",
       {"tests.test_login.TestLogin.test_lockout", "tests.test_search.test_word[a::b]"},
       ""},
      {"pytest -q with a selection",
       "t.py::a\n\n1/3 tests collected (2 deselected) in 0.01s\n",
       {"t.a"},
       ""},
      // As gtest_discover_tests names them: a typed test by its type, a
      // value-parameterised one by its value, DISABLED_ dropped.
      {"--gtest_list_tests",
       "Running main() from ./googletest/src/gtest_main.cc\nCart.\n  Total\n  DISABLED_Empty\n"
       "Typed/0.  # TypeParam = int\n  Zero\nTyped/1.  # TypeParam = std::string\n  Zero\n"
       "Euro/Price.\n  Rounds/0  # GetParam() = 1\n  Rounds/1  # GetParam() = (2, \"a b\")\n",
       {"Cart.Total", "Cart.Empty", "Typed.Zero<int>", "Typed.Zero<std::string>",
        "Euro/Price.Rounds/1", "Euro/Price.Rounds/(2, \"a b\")"},
       ""},
      {"a name a line", "checkout abroad\n\nmail\n", {"checkout abroad", "mail"}, ""},
      {"names holding :: with no count after them",
       "ns::Cart\nns::Login\n",
       {"ns::Cart", "ns::Login"},
       ""},
      {"nothing", "\n\n", {}, "0: lists no test"},
      {"other JSON", R"({"tests": 3})", {}, "0: JSON that is not ctest's --show-only=json-v1 list"},
      {"pytest without -q",
       "============ test session starts ============\nplatform linux\ncollected 2 items\n\n"
       "<Module tests/test_a.py>\n  <Function test_one>\n",
       {},
       "0: pytest's collection without -q: list the tests with pytest --collect-only -q"},
      {"pytest -qq",
       "tests/test_a.py: 2\ntests/test_b.py: 14\n",
       {},
       "0: pytest's count of tests a file (-qq): list the tests with pytest --collect-only -q"},
      {"ctest -N",
       "Test project /src/build\n  Test #1: cart\n\nTotal Tests: 1\n",
       {},
       "0: ctest's text listing: list the tests with ctest --show-only=json-v1"},
      {"a GoogleTest listing gone wrong",
       "Cart.\n  Total\nstray words\n",
       {},
       "3: not a line of GoogleTest's --gtest_list_tests: \"stray words\""},
      {"a CR inside a name",
       "a\rb\nc\n",
       {},
       "1: a test's name must be one line, found \"a\\x0db\""},
      {"a NUL in a name",
       std::string("a\n\0b\n", 5),
       {},
       "2: a test's name must hold no control character, found \"\\x00b\""},
      {"a line end in ctest's JSON",
       R"({"tests": [{"name": "a\nb"}]})",
       {},
       "0: a test's name must be one line, found \"a\\x0ab\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::istringstream in(c.text);
    std::vector<std::string> names;
    ReadError error;
    const bool read = readTestList(in, names, error);
    EXPECT_EQ(read, !c.names.empty());
    if (read) {
      EXPECT_EQ(names, c.names);
    } else {
      EXPECT_EQ(std::to_string(error.line) + ": " + error.reason, c.refusal);
    }
  }
  // A line without end (--tests /dev/zero) is refused at its bound.
  std::istringstream endless(std::string(MAX_LINE_BYTES + 1, 'x'));
  std::vector<std::string> names;
  ReadError error;
  EXPECT_FALSE(readTestList(endless, names, error));
  EXPECT_EQ(error.reason, "the line is longer than 16 MiB");
}

}  // namespace
