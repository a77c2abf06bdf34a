// The JUnit reader against reports in each producer's own shape, and the
// rules by which a history of runs becomes a suite.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "history/history_suite.h"
#include "reading/junit_history.h"
#include "reading/suite_reader.h"
#include "reading/test_costs.h"

using namespace antorder;

namespace {

const std::string JUNIT = SOURCE_DIR "/tests/suites/junit/";

// A result as "key ran|skip pass|fail seconds".
std::string resultText(const History& history, const TestResult& result) {
  return history.keys[static_cast<std::size_t>(result.key)] + (result.ran ? " ran " : " skip ") +
         (result.failed ? "fail " : "pass ") + std::to_string(result.seconds);
}

// What each producer writes, read as one run: keys, whether each ran and
// failed, and its time, a result per key.
TEST(History, ReadsTheShapesEachProducerWrites) {
  struct Case {
    const char* path;
    std::vector<std::string> results;
  };
  const Case cases[] = {
      // A failed call and an errored teardown are one failed test, times added.
      {"pytest.xml",
       {"tests.test_cart.test_total ran fail 0.004000",
        "tests.test_cart.test_empty ran pass 0.001000",
        "tests.test_login.test_lockout[admin] skip pass 0.010000"}},
      // "1." is a time; notrun and a skipped result did not run.
      {"googletest.xml",
       {"Apfd.EveryOrderScores ran pass 1.000000", "Apfd.Fails ran fail 0.002000",
        "Apfd.DISABLED_Slow skip pass 0.000000", "Apfd.Skipped skip pass 0.000000"}},
      // The classname repeats the name; status says fail, disabled and notrun.
      {"ctest.xml",
       {"report ran pass 0.012300", "seed_sweep ran fail 2.500000",
        "rebuild_windows skip pass 0.000000", "memory_check skip pass 0.000000"}},
      // A folder in a history is one run of all its reports; thousands commas;
      // flaky and rerun failures.
      {"surefire-history",
       {"com.shop.CartTest.total ran pass 1234.500000", "com.shop.CartTest.flaky ran fail 0.200000",
        "com.shop.LoginTest.lockout ran fail 0.050000",
        "com.shop.LoginTest.reset ran fail 0.010000"}},
      {"jest.xml", {"cart adds an item ran pass 0.004000", "cart totals ran fail 0.010000"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    History history;
    ReadError error;
    ASSERT_TRUE(readJunitPath(JUNIT + c.path, history, error))
        << error.file << error.line << error.reason;
    ASSERT_EQ(history.runs.size(), 1u);
    std::vector<std::string> results;
    for (const TestResult& result : history.runs[0].results) {
      results.push_back(resultText(history, result));
    }
    EXPECT_EQ(results, c.results);
  }
}

// A folder of runs in name order, a folder among them one run; the window's
// last runs make the suite: the tests that ran in the latest, the failures of
// those tests as faults, the median time as cost. The failures of one test
// are revealed by the same test, and so searched as one of their weight.
TEST(History, MakesASuiteOfTheLastRuns) {
  struct Case {
    int window;
    std::vector<std::string> names;
    std::vector<std::string> failures;
    std::vector<int> weights;  // of the distinct failures, by the first's name
    std::vector<float> costs;  // by name
    std::string note;
  };
  const Case cases[] = {
      // login.old ran only in the first run: still one of the next run's
      // tests, after the latest run's.
      {50,
       {"login.new", "cart.empty", "cart.total", "login.old"},
       {"run-0001:cart.empty", "run-0001:login.old", "run-0002:cart.total", "run-0003:cart.empty",
        "run-0004:cart.total"},
       {2, 1, 2},
       {3.0f, 0.5001f, 5.0f, 1.0f},
       "runs in the window: 4 (at most 50), 4 with a failure"},
      // Three runs: an odd count's middle time, and a median below the least cost.
      {3,
       {"login.new", "cart.empty", "cart.total"},
       {"run-0002:cart.total", "run-0003:cart.empty", "run-0004:cart.total"},
       {2, 1},
       {3.0f, 0.001f, 6.0f},
       "runs in the window: 3 (at most 3), 3 with a failure"},
      {1,
       {"login.new", "cart.empty", "cart.total"},
       {"run-0004:cart.total"},
       {},
       {1.0f, 0.001f, 10.0f},
       "runs in the window: 1 (at most 1), 1 with a failure"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window);
    History history;
    ReadError error;
    ASSERT_TRUE(readJunitPath(SOURCE_DIR "/tests/suites/history", history, error))
        << error.file << error.line << error.reason;
    SuiteBuilder builder;
    buildHistorySuite(history, c.window, builder);
    EXPECT_EQ(builder.rawFaultNames, c.failures);
    SparseSuite suite;
    ASSERT_TRUE(finishSuite(builder, suite, error)) << error.reason;
    EXPECT_EQ(suite.testNames, c.names);
    EXPECT_EQ(suite.faultWeight, c.weights);
    EXPECT_EQ(totalFaultWeight(suite), static_cast<std::int64_t>(c.failures.size()));
    EXPECT_EQ(suite.testCost, c.costs);
    EXPECT_EQ(suite.itemNoun, "failures");
    EXPECT_EQ(suite.notes, std::vector<std::string>{c.note});
  }
}

// A healthy history is no error: a suite with nothing to reveal.
TEST(History, ReadsAHistoryWithoutFailures) {
  History history;
  history.keys = {"a", "b"};
  history.runs = {{"r1", {{0, 1.0, true, false}, {1, 2.0, true, false}}, {}},
                  {"r2", {{1, 4.0, true, false}, {0, 3.0, false, true}}, {}}};
  SuiteBuilder builder;
  buildHistorySuite(history, 50, builder);
  SparseSuite suite;
  ReadError error;
  ASSERT_TRUE(finishSuite(builder, suite, error)) << error.reason;
  // a did not run in the latest run but did before it, so it is one of the
  // next run's tests; its failure where it did not run is none of the suite's.
  EXPECT_EQ(suite.testNames, (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(suite.testCost, (std::vector<float>{3.0f, 1.0f}));
  EXPECT_EQ(faultCount(suite), 0);
}

// Costs for a suite that has none, by test name or by the JUnit key of a
// pytest node id: from a CSV of test,cost or from a history's median times.
TEST(History, GivesCoverageItsCostsFromAnotherFile) {
  const std::pair<const char*, const char*> keys[] = {
      {"tests/test_cart.py::TestCart::test_total", "tests.test_cart.TestCart.test_total"},
      {"test_login.py::test_lockout[admin]", "test_login.test_lockout[admin]"},
      {"tests\\unit\\test_stock.py::test_reserve", "tests.unit.test_stock.test_reserve"},
      {"cart.total", "cart.total"},
  };
  for (const auto& [name, key] : keys) EXPECT_EQ(junitKeyOf(name), key);

  SparseSuite suite;
  suite.testNames = {"tests/cart.py::total", "cart.empty", "login.new", "unknown"};
  suite.testCost.assign(4, 1.0f);
  const std::string folder = testing::TempDir() + "antorder-costs/";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "costs.csv") << "test,cost\ntests.cart.total,2.5\nlogin.new,4\n";
  struct Case {
    std::string path;
    std::vector<float> costs;
    int without;
  };
  const Case cases[] = {
      {folder + "costs.csv", {2.5f, 1.0f, 4.0f, 1.0f}, 2},
      // The history's median times: cart.empty 0.5001 s, login.new 3 s.
      {SOURCE_DIR "/tests/suites/history", {1.0f, 0.5001f, 3.0f, 1.0f}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::unordered_map<std::string, float> costs;
    ReadError error;
    ASSERT_TRUE(readTestCosts(c.path, {}, costs, error)) << error.line << ": " << error.reason;
    SparseSuite costed = suite;
    EXPECT_EQ(static_cast<int>(applyTestCosts(costed, costs).size()), c.without);
    EXPECT_EQ(costed.testCost, c.costs);
  }

  std::ofstream(folder + "bad.csv") << "test,cost\na,2\nb,free\n";
  std::unordered_map<std::string, float> costs;
  ReadError error;
  EXPECT_FALSE(readTestCosts(folder + "bad.csv", {}, costs, error));
  EXPECT_EQ(std::to_string(error.line) + ": " + error.reason,
            "3: cost must be a number from 1e-18 to 1e18, found \"free\"");
}

}  // namespace

// Runs read several at a time come out as one reader reads them: the same
// keys in the same order, the same results; and the bad runs left out are
// listed in name order, whichever thread met them.
TEST(History, ReadsRunsInParallelAsOneReaderWould) {
  History alone;
  ReadError error;
  ASSERT_TRUE(readJunitPath(SOURCE_DIR "/tests/suites/replay", alone, error, 1)) << error.reason;
  for (const int jobs : {2, 5}) {
    History shared;
    ASSERT_TRUE(readJunitPath(SOURCE_DIR "/tests/suites/replay", shared, error, jobs));
    EXPECT_EQ(shared.keys, alone.keys);
    ASSERT_EQ(shared.runs.size(), alone.runs.size());
    for (std::size_t run = 0; run < alone.runs.size(); ++run) {
      EXPECT_EQ(shared.runs[run].name, alone.runs[run].name);
      ASSERT_EQ(shared.runs[run].results.size(), alone.runs[run].results.size());
      for (std::size_t at = 0; at < alone.runs[run].results.size(); ++at) {
        const TestResult& a = alone.runs[run].results[at];
        const TestResult& b = shared.runs[run].results[at];
        EXPECT_TRUE(a.key == b.key && a.seconds == b.seconds && a.ran == b.ran &&
                    a.failed == b.failed)
            << "run " << run << ", result " << at;
      }
    }
  }

  const std::string folder = testing::TempDir() + "antorder-bad-runs/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "run-1.xml") << "<testsuite><testcase name=\"a\"/></testsuite>\n";
  std::ofstream(folder + "run-2.xml") << "<testsuite>\n<testcase name=\"a\" time=\"x\"/>\n";
  std::ofstream(folder + "run-3.xml") << "<nothing/>\n";
  for (const int jobs : {1, 3}) {
    History history;
    ReadError unused;
    EXPECT_TRUE(readJunitPath(folder, history, unused, jobs));
    ASSERT_EQ(history.runs.size(), 1u);
    ASSERT_EQ(history.leftOut.size(), 2u);
    EXPECT_EQ(std::filesystem::path(history.leftOut[0].file).filename(), "run-2.xml");
    EXPECT_EQ(history.leftOut[0].line, 2);
    EXPECT_EQ(std::filesystem::path(history.leftOut[1].file).filename(), "run-3.xml");
  }
}

// Runs come in the order a person reads their names, numbers by their value;
// a run in which no test ran is left out, named, as an unreadable one is.
TEST(History, ReadsRunsInNumberOrderAndLeavesOutRunsWhereNothingRan) {
  const std::string folder = testing::TempDir() + "antorder-run-order/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder + "run-11");
  std::filesystem::create_directories(folder + "run-12/empty");
  std::filesystem::create_directories(folder + "run-13");
  const std::string ran = "<testsuite><testcase name=\"a\" time=\"1\"/></testsuite>\n";
  for (const char* name : {"run-1.xml", "run-2.xml", "run-9.xml", "run-10.xml", "run-010b.xml",
                           "run-0100.xml", "run-99.xml"}) {
    std::ofstream(folder + name) << ran;
  }
  std::ofstream(folder + "run-11/TEST-a.xml")
      << "<testsuite><testcase name=\"a\"><skipped/></testcase></testsuite>\n";
  std::ofstream(folder + "run-13/notes.txt") << "no report\n";
  std::ofstream(folder + "run-14.xml") << "<testsuite tests=\"0\"/>\n";
  std::ofstream(folder + "run-15.xml")
      << "<testsuites><testsuite><testcase name=\"a\" status=\"notrun\"/></testsuite>"
         "</testsuites>\n";
  // A link back into the history would be one more run of all its runs; a
  // pipe would block a read.
  std::filesystem::create_directory_symlink(".", folder + "run-16");
  std::filesystem::create_symlink("run-1.xml", folder + "run-17.xml");
  ASSERT_EQ(mkfifo((folder + "run-18.xml").c_str(), 0600), 0);
  for (const int jobs : {1, 3}) {
    History history;
    ReadError error;
    ASSERT_TRUE(readJunitPath(folder, history, error, jobs)) << error.reason;
    std::vector<std::string> names;
    for (const TestRun& run : history.runs) names.push_back(run.name);
    EXPECT_EQ(names, (std::vector<std::string>{"run-1", "run-2", "run-9", "run-10", "run-010b",
                                               "run-99", "run-0100"}));
    std::vector<std::string> leftOut;
    for (const LeftOutRun& run : history.leftOut) {
      leftOut.push_back(std::filesystem::path(run.file).filename().string() + ": " + run.reason);
    }
    EXPECT_EQ(leftOut, (std::vector<std::string>{
                           "run-11: no test ran in the folder's reports",
                           "run-12: the folder holds no .xml report",
                           "run-13: the folder holds no .xml report",
                           "run-14.xml: no test ran in the report",
                           "run-15.xml: no test ran in the report",
                           "run-16: a link, not followed",
                           "run-17.xml: a link, not followed",
                           "run-18.xml: neither a file nor a folder (a pipe or a device)",
                       }));
  }
}

namespace {

// A run written by shards is one run: its reports named run-N-shard-I.xml
// beside each other, a test met in two of them one result named with both
// files, and the run's diff beside them kept with it.
TEST(History, ReadsTheShardsOfARunAsOneRun) {
  const std::string folder = testing::TempDir() + "antorder-shards/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto write = [&](const std::string& name, const std::string& cases) {
    std::ofstream(folder + name) << "<testsuite>" << cases << "</testsuite>\n";
  };
  write("run-1-shard-1.xml", "<testcase name=\"a\" time=\"1\"/><testcase name=\"b\" time=\"2\"/>");
  write("run-1-shard-2.xml",
        "<testcase name=\"c\" time=\"3\"><failure/></testcase><testcase name=\"b\" time=\"1\"/>");
  write("run-1-shard-10.xml", "<testcase name=\"d\" time=\"4\"/>");
  write("run-2.xml", "<testcase name=\"a\" time=\"1\"/>");
  std::ofstream(folder + "run-1.diff") << "";
  History history;
  ReadError error;
  ASSERT_TRUE(readJunitPath(folder, history, error)) << error.reason;
  ASSERT_EQ(history.runs.size(), 2u);
  const TestRun& sharded = history.runs[0];
  EXPECT_EQ(sharded.name, "run-1");
  EXPECT_EQ(sharded.changeFile, folder + "run-1.diff");
  std::string results;
  for (const TestResult& result : sharded.results) {
    results += history.keys[static_cast<std::size_t>(result.key)] + ":" +
               std::to_string(static_cast<int>(result.seconds)) + (result.failed ? "F " : " ");
  }
  EXPECT_EQ(results, "a:1 b:3 c:3F d:4 ");
  EXPECT_EQ(history.doubled,
            (std::vector<std::string>{"run-1: b in both run-1-shard-1.xml and run-1-shard-2.xml"}));
  EXPECT_EQ(history.runs[1].name, "run-2");
}

// The collection position the pytest plugin records: kept per result, the
// first of a test's two testcases (a failed call, an errored teardown)
// giving it, and across a run's shards; a value that is not a whole number
// from 0 is refused at its line.
TEST(History, KeepsTheCollectionPositionTheReportsRecord) {
  const auto testcase = [](const char* name, const char* position) {
    std::string text = std::string("<testcase classname=\"t\" name=\"") + name + "\">";
    if (position != nullptr) {
      text += std::string("\n<properties><property name=\"other\" value=\"x\"/>") +
              "<property name=\"antorder_position\" value=\"" + position + "\"/></properties>";
    }
    return text + "</testcase>";
  };
  History history;
  ReadError error;
  std::istringstream report("<testsuite>" + testcase("b", "1") + testcase("a", "0") +
                            testcase("a", nullptr) + testcase("c", nullptr) + "</testsuite>");
  ASSERT_TRUE(readJunitReport(report, "run.xml", "run", history, error)) << error.reason;
  std::vector<int> positions;
  for (const TestResult& result : history.runs[0].results) positions.push_back(result.position);
  EXPECT_EQ(positions, (std::vector<int>{1, 0, -1}));

  for (const char* bad : {"", "x", "-1", "1.5", "2 ", "99999999999"}) {
    SCOPED_TRACE(bad);
    History refused;
    std::istringstream in("<testsuite>" + testcase("a", bad) + "</testsuite>");
    ASSERT_FALSE(readJunitReport(in, "run.xml", "run", refused, error));
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(
        error.reason,
        std::string("antorder_position must be a whole number from 0, found \"") + bad + "\"");
  }

  const std::string folder = testing::TempDir() + "antorder-positions/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "run-1-shard-1.xml")
      << "<testsuite>" << testcase("b", "1") << "</testsuite>";
  std::ofstream(folder + "run-1-shard-2.xml")
      << "<testsuite>" << testcase("a", "0") << "</testsuite>";
  History sharded;
  ASSERT_TRUE(readJunitPath(folder, sharded, error)) << error.reason;
  positions.clear();
  for (const TestResult& result : sharded.runs[0].results) positions.push_back(result.position);
  EXPECT_EQ(positions, (std::vector<int>{1, 0}));
}

}  // namespace

namespace {

// A folder of runs made from the files given; "->" in a content makes a link
// to the path after it.
void makeFolder(const std::string& folder,
                const std::vector<std::pair<std::string, std::string>>& files) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  for (const auto& [name, content] : files) {
    const std::filesystem::path path = folder + name;
    std::filesystem::create_directories(path.parent_path());
    if (content.rfind("->", 0) == 0) {
      std::filesystem::create_symlink(content.substr(2), path);
    } else {
      std::ofstream(path) << content;
    }
  }
}

const std::string RAN_A = "<testsuite><testcase name=\"a\" time=\"1\"/></testsuite>\n";
const std::string RAN_B = "<testsuite><testcase name=\"b\" time=\"2\"/></testsuite>\n";

// One run number is one run, whatever its reports' shapes; each run keeps
// its own diff and snapshot once, and a diff or snapshot no run takes is
// named, never silently dropped.
TEST(History, JoinsARunsReportsAndKeepsItsFiles) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;
    // Each timeline entry: name, "read" or "out", shards, diff, snapshot.
    std::vector<std::string> timeline;
    std::vector<std::string> unread;
  };
  const Case cases[] = {
      {"a whole report and a shard's",
       {{"run-1.xml", RAN_A},
        {"run-2.xml", RAN_A},
        {"run-2-shard-1.xml", RAN_B},
        {"run-2.diff", ""}},
       {"run-1 read  - -", "run-2 read 1 run-2.diff -"},
       {}},
      {"a folder per shard, a shard's own diff not read",
       {{"run-2-shard-1/a.xml", RAN_A},
        {"run-2-shard-2/b.xml", RAN_B},
        {"run-2-shard-2/changes.diff", ""},
        {"run-2.diff", ""}},
       {"run-2 read 1,2 run-2.diff -"},
       {"changes.diff: a shard's own diff, not read: a sharded run's diff is RUN.diff beside "
        "its reports"}},
      {"a run's folder and its report beside",
       {{"run-3/a.xml", RAN_A},
        {"run-3.xml", RAN_B},
        {"run-3/changes.diff", ""},
        {"run-3.diff", ""}},
       {"run-3 read  changes.diff -"},
       {"run-3.diff: not read: the run's folder holds its diff, changes.diff"}},
      {"linked diffs and snapshots are not followed",
       {{"run-1.xml", RAN_A},
        {"real.txt", ""},
        {"run-1.diff", "->real.txt"},
        {"coverage-1.json", "->real.txt"},
        {"run-2/a.xml", RAN_A},
        {"run-2/changes.diff", "->../real.txt"}},
       {"run-1 read  - -", "run-2 read  - -"},
       {"coverage-1.json: a link, not followed", "run-1.diff: a link, not followed",
        "changes.diff: a link, not followed"}},
      {"a cancelled job's diff, a snapshot of no run",
       {{"run-1.xml", RAN_A}, {"run-2.diff", ""}, {"coverage-7.info", ""}},
       {"run-1 read  - -"},
       {"coverage-7.info: a coverage snapshot that no run's name matches",
        "run-2.diff: no report of its run beside it (a job cancelled?); its change is not "
        "carried"}},
      {"a run left out keeps its diff and snapshot",
       {{"run-1.xml", RAN_A},
        {"run-2.xml", "<testsuite>"},
        {"run-2.diff", ""},
        {"coverage-2.info", ""},
        {"run-3/a.xml", RAN_A},
        {"run-3/coverage.json", ""}},
       {"run-1 read  - -", "run-2 out  run-2.diff coverage-2.info", "run-3 read  - coverage.json"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = testing::TempDir() + "antorder-joined/";
    makeFolder(folder, c.files);
    History history;
    ReadError error;
    ASSERT_TRUE(readJunitPath(folder, history, error)) << error.file << ": " << error.reason;
    const auto nameOf = [](const std::string& path) {
      return path.empty() ? std::string("-") : std::filesystem::path(path).filename().string();
    };
    std::vector<std::string> timeline;
    for (const RunFiles& run : history.timeline) {
      std::string shards;
      if (run.run >= 0) {
        const TestRun& read = history.runs[static_cast<std::size_t>(run.run)];
        EXPECT_EQ(read.name, run.name);
        EXPECT_EQ(read.changeFile, run.changeFile);
      }
      for (const int shard : run.shards) {
        shards += (shards.empty() ? "" : ",") + std::to_string(shard);
      }
      timeline.push_back(run.name + (run.run >= 0 ? " read " : " out ") + shards + " " +
                         nameOf(run.changeFile) + " " + nameOf(run.coverageFile));
    }
    EXPECT_EQ(timeline, c.timeline);
    std::vector<std::string> unread;
    for (const LeftOutRun& file : history.filesUnread) {
      unread.push_back(nameOf(file.file) + ": " + file.reason);
    }
    EXPECT_EQ(unread, c.unread);
  }
}

// Each option tells a history its own way, and only readHistory tells it:
// a history is read whole, anything else is left unread with the format its
// start gives, and a history that cannot be read is refused.
TEST(History, IsToldFromOtherInputsByEachOption) {
  const std::string suites = SOURCE_DIR "/tests/suites/";
  const std::string missing = testing::TempDir() + "antorder-no-such-history";
  struct Case {
    std::string path;
    SuiteFormat given;
    HistoryUse use;
    HistoryRead read;
    SuiteFormat format;  // as handed back
    std::size_t runs;    // where read
  };
  const SuiteFormat detect = SuiteFormat::DETECT;
  const SuiteFormat junit = SuiteFormat::JUNIT;
  const Case cases[] = {
      {suites + "replay", detect, HistoryUse::SUITE, HistoryRead::READ, junit, 12},
      {JUNIT + "pytest.xml", detect, HistoryUse::SUITE, HistoryRead::READ, junit, 1},
      {suites + "mutations.xml", detect, HistoryUse::SUITE, HistoryRead::NOT_A_HISTORY,
       SuiteFormat::PIT, 0},
      {suites + "contexts.json", detect, HistoryUse::SUITE, HistoryRead::NOT_A_HISTORY,
       SuiteFormat::COVERAGE_JSON, 0},
      {suites + "coverage.info", detect, HistoryUse::SUITE, HistoryRead::NOT_A_HISTORY, detect, 0},
      // A format given is not second-guessed, a folder's or a file's.
      {suites + "replay", SuiteFormat::CSV, HistoryUse::SUITE, HistoryRead::NOT_A_HISTORY,
       SuiteFormat::CSV, 0},
      {suites + "small.lists", junit, HistoryUse::SUITE, HistoryRead::REFUSED, junit, 0},
      {missing, detect, HistoryUse::SUITE, HistoryRead::NOT_A_HISTORY, detect, 0},
      {STANDARD_INPUT, detect, HistoryUse::SUITE, HistoryRead::NOT_A_HISTORY, detect, 0},
      // --costs takes XML for a history: PIT's is then refused as a report.
      {suites + "history", SuiteFormat::CSV, HistoryUse::COSTS, HistoryRead::READ, junit, 4},
      {suites + "built_in.csv", SuiteFormat::CSV, HistoryUse::COSTS, HistoryRead::NOT_A_HISTORY,
       SuiteFormat::CSV, 0},
      {suites + "mutations.xml", SuiteFormat::CSV, HistoryUse::COSTS, HistoryRead::REFUSED, junit,
       0},
      // --replay reads whatever is not another format's file, to say why it cannot.
      {suites + "replay", detect, HistoryUse::RUNS, HistoryRead::READ, junit, 12},
      {suites + "mutations.xml", detect, HistoryUse::RUNS, HistoryRead::NOT_A_HISTORY, detect, 0},
      {suites + "coverage.info", detect, HistoryUse::RUNS, HistoryRead::NOT_A_HISTORY, detect, 0},
      {missing, detect, HistoryUse::RUNS, HistoryRead::REFUSED, junit, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " as " + formatName(c.given) + ", use " +
                 std::to_string(static_cast<int>(c.use)));
    SuiteFormat format = c.given;
    History history;
    ReadError error;
    EXPECT_EQ(readHistory(c.path, format, c.use, history, error), c.read) << error.reason;
    EXPECT_EQ(format, c.format);
    if (c.read == HistoryRead::READ) {
      EXPECT_EQ(history.runs.size(), c.runs);
    }
    EXPECT_EQ(error.reason.empty(), c.read != HistoryRead::REFUSED);
  }
}

// An output is refused where it would land on a file the history reads,
// however the path reaches it; beside the history's files it is free.
TEST(History, KnowsTheFilesItReads) {
  const std::string base = testing::TempDir() + "antorder-inside/";
  const std::string folder = base + "h/";
  std::filesystem::remove_all(base);
  makeFolder(folder, {{"run-1.xml", RAN_A}, {"run-1.diff", ""}, {"run-2/a.xml", RAN_A}});
  std::filesystem::create_directory_symlink("h", base + "alias");
  std::filesystem::create_symlink("h/run-1.xml", base + "to-report");
  std::filesystem::create_symlink("h/run-9.xml", base + "to-new-report");
  std::filesystem::create_symlink("h/notes.txt", base + "to-notes");
  struct Case {
    std::string path;
    bool inside;
  };
  const Case cases[] = {
      {folder + "run-1.xml", true},
      {folder + "run-9.xml", true},  // would be read as a run the next time
      {folder + "RUN-1.XML", true},
      {folder + "run-1.diff", true},
      {folder + "coverage-0001.json", true},
      {folder + "coverage-1.info", true},
      {folder + "run-2/order.txt", true},
      {folder + "run-2/new/order.txt", true},
      {folder + "./run-1.xml", true},
      {base + "h/../h/run-1.xml", true},
      {base + "alias/run-1.xml", true},
      {base + "to-report", true},
      {base + "to-new-report", true},
      {folder + "order.txt", false},
      {folder + "coverage.json", false},
      {base + "to-notes", false},
      {base + "order.txt", false},
      {base + "h", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(insideHistory(folder, c.path), c.inside);
    EXPECT_EQ(insideHistory(base + "alias", c.path), c.inside);
  }
  EXPECT_FALSE(insideHistory(folder + "run-1.xml", folder + "run-1.xml"));
}

}  // namespace
