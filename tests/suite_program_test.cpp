#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/helpers.h"
#include "tests/process_run.h"

namespace {

const std::string SUITES = SOURCE_DIR "/tests/suites/";

ProgramRun runSuiteProgram(const std::string& arguments, const std::string& output = "",
                           const std::string& input = "/dev/null") {
  return runProgram(ANTORDER_SUITE_PATH, arguments, output, input);
}

// A new empty folder for this test's files.
std::string freshFolder(const std::string& name) {
  std::string folder = testing::TempDir() + "antorder-suite-" + name + "/";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::set<std::string> filesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// JUnit 5 runs a class's tests together: the order written comes class by
// class, the budget and the shards take whole classes, and the summary says
// what that costs. A runner that runs test by test changes nothing.
TEST(SuiteProgram, OrdersClassByClassForJunit5) {
  const std::string folder = freshFolder("classes");
  const std::string history = SUITES + "classes";
  const ProgramRun plain = runSuiteProgram("--quiet --order " + folder + "plain.txt " + history);
  const ProgramRun pytest =
      runSuiteProgram("--quiet --runner pytest --order " + folder + "pytest.txt " + history);
  EXPECT_EQ(pytest.output, plain.output);
  EXPECT_EQ(readFile(folder + "pytest.txt"), readFile(folder + "plain.txt"));
  EXPECT_EQ(readFile(folder + "plain.txt"),
            "shop.CartTest.empty\nshop.PriceTest.rounds\nshop.LoginTest.old\n"
            "shop.LoginTest.locked(int)[1]\nshop.PriceTest.euro\nshop.CartTest.total\n");

  const ProgramRun run = runSuiteProgram("--quiet --runner junit5 --budget 4 --order " + folder +
                                         "order.txt --rest " + folder + "rest.txt " + history);
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("\nrunner junit5: the order runs class by class (3 classes); APFD "
                            "0.797619 test by test, 0.678571 class by class; APFDc 0.785714, "
                            "0.642857\nbudget 4 s: 2 of 6 tests selected (1 of 3 classes), "),
            std::string::npos)
      << run.output;
  EXPECT_EQ(readFile(folder + "order.txt"), "shop.CartTest.empty\nshop.CartTest.total\n");
  EXPECT_EQ(readFile(folder + "rest.txt"),
            "shop.PriceTest.rounds\nshop.PriceTest.euro\nshop.LoginTest.old\n"
            "shop.LoginTest.locked(int)[1]\n");

  // Two shards: every test once, each class on one shard, in the order's sequence.
  std::string both;
  for (const char* shard : {"1/2", "2/2"}) {
    SCOPED_TRACE(shard);
    std::string arguments = "--quiet --runner junit5 --shard ";
    arguments.append(shard).append(" --order ").append(folder).append("shard.txt ").append(history);
    const ProgramRun part = runSuiteProgram(arguments);
    EXPECT_EQ(part.status, 0) << part.errors;
    both += readFile(folder + "shard.txt");
  }
  EXPECT_EQ(both,
            "shop.CartTest.empty\nshop.CartTest.total\nshop.LoginTest.old\n"
            "shop.LoginTest.locked(int)[1]\nshop.PriceTest.rounds\nshop.PriceTest.euro\n");

  // A budget no class fits names the quickest class's time, not a test's.
  const ProgramRun none =
      runSuiteProgram("--quiet --runner junit5 --budget 1.5 --order /dev/null " + history);
  EXPECT_EQ(none.errors,
            "antorder-suite: warning: the budget of 1.5 s selects no class: the quickest is "
            "expected to take 2 s\n");
}

TEST(SuiteProgram, SummarisesTheBuiltInSuiteAndWritesTheBestOrder) {
  const std::string orderPath = testing::TempDir() + "antorder-suite-order.txt";
  const ProgramRun run = runSuiteProgram("--order '" + orderPath + "' " + SUITES + "built_in.csv");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.output, "suite: " + SUITES + "built_in.csv\n" +
                            "tests: 5\n"
                            "faults: 5\n"
                            "faults revealed by no test, left out: 0\n"
                            "given order        APFD 0.740000  APFDc 0.658333\n"
                            "additional greedy  APFD 0.780000  APFDc 0.825000\n"
                            "ant colony         APFD 0.780000  APFDc 0.833333  (found in "
                            "iteration 2 of 100)\n"
                            "best order         APFD 0.780000  APFDc 0.858333  (exact search: "
                            "no order scores higher by APFDc)\n");
  // The cheapest test first, then the cheaper of the two that reveal the last two
  // faults; then afresh, T5 before T4, as it reveals more in all.
  EXPECT_EQ(readFile(orderPath), "T3\nT2\nT1\nT5\nT4\n");

  // By APFD alone the two are alike, and the lower-numbered goes first.
  const ProgramRun byApfd =
      runSuiteProgram("--objective apfd --order '" + orderPath + "' " + SUITES + "built_in.csv");
  EXPECT_NE(byApfd.output.find("best order         APFD 0.780000  APFDc 0.825000  (exact search: "
                               "no order scores higher by APFD)\n"),
            std::string::npos)
      << byApfd.output;
  EXPECT_EQ(readFile(orderPath), "T3\nT1\nT2\nT5\nT4\n");
}

// Exit statuses a script can rely on: 0 done, 1 a result not written, 2 bad
// usage or input, with nothing on standard output but for --help and --version.
TEST(SuiteProgram, ExitsWithTheStatusAndTheMessageOfEachFailure) {
  struct Case {
    std::string arguments;
    int status;
    std::string errors;  // the whole of standard error, or its start when it ends in "..."
  };
  const std::string builtIn = SUITES + "built_in.csv";
  const std::string noReports = freshFolder("no-reports");
  const Case cases[] = {
      {"--version", 0, ""},
      {"/no/such/suite.csv", 2, "antorder-suite: /no/such/suite.csv: No such file or directory\n"},
      {noReports, 2,
       "antorder-suite: " + noReports + ": holds no .xml report, nor a folder of them\n"},
      {"--input csv " + SUITES, 2,
       "antorder-suite: " + SUITES + ": is a directory, not a suite file\n"},
      {"--window 0 " + builtIn, 2,
       "antorder-suite: --window: must be a whole number from 1 to 1073741824, found 0\n..."},
      // Every number in decimal, the one way: 010 is ten, 0x10 and +3 no number.
      {"--window 010 --iterations 0x10 " + builtIn, 2,
       "antorder-suite: --iterations: must be a whole number from 1 to 1073741824, found "
       "0x10\n..."},
      {"--ants +3 " + builtIn, 2,
       "antorder-suite: --ants: must be a whole number from 1 to 1073741824, found +3\n..."},
      {"--input sir " + builtIn, 2,
       "antorder-suite: " + builtIn + ":1: expected \"<versions> listversions\", found ..."},
      {"--frobnicate " + builtIn, 2,
       "antorder-suite: The following argument was not expected: ..."},
      {"--ants 0 " + builtIn, 2,
       "antorder-suite: --ants: must be a whole number from 1 to 1073741824, found 0\n..."},
      {"--seed -1 " + builtIn, 2,
       "antorder-suite: --seed: must be a whole number from 0 to 4294967295, found -1\n..."},
      {"--seed 4294967296 " + builtIn, 2,
       "antorder-suite: --seed: must be a whole number from 0 to 4294967295, found "
       "4294967296\n..."},
      {"--seed 1 --seed=2 " + builtIn, 2, "antorder-suite: --seed is given twice\n..."},
      {"--window 3 " + builtIn, 2,
       "antorder-suite: --window applies to a JUnit history, and no file read is one\n..."},
      {"--items branches " + builtIn, 2,
       "antorder-suite: --items applies to an lcov tracefile, and no file read is one\n..."},
      {"--replay --budget nan " + SUITES + "replay", 2,
       "antorder-suite: --budget: must be a number of seconds above 0, found nan\n..."},
      {"--replay --budget -1 " + SUITES + "replay", 2,
       "antorder-suite: --budget: must be a number of seconds above 0, found -1\n..."},
      {"--replay --budget inf " + SUITES + "replay", 2, "antorder-suite: --budget: must be ..."},
      {"--replay " + builtIn, 2,
       "antorder-suite: " + builtIn +
           ": not a JUnit report: --replay takes a folder of JUnit reports, or one report\n"},
      {"--order o.txt --csv ./o.txt " + builtIn, 2,
       "antorder-suite: --order and --csv name one file: ./o.txt\n"},
      {"--iterations x " + builtIn, 2, "antorder-suite: ..."},
      {"--objective speed " + builtIn, 2,
       "antorder-suite: --objective: speed not in {apfd,apfdc}..."},
      {"--effort 0 " + builtIn, 2,
       "antorder-suite: --effort: must be a whole number from 1 to 1000000000, found 0\n..."},
      {"", 2, "antorder-suite: FILE is required\n..."},
      {"--order /no/such/folder/order.txt " + builtIn, 1,
       "antorder-suite: could not write /no/such/folder/order.txt: No such file or directory\n"},
      // An output must not destroy an input, nor be asked for and unnamed.
      {"--order " + builtIn + " " + builtIn, 2,
       "antorder-suite: --order would write over the file FILE reads: " + builtIn + "\n"},
      {"--csv " + SUITES + "./built_in.csv " + builtIn, 2,
       "antorder-suite: --csv would write over the file FILE reads: " + SUITES +
           "./built_in.csv\n"},
      {"--tests " + SUITES + "next-tests/plain.txt --rest " + SUITES +
           "next-tests/plain.txt --budget 1 " + builtIn,
       2,
       "antorder-suite: --rest would write over the file --tests reads: " + SUITES +
           "next-tests/plain.txt\n"},
      {"--order '' " + builtIn, 2, "antorder-suite: --order needs a file name\n"},
      // Standard output carries the results: "-" names no output but lcov's.
      {"--order - " + builtIn, 2,
       "antorder-suite: --order -: standard output carries the summary; name a file (./- for "
       "one named -)\n..."},
      {"--replay --plot - " + SUITES + "replay", 2,
       "antorder-suite: --plot -: standard output carries the replay's report; name a file (./- "
       "for one named -)\n..."},
      {"--replay --tests " + SUITES + "next-tests/plain.txt " + SUITES + "replay", 2,
       "antorder-suite: --tests cannot be used with --replay\n..."},
      {"--runner nunit " + builtIn, 2,
       "antorder-suite: --runner: nunit not in {ctest,gtest,pytest,junit5,jest}\n..."},
      {"--replay --runner jest --shards 2 " + SUITES + "replay", 2,
       "antorder-suite: --runner jest cannot be used with --replay and --budget or --shards\n..."},
      // A budget too small for any test selects none, and says so.
      {"--budget 0.5 --order /dev/null " + builtIn, 0,
       "antorder-suite: warning: the budget of 0.5 s selects no test: the quickest is expected "
       "to take 1 s\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = runSuiteProgram(c.arguments);
    EXPECT_EQ(run.status, c.status);
    if (c.status != 0) {
      EXPECT_EQ(run.output, "");
    }
    const std::size_t dots = c.errors.rfind("...");
    if (dots == c.errors.size() - 3 && !c.errors.empty()) {
      EXPECT_EQ(run.errors.substr(0, dots), c.errors.substr(0, dots));
    } else {
      EXPECT_EQ(run.errors, c.errors);
    }
  }
  const std::string help = runSuiteProgram("--help").output;
  EXPECT_EQ(help.rfind("Orders the tests of a suite", 0), 0u);
  // --runner's help, made from the runners' rows, in whole sentences.
  EXPECT_NE(help.find("junit5 runs a class's tests together and jest a file's, so the order "
                      "written is regrouped class by class (file by file), the budget and the "
                      "shards take whole classes (files), and the summary scores the order as it "
                      "runs; ctest, gtest and pytest run test by test (default)"),
            std::string::npos);

  const ProgramRun lost = runSuiteProgram(builtIn, "/dev/full");
  EXPECT_EQ(lost.status, 1);
  EXPECT_EQ(lost.errors, "antorder-suite: could not write the summary: No space left on device\n");
}

// A run that fails after the options were read, or is stopped, leaves every
// file it was to write as it was, and no temporary file; one that ends well
// replaces them all.
TEST(SuiteProgram, WritesItsFilesWholeOrNotAtAll) {
  const std::string folder = freshFolder("whole");
  const std::string order = folder + "order.txt";
  const std::string plot = folder + "plot.svg";
  const std::string table = folder + "table.csv";
  const std::string bad = folder + "bad.csv";
  writeFile(bad, "test,f1\na,2\n");
  const std::string builtIn = SUITES + "built_in.csv";
  const std::string files = "--order " + order + " --plot " + plot + " --csv " + table + " ";
  const std::set<std::string> expectedNames = {"bad.csv", "order.txt", "plot.svg", "table.csv"};
  struct Case {
    std::string command;  // run by the shell: status 130 needs the signal sent
    int status;
    std::string errors;
    std::string output = "/dev/null";
  };
  const std::string program = std::string("'") + ANTORDER_SUITE_PATH + "' ";
  const Case cases[] = {
      {program + files + bad, 2,
       "antorder-suite: " + bad + ":2: an entry must be 0 or 1, found \"2\" for fault \"f1\"\n"},
      // The plot is complete when the table's folder turns out to be a file.
      {program + "--plot " + plot + " --csv " + order + "/table.csv " + builtIn, 1,
       "antorder-suite: could not write " + order + "/table.csv: Not a directory\n"},
      {"timeout --preserve-status -s INT 0.5 " + program + files + "--iterations 1000000000 " +
           builtIn,
       130, ""},
      // Every file is complete when the summary finds the disk full.
      {program + files + builtIn, 1,
       "antorder-suite: could not write the summary: No space left on device\n", "/dev/full"},
      {program + "--replay --plot " + plot + " " + SUITES + "replay", 1,
       "antorder-suite: could not write the summary: No space left on device\n", "/dev/full"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    for (const std::string& path : {order, plot, table}) writeFile(path, "old\n");
    const std::string errors = folder + "errors.txt";
    const int status = std::system((c.command + " >" + c.output + " 2>" + errors).c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
    EXPECT_EQ(readFile(errors), c.errors);
    std::filesystem::remove(errors);
    for (const std::string& path : {order, plot, table}) EXPECT_EQ(readFile(path), "old\n");
    EXPECT_EQ(filesIn(folder), expectedNames);
  }

  const ProgramRun run = runSuiteProgram(files + builtIn);
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(readFile(order), "T3\nT2\nT1\nT5\nT4\n");
  EXPECT_EQ(readFile(table).substr(0, 61),
            "position,given order,additional greedy,ant colony,best order\n");
  EXPECT_EQ(filesIn(folder), expectedNames);
}

// The progress line is for a person at a terminal: a run of over half a
// second with standard error in a file shows none of it.
TEST(SuiteProgram, ShowsNoProgressOffATerminal) {
  // A run that would last for hours, stopped after two seconds, long past the
  // half second after which a terminal is shown progress, however fast the
  // machine is.
  const std::string errors = testing::TempDir() + "antorder-no-progress.err";
  const int status = std::system(("timeout --preserve-status -s INT 2 '" +
                                  std::string(ANTORDER_SUITE_PATH) + "' --iterations 1000000000 " +
                                  SUITES + "built_in.csv >/dev/null 2>'" + errors + "' </dev/null")
                                     .c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_EQ(readFile(errors), "");
}

// The JSON document holds what the summary says and what other tools need;
// the CSV table and --order agree with it.
TEST(SuiteProgram, PrintsTheResultsAsJson) {
  const std::string folder = freshFolder("json");
  const std::string example = SOURCE_DIR "/examples/web_shop.csv";
  const std::string options = "--seed 7 --ants 3 --iterations 20 ";
  const ProgramRun run =
      runSuiteProgram("--json " + options + "--csv " + folder + "table.csv " + example);
  ASSERT_EQ(run.status, 0) << run.errors;
  const nlohmann::json json = nlohmann::json::parse(run.output);
  EXPECT_EQ(json["input"],
            nlohmann::json::parse(R"({"file": ")" + example + R"(", "format": "csv", "tests": 14,
                                  "faults": 7, "faults_left_out": ["currency_symbol"]})"));
  EXPECT_EQ(
      json["options"],
      nlohmann::json::parse(R"({"seed": 7, "iterations": 20, "ants": 3, "objective": "apfdc"})"));
  const nlohmann::json& colony = json["orders"]["ant_colony"];
  ASSERT_EQ(colony["iteration_apfd"].size(), 20u);
  const auto& iterations = colony["iteration_apfd"];
  const double best = *std::max_element(iterations.begin(), iterations.end());
  EXPECT_EQ(colony["apfd"], best);
  const int found = colony["found_in_iteration"];
  EXPECT_EQ(iterations[static_cast<std::size_t>(found - 1)], best);
  EXPECT_GE(json["elapsed_seconds"].get<double>(), 0.0);

  // Every APFD as the summary prints it, and APFDc, as the costs differ.
  const std::string summary = runSuiteProgram(options + example).output;
  for (const char* name : {"given", "additional_greedy", "ant_colony", "best"}) {
    SCOPED_TRACE(name);
    const nlohmann::json& scores = json["orders"][name];
    char apfd[32];
    std::snprintf(apfd, sizeof apfd, "APFD %f", scores["apfd"].get<double>());
    EXPECT_NE(summary.find(apfd), std::string::npos) << summary;
    EXPECT_GT(scores["apfdc"].get<double>(), 0.0);
    EXPECT_LE(scores["apfdc"].get<double>(), 1.0);
  }

  // The best order scores no lower than the colony's or greedy's by APFDc, as the costs differ.
  const nlohmann::json& bestOrder = json["orders"]["best"];
  EXPECT_GE(bestOrder["apfdc"], colony["apfdc"]);
  EXPECT_GE(bestOrder["apfdc"], json["orders"]["additional_greedy"]["apfdc"]);
  EXPECT_NE(summary.find("best order         APFD " + sixDecimals(bestOrder["apfd"].get<float>()) +
                         "  APFDc " + sixDecimals(bestOrder["apfdc"].get<float>()) + "  (" +
                         bestOrder["method"].get<std::string>() + ")\n"),
            std::string::npos)
      << summary;

  // The table's last two columns are the colony's order and the best.
  std::istringstream table(readFile(folder + "table.csv"));
  std::string row;
  std::getline(table, row);
  std::vector<std::string> colonyColumn;
  std::vector<std::string> bestColumn;
  while (std::getline(table, row)) {
    const std::size_t last = row.rfind(',');
    const std::size_t before = row.rfind(',', last - 1);
    colonyColumn.push_back(row.substr(before + 1, last - before - 1));
    bestColumn.push_back(row.substr(last + 1));
  }
  EXPECT_EQ(nlohmann::json(colonyColumn), colony["order"]);
  EXPECT_EQ(nlohmann::json(bestColumn), bestOrder["order"]);
  EXPECT_EQ(std::set<std::string>(bestColumn.begin(), bestColumn.end()).size(), 14u);

  // With every cost the same there is no APFDc.
  const std::string lists = folder + "unit.lists";
  writeFile(lists, "1 2\n2\n3\n");
  const nlohmann::json unit = nlohmann::json::parse(runSuiteProgram("--json " + lists).output);
  EXPECT_FALSE(unit["orders"]["given"].contains("apfdc"));
  EXPECT_FALSE(unit["orders"]["best"].contains("apfdc"));
  EXPECT_EQ(unit["options"]["objective"], "apfd");
  EXPECT_EQ(unit["input"]["format"], "lists");
}

// The picture is well-formed XML (where xmllint is at hand to say so) and
// names the four orders' scores, with a file name that needs escaping in its title.
TEST(SuiteProgram, DrawsAWellFormedPictureNamingTheFourOrdersScores) {
  const std::string folder = freshFolder("plot");
  const std::string suite = folder + "R&D <built-in>.csv";
  std::filesystem::copy_file(SUITES + "built_in.csv", suite);
  const std::string plot = folder + "plot.svg";
  ASSERT_EQ(runSuiteProgram("--plot '" + plot + "' '" + suite + "'").status, 0);
  const std::string svg = readFile(plot);
  for (const char* text :
       {"given order, APFD 0.740000, APFDc 0.658333", "additional greedy, APFD 0.780000",
        "ant colony, APFD 0.780000", "best order, APFD 0.780000, APFDc 0.858333",
        "R&amp;D &lt;built-in&gt;.csv", "The area under each curve is its APFDc.",
        "time spent (% of the suite's)"}) {
    EXPECT_NE(svg.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(svg.find("<script"), std::string::npos);
  if (std::system("command -v xmllint >/dev/null") != 0) GTEST_SKIP() << "no xmllint";
  EXPECT_EQ(std::system(("xmllint --noout '" + plot + "'").c_str()), 0);
}

// A folder of JUnit reports is a history: its failures are the faults; a
// history without failures is ordered cheapest first, in every output.
TEST(SuiteProgram, OrdersAJunitHistory) {
  const std::string history = SUITES + "history";
  const ProgramRun run = runSuiteProgram("--window 3 " + history);
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.output.substr(0, run.output.find("given order")),
            "suite: " + history +
                "\ntests: 3\nfailures: 3 (2 distinct by the tests that reveal them)\n" +
                "runs in the window: 3 (at most 3), 3 with a failure\n");
  // The order written is the failure model's, learned from every run.
  EXPECT_NE(run.output.find("(learned from 4 runs: the order written)\nreplayed on the last "),
            std::string::npos)
      << run.output;
  const std::string learned = freshFolder("learned");
  const ProgramRun ordered =
      runSuiteProgram("--json --window 3 --order " + learned + "order.txt " + history);
  const nlohmann::json model = nlohmann::json::parse(ordered.output)["orders"]["failure_model"];
  std::string written;
  for (const auto& name : model["order"]) written += name.get<std::string>() + "\n";
  EXPECT_EQ(readFile(learned + "order.txt"), written);
  EXPECT_EQ(model["learned_from_runs"], 4);
  EXPECT_EQ(model["replayed"]["failing_runs"], 3);

  const std::string folder = freshFolder("healthy");
  writeFile(folder + "run-1.xml",
            "<testsuite><testcase name=\"slow\" time=\"9\"/><testcase name=\"quick\" "
            "time=\"1\"/><testcase name=\"mid\" time=\"5\"/></testsuite>\n");
  const std::string files = "--order " + folder + "order.txt --csv " + folder + "table.csv ";
  const ProgramRun healthy = runSuiteProgram(files + folder + "run-1.xml");
  EXPECT_EQ(healthy.status, 0) << healthy.errors;
  EXPECT_EQ(healthy.output, "suite: " + folder + "run-1.xml\ntests: 3\nfailures: 0\n" +
                                "runs in the window: 1 (at most 50), 0 with a failure\n" +
                                "no failures to reveal: the order runs the cheapest tests first\n" +
                                "no failure in the history: the failure model has nothing to "
                                "learn from\n");
  EXPECT_EQ(readFile(folder + "order.txt"), "quick\nmid\nslow\n");
  EXPECT_EQ(readFile(folder + "table.csv"),
            "position,given order,cheapest first,failure model\n1,slow,quick,quick\n"
            "2,quick,mid,mid\n3,mid,slow,slow\n");
  const nlohmann::json json =
      nlohmann::json::parse(runSuiteProgram("--json " + folder + "run-1.xml").output);
  EXPECT_EQ(json["orders"]["cheapest_first"]["order"],
            nlohmann::json::parse(R"(["quick", "mid", "slow"])"));
  EXPECT_EQ(json["input"]["failures"], 0);
}

// "-" reads standard input, its format told by its content.
TEST(SuiteProgram, ReadsStandardInput) {
  const ProgramRun run = runSuiteProgram("-", "", SUITES + "built_in.csv");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.output.substr(0, 49), "suite: (standard input)\ntests: 5\nfaults: 5\nfaults");
  EXPECT_NE(run.output.find("ant colony         APFD 0.780000"), std::string::npos);
}

// --coverage, --tests and --costs read standard input for "-", one of them
// at a time, as the suite itself does.
TEST(SuiteProgram, ReadsEachOtherInputFromStandardInput) {
  const std::string folder = freshFolder("standard-input");
  writeFile(folder + "coverage.info", "TN:cart.empty\nSF:/p/src/cart.py\nDA:3,1\nend_of_record\n");
  writeFile(folder + "next.diff", "--- a/src/cart.py\n+++ b/src/cart.py\n@@ -3 +3 @@\n-a\n+b\n");
  writeFile(folder + "tests.txt", "cart.total\ncart.empty\n");
  writeFile(folder + "costs.csv", "test,cost\ncart.total,7\ncart.empty,1\n");
  writeFile(folder + "costs.xml",
            "<testsuite><testcase classname=\"cart\" name=\"total\" time=\"7\"/></testsuite>\n");
  const std::string history = " --window 3 " + SUITES + "history";
  struct Case {
    std::string arguments;
    std::string input;
    std::string said;
  };
  const Case cases[] = {
      {"--coverage - --changes " + folder + "next.diff --json", "coverage.info", "\"cart.empty\""},
      {"--tests -", "tests.txt", "the next run's tests: 2 tests listed"},
      {"--costs -", "costs.csv", "tests have no cost in (standard input)"},
      {"--costs -", "costs.xml", "tests have no cost in (standard input)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments + " < " + c.input);
    std::string arguments = c.arguments;
    arguments.append(" --order ").append(folder).append("order.txt").append(history);
    const ProgramRun run = runSuiteProgram(arguments, "", folder + c.input);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE((run.output + run.errors).find(c.said), std::string::npos)
        << run.output << run.errors;
  }
  // The change placed on the coverage read from standard input puts the
  // test it touches first.
  runSuiteProgram(
      "--coverage - --changes " + folder + "next.diff --order " + folder + "order.txt" + history,
      "", folder + "coverage.info");
  EXPECT_EQ(readFile(folder + "order.txt").substr(0, 11), "cart.empty\n");
}

// A path git quotes with a terminal's escapes in it reaches standard error
// escaped, in each message that names a changed file: a warning of an unsafe
// selection, of a run's change left out, and the error of a change that
// cannot be placed.
TEST(SuiteProgram, EscapesEveryMessageOfAHostilePath) {
  const std::string folder = freshFolder("hostile-path");
  std::filesystem::create_directories(folder + "history");
  writeFile(folder + "history/run-1.xml",
            "<testsuite><testcase classname=\"cart\" name=\"total\"><failure/></testcase>"
            "<testcase classname=\"cart\" name=\"empty\"/></testsuite>\n");
  const std::string hostile = "\"a/\\033]0;x\\007/app.py\"";
  const std::string ambiguous = "--- " + hostile + "\n+++ " + hostile + "\n@@ -1 +1 @@\n-a\n+b\n";
  writeFile(folder + "history/run-1.diff", ambiguous);
  writeFile(folder + "ambiguous.diff", ambiguous);
  writeFile(folder + "unplaced.diff",
            "--- \"a/\\033]0;x\\007.txt\"\n+++ \"b/\\033]0;x\\007.txt\"\n@@ -1 +1 @@\n-a\n+b\n");
  // Two roots of one tree: the diff's path matches both alike, and is said.
  writeFile(folder + "coverage.info",
            "TN:cart.total\nSF:/p/\x1b]0;x\x07/app.py\nDA:1,1\nend_of_record\nTN:cart.empty\n"
            "SF:/q/\x1b]0;x\x07/app.py\nDA:1,1\nend_of_record\n");
  const std::string coverage = " --coverage " + folder + "coverage.info ";
  struct Case {
    std::string arguments;
    int status;
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {coverage + "--budget 100 --changes " + folder + "unplaced.diff",
       0,
       {"several coverage files alike, each placed on and carried through all of them, such as "
        "\\x1b]0;x\\x07/app.py",
        "no test is known to depend on \\x1b]0;x\\x07.txt"}},
      {coverage + "--changes " + folder + "ambiguous.diff",
       0,
       {"such as \\x1b]0;x\\x07/app.py: /p/\\x1b]0;x\\x07/app.py"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = runSuiteProgram(c.arguments + " " + folder + "history");
    EXPECT_EQ(run.status, c.status) << run.errors;
    EXPECT_EQ(run.errors.find_first_of("\x1b\x07"), std::string::npos) << run.errors;
    for (const std::string& said : c.said) {
      EXPECT_NE(run.errors.find(said), std::string::npos) << said << "\n" << run.errors;
    }
  }
}

// Coverage orders scored against faults: both orders cover every line with
// t1, and only their tails tell them apart. After t1, additional greedy
// starts afresh: t3 (three lines), then t2 and t4 each add line 4, the lower
// index first; the best order's tail takes t4 first, as it covers more in all,
// and reveals f1 a test sooner. t2 is not in the faults file: it reveals none.
TEST(SuiteProgram, ScoresEveryOrderAgainstAnotherMatrix) {
  const std::string evaluate = SUITES + "evaluate/";
  const ProgramRun run = runSuiteProgram("--json " + evaluate + "coverage.lists --evaluate " +
                                         evaluate + "faults.csv");
  ASSERT_EQ(run.status, 0) << run.errors;
  const nlohmann::json json = nlohmann::json::parse(run.output);
  const nlohmann::json& orders = json["orders"];
  EXPECT_EQ(orders["best"]["order"], nlohmann::json::parse(R"(["t1", "t3", "t4", "t2"])"));
  EXPECT_FLOAT_EQ(orders["additional_greedy"]["apfd"].get<float>(), 0.875f);
  EXPECT_FLOAT_EQ(orders["best"]["apfd"].get<float>(), 0.875f);
  // f1 at 4 or 3, f2 at 2, of 4 tests: 1 - 6/8 + 1/8 and 1 - 5/8 + 1/8.
  EXPECT_FLOAT_EQ(orders["additional_greedy"]["evaluation"]["apfd"].get<float>(), 0.375f);
  EXPECT_FLOAT_EQ(orders["best"]["evaluation"]["apfd"].get<float>(), 0.5f);
  EXPECT_EQ(json["input"]["evaluation"]["faults"], 2);

  // Both files count faults, so the summary names the scores by file.
  const ProgramRun summary =
      runSuiteProgram(evaluate + "coverage.lists --evaluate " + evaluate + "faults.csv");
  EXPECT_NE(summary.output.find("best order         coverage.lists: APFD 0.875000  faults.csv: "
                                "APFD 0.500000  (exact search"),
            std::string::npos)
      << summary.output;
  const std::string table = testing::TempDir() + "antorder-suite-evaluated.csv";
  EXPECT_EQ(runSuiteProgram("--csv " + table + " " + evaluate + "coverage.lists --evaluate " +
                            evaluate + "faults.csv")
                .status,
            0);
  EXPECT_EQ(readFile(table).substr(readFile(table).find('\n') + 1),
            "1,t1,t1,t1,t1,0,0,0,0\n2,t2,t3,t2,t3,0,1,0,1\n3,t3,t2,t3,t4,1,1,1,2\n"
            "4,t4,t4,t4,t2,2,2,2,2\n");

  // A test the suite lacks (one that covers no line, say) is left out of
  // the evaluation by name, and what only it reveals with it.
  const ProgramRun unknown = runSuiteProgram("--json " + evaluate + "coverage.lists --evaluate " +
                                             evaluate + "unknown.csv");
  EXPECT_EQ(unknown.status, 0);
  EXPECT_EQ(unknown.errors, "antorder-suite: warning: " + evaluate +
                                "unknown.csv: 1 test not in the suite, left out of the "
                                "evaluation: t9\n");
  EXPECT_EQ(nlohmann::json::parse(unknown.output)["input"]["evaluation"]["faults"], 1);

  // A pytest node id and its JUnit key name one test, in either file; an
  // evaluation in which no test of the suite reveals anything is refused.
  const std::string folder = freshFolder("evaluate-names");
  writeFile(folder + "ids.csv",
            "test,cost,f1\ntests/test_cart.py::test_total[1],1,1\ntests/test_cart.py::test_empty,"
            "1,0\n");
  writeFile(folder + "keys.csv",
            "test,f1\ntests.test_cart.test_empty,1\ntests.test_cart.test_total[1],0\n");
  std::filesystem::create_directories(folder + "runs");
  writeFile(folder + "runs/run-1.xml",
            "<testsuite><testcase classname=\"tests.test_cart\" name=\"test_total[1]\">"
            "<failure/></testcase></testsuite>\n");
  writeFile(folder + "other.csv", "test,f1\nsomething_else,1\n");
  struct Case {
    std::string arguments;
    int status;
    std::string errors;
  };
  const Case cases[] = {
      {folder + "ids.csv --evaluate " + folder + "keys.csv", 0, ""},
      {folder + "ids.csv --evaluate " + folder + "runs", 0, ""},
      {folder + "keys.csv --evaluate " + folder + "ids.csv", 0, ""},
      {folder + "ids.csv --evaluate " + folder + "other.csv", 2,
       "antorder-suite: warning: " + folder +
           "other.csv: 1 test not in the suite, left out of the evaluation: something_else\n"
           "antorder-suite: " +
           folder + "other.csv: no test of the suite reveals any of its faults\n"},
  };
  for (const Case& c : cases) {
    const ProgramRun matched = runSuiteProgram(c.arguments);
    EXPECT_EQ(matched.status, c.status) << c.arguments;
    EXPECT_EQ(matched.errors, c.errors) << c.arguments;
  }
}

// The replay prints the same bytes however many runs it replays at once,
// and refuses what does not go with it.
TEST(SuiteProgram, ReplaysAHistoryTheSameForAnyNumberOfJobs) {
  const std::string history = SUITES + "replay";
  const std::string folder = freshFolder("replay");
  std::vector<ProgramRun> runs;
  for (const char* jobs : {"1", "2"}) {
    std::string arguments = "--replay --window 3 --budget 3 --jobs ";
    arguments.append(jobs).append(" --plot ").append(folder).append("plot-").append(jobs);
    arguments += ".svg ";
    runs.push_back(runSuiteProgram(arguments + history));
    std::string jsonArguments = arguments;
    jsonArguments.append("--json ").append(history);
    runs.push_back(runSuiteProgram(jsonArguments));
    EXPECT_EQ(runs.back().status, 0) << runs.back().errors;
  }
  EXPECT_EQ(runs[0].output, runs[2].output);
  EXPECT_EQ(runs[1].output, runs[3].output);
  EXPECT_EQ(readFile(folder + "plot-1.svg"), readFile(folder + "plot-2.svg"));
  EXPECT_NE(runs[0].output.find("failing runs replayed: 6 (those with a run before them), 5 with "
                                "a passing test\n"),
            std::string::npos)
      << runs[0].output;
  EXPECT_NE(runs[0].output.find("hindsight             0.788889    "), std::string::npos);
  EXPECT_NE(runs[0].output.find("failing within 3 s"), std::string::npos);
  const nlohmann::json json = nlohmann::json::parse(runs[1].output);
  EXPECT_EQ(json["runs"].size(), 6u);
  EXPECT_EQ(json["runs"][0]["run"], "run-02");
  EXPECT_EQ(json["runs"][0]["scores"]["hindsight"]["first_failure_seconds"], 2.0);

  struct Refused {
    std::string arguments;
    std::string message;
  };
  const Refused refused[] = {
      {"--rest rest.txt " + history, "--rest requires --budget or --shard"},
      {"--replay --ctest-costs c.txt " + history, "--ctest-costs cannot be used with --replay"},
      {"--replay --csv x.csv " + history, "--csv cannot be used with --replay"},
      {"--replay --evaluate x.csv " + history, "--evaluate excludes --replay"},
      {"--replay " + SUITES + "built_in.csv", "built_in.csv:"},
      {"--shard 0/4 " + history, "a shard is I/N, from 1/N to N/N, N at most 1024: 0/4"},
      {"--shard 5/4 " + history, "a shard is I/N, from 1/N to N/N, N at most 1024: 5/4"},
      {"--shard 1/4x " + history, "a shard is I/N, from 1/N to N/N, N at most 1024: 1/4x"},
      {"--replay --shard 1/2 " + history, "--replay excludes --shard"},
      {"--shards 2 " + history, "--shards requires --replay"},
      {"--fail-closed --budget 3 " + history, "--fail-closed requires --changes"},
      {"--changes x.diff " + SUITES + "built_in.csv", "FILE must be a JUnit report"},
      {"--shard 1/1025 " + history, "N at most 1024: 1/1025"},
      {"--changes - --tests - " + history, "only one input can be read from standard input"},
      {"--changes " + SUITES + " " + history, "is a folder, not a file"},
  };
  for (const Refused& r : refused) {
    const ProgramRun run = runSuiteProgram(r.arguments);
    EXPECT_EQ(run.status, 2) << r.arguments;
    EXPECT_NE(run.errors.find(r.message), std::string::npos) << run.errors;
  }
}

// Per-test coverage placed on a history: the summary and the JSON say how
// many of its tests match one of the history's; lcov's rewritten names meet
// the history's unless two rewrite alike; coverage that matches in part is
// warned of, and coverage of which no test matches is refused.
// The coverage line counts --coverage's own tests, not those of a snapshot
// the history's runs took over from it.
TEST(SuiteProgram, CountsTheCoverageGivenBesideTheHistorysSnapshots) {
  const std::string folder = freshFolder("coverage-count");
  std::filesystem::create_directories(folder + "history");
  for (const char* run : {"run-1.xml", "run-2.xml"}) {
    writeFile(folder + "history/" + run,
              "<testsuite><testcase classname=\"a\" name=\"x\"/>"
              "<testcase classname=\"a\" name=\"y\"><failure/></testcase></testsuite>\n");
  }
  writeFile(folder + "history/coverage-2.info",
            "TN:a.x\nSF:/p/a.py\nDA:1,1\nend_of_record\nTN:a.y\nSF:/p/a.py\nDA:2,1\n"
            "end_of_record\n");
  writeFile(folder + "given.info", "TN:a.x\nSF:/p/a.py\nDA:1,1\nend_of_record\n");
  writeFile(folder + "next.diff", "--- a/a.py\n+++ b/a.py\n@@ -2 +2 @@\n-a\n+b\n");
  const ProgramRun run = runSuiteProgram("--coverage " + folder + "given.info --changes " + folder +
                                         "next.diff " + folder + "history");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("coverage: 1 test, 1 matched\n"), std::string::npos) << run.output;
}

// The CI job keeps the next run's diff beside the reports and gives it with
// --changes before the run has a report: no cancelled job's diff. Another
// diff without its report still is.
TEST(SuiteProgram, TakesTheNextRunsDiffBesideTheReportsForNoCancelledJob) {
  const std::string folder = freshFolder("next-diff");
  std::filesystem::create_directories(folder + "history");
  writeFile(folder + "history/run-1.xml",
            "<testsuite><testcase classname=\"a\" name=\"x\"/></testsuite>\n");
  const std::string diff = "--- a/a.py\n+++ b/a.py\n@@ -2 +2 @@\n-a\n+b\n";
  writeFile(folder + "history/run-2.diff", diff);
  writeFile(folder + "elsewhere.diff", diff);
  const std::string warning = "run-2.diff: no report of its run beside it";
  struct Case {
    std::string changes;
    bool warned;
  };
  for (const Case& c : {Case{folder + "history/run-2.diff", false},
                        Case{folder + "history/../history/run-2.diff", false},
                        Case{folder + "elsewhere.diff", true}}) {
    SCOPED_TRACE(c.changes);
    const ProgramRun run = runSuiteProgram("--changes " + c.changes + " " + folder + "history");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors.find(warning) != std::string::npos, c.warned) << run.errors;
  }
}

TEST(SuiteProgram, SaysHowManyCoverageTestsMatchAndRefusesCoverageThatMatchesNone) {
  const std::string folder = freshFolder("coverage-names");
  writeFile(folder + "run.xml",
            "<testsuite><testcase classname=\"ButtonTest\" name=\"Basic\" time=\"1\"/>"
            "<testcase classname=\"ButtonTest\" name=\"Click\" time=\"2\"><failure/></testcase>"
            "<testcase classname=\"A\" name=\"B_C\" time=\"1\"/>"
            "<testcase classname=\"A_B\" name=\"C\" time=\"1\"/></testsuite>\n");
  writeFile(folder + "next.diff",
            "--- a/src/button.cpp\n+++ b/src/button.cpp\n@@ -2 +2 @@\n-a\n+b\n");
  const struct {
    const char* what;
    std::vector<std::string> tests;  // as lcov --test-name writes them
    int status;
    int matched;
    std::string errors;
  } cases[] = {
      {"rewritten names", {"ButtonTest_Basic", "ButtonTest_Click"}, 0, 2, ""},
      {"in part",
       {"ButtonTest_Basic", "OtherTest_Gone"},
       0,
       1,
       "warning: " + folder +
           "cov.info: 1 of its 2 tests match no test of the history and place "
           "nothing, such as OtherTest_Gone\n"},
      {"rewritten alike",
       {"ButtonTest_Basic", "A_B_C"},
       0,
       1,
       "1 of its tests match two tests of the history alike, as lcov writes their names "
       "(every character outside [A-Za-z0-9_] as _), and place nothing, such as A_B_C: A.B_C "
       "and A_B.C\n"},
      {"none",
       {"OtherTest_Gone", "OtherTest_Lost"},
       2,
       0,
       "antorder-suite: " + folder +
           "cov.info: none of the 2 tests it names matches a test of "
           "the history, such as OtherTest_Gone, so it places nothing: it names the tests as "
           "another runner or tool does\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string tracefile;
    for (const std::string& test : c.tests) {
      tracefile += "TN:" + test + "\nSF:/ci/src/button.cpp\nDA:2,1\nend_of_record\n";
    }
    writeFile(folder + "cov.info", tracefile);
    std::filesystem::remove(folder + "order.txt");
    std::string arguments = folder + "run.xml --coverage ";
    arguments += folder + "cov.info --changes ";
    arguments += folder + "next.diff --order ";
    arguments += folder + "order.txt";
    const ProgramRun run = runSuiteProgram(arguments);
    EXPECT_EQ(run.status, c.status) << run.errors;
    EXPECT_NE(run.errors.find(c.errors), std::string::npos) << run.errors;
    if (c.status != 0) {
      EXPECT_EQ(run.output, "");
      EXPECT_FALSE(std::filesystem::exists(folder + "order.txt"));
      continue;
    }
    if (c.errors.empty()) {
      EXPECT_EQ(run.errors, "");
    }
    const std::string said = "coverage: 2 tests, " + std::to_string(c.matched) + " matched\n";
    EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
    const ProgramRun json = runSuiteProgram("--json " + arguments);
    const nlohmann::json input = nlohmann::json::parse(json.output)["input"];
    EXPECT_EQ(input["coverage"]["tests"], 2);
    EXPECT_EQ(input["coverage"]["matched"], c.matched);
  }
  // Without coverage neither says a word of it.
  const ProgramRun plain =
      runSuiteProgram("--json " + folder + "run.xml --changes " + folder + "next.diff");
  EXPECT_FALSE(nlohmann::json::parse(plain.output)["input"].contains("coverage"));
}

// A report as deep as a generator or an attacker likes is read without
// recursion: every route through the JUnit reader reads it, none crashes.
TEST(SuiteProgram, ReadsAReportNestedAnyDepth) {
  const std::string folder = freshFolder("deep");
  std::string nested;
  for (int level = 0; level < 20000; ++level) nested += "<testsuite>";
  nested += "<testcase name=\"deep\" time=\"2\"><failure/></testcase>";
  for (int level = 0; level < 20000; ++level) nested += "</testsuite>";
  std::filesystem::create_directories(folder + "history");
  writeFile(folder + "history/run-1.xml", "<testsuites>" + nested + "</testsuites>\n");
  writeFile(folder + "history/run-2.xml", "<testsuites>" + nested + "</testsuites>\n");
  writeFile(folder + "deep.csv", "test,f1\ndeep,1\nother,0\n");
  const std::string report = folder + "history/run-1.xml";
  struct Case {
    std::string arguments;
    std::string said;
  };
  const Case cases[] = {
      {report, "tests: 1\nfailures: 1\n"},
      {"--replay " + folder + "history", "failing runs replayed: 1"},
      {"--costs " + report + " " + folder + "deep.csv", "APFDc"},
      {"--evaluate " + report + " " + folder + "deep.csv", "scored also against"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = runSuiteProgram(c.arguments);
    EXPECT_EQ(run.status, 0) << c.arguments << run.errors;
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
  }
}

// A history is read for the runs that can be: a report cut short or empty,
// inside the window or before it, leaves its run out with a warning naming
// it, and the rest goes on; a single such report is still refused.
TEST(SuiteProgram, ReadsAHistoryPastItsBadReports) {
  const std::string folder = freshFolder("bad-reports");
  const std::string good =
      "<testsuite><testcase name=\"a\" time=\"1\"><failure/></testcase>"
      "<testcase name=\"b\" time=\"2\"/></testsuite>\n";
  writeFile(folder + "run-1.xml", "");
  writeFile(folder + "run-2.xml", good);
  writeFile(folder + "run-3.xml", good.substr(0, 40));
  writeFile(folder + "run-4.xml", good);
  const std::string warnings = "antorder-suite: warning: " + folder +
                               "run-1.xml:1: not well-formed XML: No document element found; its "
                               "run is left out\nantorder-suite: warning: " +
                               folder + "run-3.xml:1: ";
  for (const char* options : {"", "--window 1 ", "--replay "}) {
    const ProgramRun run = runSuiteProgram(std::string(options) + folder);
    EXPECT_EQ(run.status, 0) << options << run.errors;
    EXPECT_EQ(run.errors.substr(0, warnings.size()), warnings) << options;
    EXPECT_NE(run.output.find("reports left out, unreadable: 2\n"), std::string::npos)
        << run.output;
  }
  const nlohmann::json json = nlohmann::json::parse(runSuiteProgram("--json " + folder).output);
  EXPECT_EQ(json["input"]["notes"][1], "reports left out, unreadable: 2");
  const nlohmann::json replay =
      nlohmann::json::parse(runSuiteProgram("--replay --json " + folder).output);
  EXPECT_EQ(replay["history"]["reports_left_out"], 2);

  // Read for --costs or --evaluate, the history warns of the runs it leaves out too.
  writeFile(folder + "ab.csv", "test,f1\na,1\nb,0\n");
  for (const char* option : {"--costs ", "--evaluate "}) {
    std::string arguments = folder + "ab.csv ";
    arguments += option;
    arguments += folder;
    const ProgramRun other = runSuiteProgram(arguments);
    EXPECT_EQ(other.status, 0) << option << other.errors;
    EXPECT_EQ(other.errors.substr(0, warnings.size()), warnings) << option;
  }

  const ProgramRun single = runSuiteProgram(folder + "run-3.xml");
  EXPECT_EQ(single.status, 2);
  EXPECT_EQ(single.errors.rfind("antorder-suite: " + folder + "run-3.xml:1: ", 0), 0u);
}

// A folder that cannot be read is bad input, said in our words: the whole
// history when it is the folder given, a run left out when it is a run's.
// Root reads anything, so the program runs as the unprivileged user.
TEST(SuiteProgram, RefusesAHistoryFolderItCannotRead) {
  if (getuid() != 0 || std::system("id nobody >/dev/null 2>&1") != 0 ||
      std::system("command -v setpriv >/dev/null") != 0) {
    GTEST_SKIP() << "needs root, the user nobody and setpriv to take away the right to read";
  }
  const std::string folder = freshFolder("no-permission");
  std::filesystem::create_directories(folder + "history/run-2");
  writeFile(folder + "history/run-1.xml",
            "<testsuite><testcase name=\"a\"><failure/></testcase></testsuite>\n");
  writeFile(folder + "history/run-2/TEST-a.xml", "<testsuite><testcase name=\"a\"/></testsuite>\n");
  std::filesystem::permissions(folder, std::filesystem::perms::all,
                               std::filesystem::perm_options::add);
  const auto runAsNobody = [&](const std::string& arguments) {
    const std::string errors = folder + "errors.txt";
    const std::string command = "setpriv --reuid=nobody --regid=nogroup --clear-groups '" +
                                std::string(ANTORDER_SUITE_PATH) + "' " + arguments +
                                " </dev/null >/dev/null 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    return ProgramRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", readFile(errors)};
  };
  std::filesystem::permissions(folder + "history/run-2", std::filesystem::perms::none);
  const ProgramRun run = runAsNobody(folder + "history");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors, "antorder-suite: warning: " + folder +
                            "history/run-2: cannot be read: Permission denied; its run is left "
                            "out\n");
  std::filesystem::permissions(folder + "history", std::filesystem::perms::none);
  for (const char* options : {"", "--replay "}) {
    const ProgramRun refused = runAsNobody(std::string(options) + folder + "history");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.errors,
              "antorder-suite: " + folder + "history: cannot be read: Permission denied\n");
  }
  std::filesystem::permissions(folder + "history", std::filesystem::perms::owner_all);
  std::filesystem::permissions(folder + "history/run-2", std::filesystem::perms::owner_all);
}

// At most one ant a test runs: the summary and the JSON say what ran.
TEST(SuiteProgram, ReportsTheAntsThatRan) {
  const std::string builtIn = SUITES + "built_in.csv";
  EXPECT_NE(runSuiteProgram("--ants 100 " + builtIn)
                .output.find("(found in iteration 2 of 100; 5 ants, one per test, of the 100 "
                             "asked)\n"),
            std::string::npos);
  const nlohmann::json json =
      nlohmann::json::parse(runSuiteProgram("--json --ants 100 " + builtIn).output);
  EXPECT_EQ(json["options"]["ants"], 5);
  EXPECT_TRUE(json["orders"]["best"].contains("stopped_at_effort_bound"));
}

// The help, the manual page made from it and the user's manual in docs/
// tell of the same options, formats and exit statuses.
TEST(SuiteProgram, HelpsAsTheManualDoes) {
  const std::string help = runSuiteProgram("--help").output;
  const std::string usage = readFile(SOURCE_DIR "/docs/usage.md");
  ASSERT_FALSE(usage.empty()) << "no docs/usage.md";
  // The options of the manual's table, and those of the help.
  const auto optionsIn = [](const std::string& text, const std::string& start) {
    std::set<std::string> names;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(start, 0) != 0) continue;
      const std::size_t end = line.find_first_of(" `,", start.size());
      names.insert(line.substr(start.size() - 2, end - start.size() + 2));
    }
    return names;
  };
  std::set<std::string> inHelp = optionsIn(help, "  --");
  inHelp.insert("--help");  // listed as -h,--help
  std::set<std::string> inManual = optionsIn(usage, "| `--");
  inManual.insert("--version");  // the manual's row says "--help, --version"
  EXPECT_EQ(inHelp, inManual);
  // Every format the option takes is described after the options, and named
  // in the manual's row for --input.
  const std::size_t formats = help.find("\nFormats:\n");
  ASSERT_NE(formats, std::string::npos);
  for (const char* format :
       {"csv", "sir", "lists", "junit", "lcov", "coverage-json", "pit", "stryker"}) {
    EXPECT_NE(help.find("\n  " + std::string(format) + "\n", formats), std::string::npos) << format;
    EXPECT_NE(usage.find("`" + std::string(format) + "`"), std::string::npos) << format;
  }
  for (const char* status : {"\n  0 ", "\n  1 ", "\n  2 ", "\n  130 ", "\n  143 "}) {
    EXPECT_NE(help.find(status, help.find("\nExit status:\n")), std::string::npos) << status;
  }
  EXPECT_NE(usage.find("130 stopped by Ctrl-C (143 by SIGTERM)"), std::string::npos);

  std::ifstream manual(MANUAL_PATH);
  if (!manual) GTEST_SKIP() << "no manual page: help2man is not installed";
  const std::string page = readFile(MANUAL_PATH);
  for (const char* section :
       {".SH OPTIONS", ".SH FORMATS", ".SH HISTORY", ".SH EXIT STATUS", ".SH EXAMPLES"}) {
    EXPECT_NE(page.find(std::string("\n") + section + "\n"), std::string::npos) << section;
  }
}

// Every relative link of the README and of the manual in docs/ leads to a
// file or folder of the source tree, and the README leads to every page of
// the manual.
TEST(SuiteProgram, LinksOfTheReadmeAndTheManualLeadToFiles) {
  namespace fs = std::filesystem;
  const fs::path source = SOURCE_DIR;
  std::vector<fs::path> pages = {source / "README.md"};
  std::set<fs::path> manual;
  for (const auto& entry : fs::directory_iterator(source / "docs")) {
    if (entry.path().extension() != ".md") continue;
    pages.push_back(entry.path());
    manual.insert(fs::weakly_canonical(entry.path()));
  }
  ASSERT_FALSE(manual.empty());
  std::set<fs::path> fromReadme;
  for (const fs::path& page : pages) {
    const std::string text = readFile(page.string());
    ASSERT_FALSE(text.empty()) << page;
    // A link's target, or a picture's, stands between "](" and ")".
    for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 2)) {
      const std::size_t end = text.find(')', at + 2);
      ASSERT_NE(end, std::string::npos) << page;
      std::string target = text.substr(at + 2, end - at - 2);
      if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
      target.resize(std::min(target.size(), target.find('#')));
      if (target.empty()) continue;  // a heading of the same page
      const fs::path linked = page.parent_path() / target;
      EXPECT_TRUE(fs::exists(linked)) << page.lexically_relative(source) << " links to " << target;
      if (page.filename() == "README.md") fromReadme.insert(fs::weakly_canonical(linked));
    }
  }
  for (const fs::path& file : manual) {
    EXPECT_EQ(fromReadme.count(file), 1u) << "the README does not link to " << file;
  }
}

// Each picture draws what there is: no close-up where the orders finish
// late, a heading alone where nothing is revealed, a legend that names the
// curve another lies under, counts in the singular.
TEST(SuiteProgram, DrawsWhatThereIs) {
  const std::string folder = freshFolder("pictures");
  writeFile(folder + "late.csv", "test,f1,f2\na,1,0\nb,0,1\n");
  writeFile(folder + "one.csv", "test,f1\na,1\nb,0\n");
  std::filesystem::create_directories(folder + "healthy");
  writeFile(folder + "healthy/run-1.xml", "<testsuite><testcase name=\"a\"/></testsuite>\n");
  struct Case {
    std::string arguments;
    std::vector<std::string> shown;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {folder + "late.csv", {"(2 tests, 2 faults)", "Faults revealed, whole suite"}, {"closer"}},
      {folder + "one.csv", {"(2 tests, 1 fault)", "The first "}, {}},
      {folder + "healthy",
       {"height=\"100\"", "(1 test, 0 failures)", "No failures to reveal"},
       {"<path", "<polyline"}},
      {SOURCE_DIR "/examples/web_shop.csv", {"(= additional greedy, drawn over it)"}, {}},
      // Of a history, the order written is drawn too; a replay by APFD is
      // summed up by APFD.
      {SOURCE_DIR "/examples/ci-history", {"failure model, APFD"}, {}},
      {"--replay --objective apfd " SOURCE_DIR "/examples/ci-history",
       {"Strategy, mean APFD<"},
       {"mean APFDc"}},
      {"--replay " SOURCE_DIR "/examples/ci-history",
       {"(4 failing runs replayed", "failure model, 0.5356", "hindsight, 0.9359",
        "failure count, 0.5512 (= additional greedy)"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::string plot = folder + "plot.svg";
    ASSERT_EQ(runSuiteProgram("--plot " + plot + " " + c.arguments).status, 0);
    const std::string svg = readFile(plot);
    for (const std::string& text : c.shown) EXPECT_NE(svg.find(text), std::string::npos) << text;
    for (const std::string& text : c.absent) EXPECT_EQ(svg.find(text), std::string::npos) << text;
  }
}

// The examples are one web shop's: coverage.py's contexts and pytest's
// JUnit reports name the same tests, so every test finds its time.
TEST(SuiteProgram, TakesTheExampleCoverageCostsFromTheExampleHistory) {
  const ProgramRun run = runSuiteProgram(
      SOURCE_DIR "/examples/web_shop_coverage.json --costs " SOURCE_DIR "/examples/ci-history");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.errors, "");
  const ProgramRun named =
      runSuiteProgram(SUITES + "built_in.csv --costs " SOURCE_DIR "/examples/ci-history");
  EXPECT_EQ(named.errors, "antorder-suite: 5 of 5 tests have no cost in " SOURCE_DIR
                          "/examples/ci-history and keep their own: T1, T2, T3, T4, T5\n");
}

// A budget selects from the order, first fit: a test that no longer fits is
// passed over for a later, cheaper one. The order files hold the selection,
// --rest the others in order. (The best order is T3 T2 T1 T5 T4, costing
// 1, 2, 4, 2 and 3 s.)
TEST(SuiteProgram, SelectsWithinABudget) {
  const std::string folder = freshFolder("budget");
  struct Case {
    const char* budget;
    std::string selection;
    std::string rest;
    std::string said;
  };
  const Case cases[] = {
      {"0.5", "", "T3\nT2\nT1\nT5\nT4\n", "budget 0.5 s: 0 of 5 tests selected, 0.000 s expected"},
      {"3", "T3\nT2\n", "T1\nT5\nT4\n", "budget 3 s: 2 of 5 tests selected, 3.000 s expected"},
      {"5", "T3\nT2\nT5\n", "T1\nT4\n", "budget 5 s: 3 of 5 tests selected, 5.000 s expected"},
      {"12", "T3\nT2\nT1\nT5\nT4\n", "", "budget 12 s: 5 of 5 tests selected, 12.000 s"},
  };
  const std::string files = " --order " + folder + "selection.txt --rest " + folder +
                            "rest.txt --ctest-costs " + folder + "costs.txt ";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.budget);
    std::string arguments = "--budget ";
    arguments.append(c.budget).append(files).append(SUITES).append("built_in.csv");
    const ProgramRun run = runSuiteProgram(arguments);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
    EXPECT_EQ(readFile(folder + "selection.txt"), c.selection);
    EXPECT_EQ(readFile(folder + "rest.txt"), c.rest);
  }
  // ctest's cost-data file: costs falling to 1, then the line that ends it.
  EXPECT_EQ(readFile(folder + "costs.txt"), "T3 1 5\nT2 1 4\nT1 1 3\nT5 1 2\nT4 1 1\n---\n");
  // Of a history: how many of the window's failing runs the selection catches.
  const ProgramRun history = runSuiteProgram("--window 3 --budget 1 " + SUITES + "history");
  EXPECT_NE(history.output.find("; a failing test in 1 of the window's 3 failing runs (33.3%)\n"),
            std::string::npos)
      << history.output;
  const nlohmann::json json =
      nlohmann::json::parse(runSuiteProgram("--json --budget 3 " + SUITES + "built_in.csv").output);
  EXPECT_EQ(json["budget"]["rest"], nlohmann::json::parse(R"(["T1", "T5", "T4"])"));

  // Split over two shards (T3 T1 T4 on the first, T2 T5 on the second), a
  // shard's budget line and warning speak of its own tests; --shard reads
  // leading zeros alike.
  struct ShardCase {
    std::string shard;
    const char* budget;
    std::string said;
    std::string errors;
  };
  const ShardCase shardCases[] = {
      {"2/2", "4", "budget 4 s: 1 of 2 tests selected, 2.000 s expected of 5.000 s\n", ""},
      {"0002/00002", "4", "budget 4 s: 1 of 2 tests selected, 2.000 s expected of 5.000 s\n", ""},
      {"00001/2", "4", "budget 4 s: 2 of 3 tests selected, 3.000 s expected of 7.000 s\n", ""},
      {"2/2", "1.5", "budget 1.5 s: 0 of 2 tests selected, 0.000 s expected of 5.000 s\n",
       "antorder-suite: warning: the budget of 1.5 s selects no test of the shard: the quickest "
       "is expected to take 2 s\n"},
  };
  for (const ShardCase& c : shardCases) {
    SCOPED_TRACE(c.shard + " " + c.budget);
    std::string arguments = "--shard " + c.shard + " --budget ";
    arguments.append(c.budget).append(" ").append(SUITES).append("built_in.csv");
    const ProgramRun run = runSuiteProgram(arguments);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
    // Every shard says its inputs' fingerprint first.
    const std::size_t fingerprint = run.errors.find('\n');
    ASSERT_EQ(run.errors.compare(0, 23, "antorder-suite: inputs:"), 0) << run.errors;
    EXPECT_EQ(run.errors.substr(fingerprint + 1), c.errors);
  }
  for (const char* refused : {"00000/4", "1/01025", "2/0001", "1/", "/4"}) {
    const ProgramRun run =
        runSuiteProgram(std::string("--shard ") + refused + " " + SUITES + "built_in.csv");
    EXPECT_EQ(run.status, 2) << refused;
    EXPECT_NE(run.errors.find("a shard is I/N"), std::string::npos) << run.errors;
  }
}

// ctest makes Testing/Temporary only when it first runs: the cost-data
// file's folders are made for it, in a build folder not yet tested.
TEST(SuiteProgram, WritesCtestCostsIntoAFreshBuildFolder) {
  const std::string folder = freshFolder("fresh-build");
  const std::string costs = folder + "build/Testing/Temporary/CTestCostData.txt";
  const ProgramRun run = runSuiteProgram("--ctest-costs " + costs + " " + SUITES + "built_in.csv");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(readFile(costs), "T3 1 5\nT2 1 4\nT1 1 3\nT5 1 2\nT4 1 1\n---\n");
}

// Each build --collect-coverage cannot use, and each option it does not
// take, refused with exit status 2, one clear line, and no file written.
TEST(SuiteProgram, RefusesWhatItCannotCollectCoverageFrom) {
  const std::string folder = freshFolder("collect");
  const auto build = [&](const std::string& name, const std::string& ctest, bool notes) {
    std::filesystem::create_directories(folder + name + "/obj");
    writeFile(folder + name + "/CMakeCache.txt", "CMAKE_HOME_DIRECTORY:INTERNAL=" + folder +
                                                     "\nCMAKE_CTEST_COMMAND:INTERNAL=" + ctest +
                                                     "\n");
    if (notes) writeFile(folder + name + "/obj/cart.cpp.gcno", "");
    return folder + name;
  };
  const std::string output = " --output " + folder + "out.info";
  const std::string noNotes = build("no-notes", "/bin/true", false);
  const std::string listsNothing = build("lists-nothing", "/bin/true", true);
  const std::string cannotList = build("cannot-list", "/bin/false", true);
  std::filesystem::create_directories(folder + "no-cache");
  struct Case {
    std::string arguments;
    std::string said;
  };
  const Case cases[] = {
      {"--collect-coverage " + folder + "none" + output, "none is not a folder"},
      {"--collect-coverage " + folder + "no-cache" + output, "it has no CMakeCache.txt"},
      {"--collect-coverage " + noNotes + " --gcov /bin/true" + output,
       "no .gcno files under " + noNotes + ": build it with --coverage"},
      {"--collect-coverage " + noNotes + " --gcov no-such-gcov" + output,
       "no-such-gcov was not found"},
      {"--collect-coverage " + listsNothing + " --gcov /bin/true" + output,
       "ctest's listing is not its json-v1 document"},
      {"--collect-coverage " + cannotList + " --gcov /bin/true" + output,
       "ctest could not list the tests of " + cannotList + " (exit status 1)"},
      {"--collect-coverage " + noNotes, "--collect-coverage requires --output"},
      {"--collect-coverage " + noNotes + output + " --order o.txt",
       "--order cannot be used with --collect-coverage"},
      {"--collect-coverage " + noNotes + output + " " + SUITES + "built_in.csv",
       "FILE cannot be used with --collect-coverage"},
      {"--include src " + SUITES + "built_in.csv", "--include requires --collect-coverage"},
      {"--jobs 2 " + SUITES + "built_in.csv", "--jobs requires --replay or --collect-coverage"},
      {"--collect-coverage " + noNotes + output +
           " --include a --include b --include c --gcov "
           "/bin/true",
       "no .gcno files"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = runSuiteProgram(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find(c.said), std::string::npos) << run.errors;
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n') -
                  (run.errors.find("Run '") != std::string::npos ? 1 : 0),
              1)
        << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_FALSE(std::filesystem::exists(folder + "out.info"));
  }
}

// The next run's tests as a runner lists them: the order holds exactly
// those, a new one placed by the failure model, one gone since left out;
// of a suite that is no history, new tests go first.
TEST(SuiteProgram, OrdersTheTestsListedForTheNextRun) {
  const std::string folder = freshFolder("listed");
  writeFile(folder + "next.txt", "brand_new\ncart.total\n");
  const ProgramRun run = runSuiteProgram("--window 3 --tests " + folder + "next.txt --order " +
                                         folder + "order.txt " + SUITES + "history");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("the next run's tests: 2 tests listed, 1 new, 2 gone since\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(readFile(folder + "order.txt"), "cart.total\nbrand_new\n");
  // Most known tests gone: said, as the list may be of the wrong kind.
  EXPECT_EQ(run.errors, "antorder-suite: warning: 2 of the 3 tests known are not in " + folder +
                            "next.txt and are left out as gone; does it list every test of the "
                            "next run?\n");
  const nlohmann::json json = nlohmann::json::parse(
      runSuiteProgram("--json --window 3 --tests " + folder + "next.txt " + SUITES + "history")
          .output);
  EXPECT_EQ(json["orders"]["failure_model"]["order"],
            nlohmann::json::parse(R"(["cart.total", "brand_new"])"));
  // The model's scores are of its order of the window's tests, as the
  // orders' above them are.
  const nlohmann::json whole =
      nlohmann::json::parse(runSuiteProgram("--json --window 3 " + SUITES + "history").output);
  EXPECT_EQ(json["orders"]["failure_model"]["apfd"], whole["orders"]["failure_model"]["apfd"]);
  EXPECT_NE(run.output.find("failure model      APFD "), std::string::npos) << run.output;

  writeFile(folder + "suite-next.txt", "T9\nT4\nT3\nT2\n");
  const ProgramRun suite = runSuiteProgram("--tests " + folder + "suite-next.txt --order " +
                                           folder + "suite-order.txt " + SUITES + "built_in.csv");
  EXPECT_EQ(suite.status, 0) << suite.errors;
  EXPECT_EQ(suite.errors, "");  // 2 of 5 gone
  EXPECT_EQ(readFile(folder + "suite-order.txt"), "T9\nT3\nT2\nT4\n");
  writeFile(folder + "empty.txt", "\n");
  const ProgramRun empty =
      runSuiteProgram("--tests " + folder + "empty.txt " + SUITES + "built_in.csv");
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.errors, "antorder-suite: " + folder + "empty.txt: lists no test\n");
}

// Paths no test depends on, named gitignore's way, given as often as
// needed and before the history without taking it for a pattern.
TEST(SuiteProgram, LeavesOutTheChangesItIsToldToIgnore) {
  const std::string diff =
      "--- a/README.md\n+++ b/README.md\n@@ -1 +1 @@\n-a\n+b\n"
      "--- a/docs/guide/x.txt\n+++ b/docs/guide/x.txt\n@@ -1 +1 @@\n-a\n+b\n"
      "--- a/setup.cfg\n+++ b/setup.cfg\n@@ -1 +1 @@\n-a\n+b\n";
  const std::string folder = freshFolder("ignored");
  writeFile(folder + "next.diff", diff);
  const ProgramRun run = runSuiteProgram(
      "--changes " + folder + "next.diff --changes-ignore '*.md' --changes-ignore docs/ " + SUITES +
      "history");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.output.find("changes no test is known to depend on:\n  setup.cfg\n"
                            "changes ignored: 2 (README.md, docs/guide/x.txt)\n"),
            std::string::npos)
      << run.output;
  const ProgramRun refused = runSuiteProgram(
      "--changes " + folder + "next.diff --changes-ignore '!x' " + SUITES + "history");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.errors.find("a pattern that excepts (!) is not read"), std::string::npos)
      << refused.errors;
}

}  // namespace

namespace {

// What a name or a folder holds reaches no other program as anything but
// text: a spreadsheet takes no CSV cell for a formula, a terminal runs no
// escape from a warning, and the picture stays well-formed XML.
TEST(SuiteProgram, WritesNamesAsTextForEveryReader) {
  const std::string folder = freshFolder("as-text");
  writeFile(folder + "formulas.csv",
            "test,f1,f2,f3,f4\n=1+1,1,0,0,0\n+cmd,0,1,0,0\n-x,0,0,1,0\n@sum,0,0,0,1\n");
  ASSERT_EQ(runSuiteProgram("--csv " + folder + "table.csv " + folder + "formulas.csv").status, 0);
  const std::string table = readFile(folder + "table.csv");
  for (const char* cell : {",'=1+1", ",'+cmd", ",'-x", ",'@sum"}) {
    EXPECT_NE(table.find(cell), std::string::npos) << cell << " in\n" << table;
  }
  for (const char* raw : {",=1+1", ",+cmd", ",-x", ",@sum"}) {
    EXPECT_EQ(table.find(raw), std::string::npos) << raw << " in\n" << table;
  }

  const std::string history = folder + "runs\x1b[31m\xef\xbf\xbf/";
  std::filesystem::create_directories(history);
  writeFile(history + "run-1.xml",
            "<testsuite><testcase name=\"a\"><failure/></testcase>"
            "<testcase name=\"b\"/></testsuite>\n");
  writeFile(history + "run-2.xml", "<broken");
  const ProgramRun run = runSuiteProgram("--plot " + folder + "plot.svg '" + history + "'");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors.find('\x1b'), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("runs\\x1b[31m"), std::string::npos) << run.errors;
  EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << run.output;
  const std::string picture = readFile(folder + "plot.svg");
  EXPECT_EQ(picture.find("\xef\xbf\xbf"), std::string::npos);
  EXPECT_EQ(picture.find('\x1b'), std::string::npos);
}

}  // namespace

namespace {

// A reader that goes away (| head -c 1) fails the run with the reason and
// leaves no file behind, whole or temporary; an output named near the
// longest name a folder holds is written all the same.
TEST(SuiteProgram, LeavesNoFileBehindWhenItsReaderGoesAway) {
  const std::string folder = freshFolder("closed-pipe");
  std::string suite = "test,f1\n";
  for (int test = 0; test < 3000; ++test) suite += "test_" + std::to_string(test) + ",1\n";
  writeFile(folder + "large.csv", suite);
  std::filesystem::create_directories(folder + "out");
  const std::string command = "bash -c \"'" + std::string(ANTORDER_SUITE_PATH) +
                              "' --json --order '" + folder + "out/order.txt' '" + folder +
                              "large.csv' 2>'" + folder +
                              "errors.txt' | (exec 0<&-; sleep 1); exit \\${PIPESTATUS[0]}\"";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(readFile(folder + "errors.txt"),
            "antorder-suite: could not write the summary: Broken pipe\n");
  EXPECT_TRUE(std::filesystem::is_empty(folder + "out"));

  const std::string longName = folder + "out/" + std::string(250, 'o');
  const ProgramRun run = runSuiteProgram("--order " + longName + " " + SUITES + "built_in.csv");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(std::filesystem::exists(longName));
}

}  // namespace

namespace {

// A history whose only failing run is its first has no run to replay the
// model's order on: said in words, and null in the JSON, not means of 0.
TEST(SuiteProgram, SaysThereIsNothingToScoreWithoutAnEarlierRun) {
  const std::string folder = freshFolder("one-run");
  writeFile(folder + "run-1.xml",
            "<testsuite><testcase name=\"a\"><failure/></testcase><testcase name=\"b\"/>"
            "</testsuite>\n");
  const ProgramRun run = runSuiteProgram(folder);
  EXPECT_NE(run.output.find("replayed on no failing run: none has a run before it, so nothing to "
                            "score\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("mean APFD 0.000000"), std::string::npos) << run.output;
  const nlohmann::json json = nlohmann::json::parse(runSuiteProgram("--json " + folder).output);
  EXPECT_TRUE(json["orders"]["failure_model"]["replayed"]["failure_model"].is_null());
}

}  // namespace

namespace {

// No output may land on a file a history reads, by any path that reaches
// it: the report, diff or run folder stays as it was, and the refusal names
// the option and the file.
TEST(SuiteProgram, RefusesToWriteOverItsHistory) {
  const std::string folder = freshFolder("overwrite");
  const std::string h = folder + "h/";
  const std::string report =
      "<testsuite><testcase name=\"a\" time=\"1\"><failure/></testcase>"
      "<testcase name=\"b\" time=\"2\"/></testsuite>\n";
  std::filesystem::create_directories(h + "run-3");
  writeFile(h + "run-1.xml", report);
  writeFile(h + "run-2.xml", report);
  writeFile(h + "run-2.diff", "--- a/x\n+++ b/x\n@@ -1 +1 @@\n-a\n+b\n");
  writeFile(h + "run-3/a.xml", report);
  std::filesystem::create_symlink("h/run-2.xml", folder + "link.txt");
  struct Case {
    std::string arguments;
    std::string refusal;
  };
  const Case cases[] = {
      {"--order " + h + "run-2.xml " + h,
       "--order would write over a file of the history FILE "
       "reads: " +
           h + "run-2.xml"},
      {"--csv " + h + "run-2.diff " + h,
       "--csv would write over a file of the history FILE "
       "reads: " +
           h + "run-2.diff"},
      {"--ctest-properties " + h + "run-3/order.cmake " + h,
       "--ctest-properties would write over a file of the history FILE reads: " + h +
           "run-3/order.cmake"},
      {"--order " + folder + "link.txt " + h,
       "--order would write over a file of the history FILE reads: " + folder + "link.txt"},
      {"--plot " + folder + "h/../h/run-1.xml --replay " + h,
       "--plot would write over a file of the history FILE reads: " + folder + "h/../h/run-1.xml"},
      {SUITES + "built_in.csv --costs " + h + " --order " + h + "run-1.xml",
       "--order would write over a file of the history --costs reads: " + h + "run-1.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = runSuiteProgram(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.errors, "antorder-suite: " + c.refusal + "\n");
    EXPECT_EQ(readFile(h + "run-1.xml"), report);
    EXPECT_EQ(readFile(h + "run-2.xml"), report);
    EXPECT_EQ(filesIn(h), (std::set<std::string>{"run-1.xml", "run-2.xml", "run-2.diff", "run-3"}));
    EXPECT_EQ(filesIn(h + "run-3"), (std::set<std::string>{"a.xml"}));
  }
  const ProgramRun beside = runSuiteProgram("--order " + h + "order.txt " + h);
  EXPECT_EQ(beside.status, 0) << beside.errors;
}

// Every shard says a fingerprint of what it ordered from: the same for the
// shards of one history, another once a shard's report joins it; and a
// newest run that lacks shards is said at once.
TEST(SuiteProgram, FingerprintsTheInputsOfEachShard) {
  const std::string h = freshFolder("fingerprint");
  std::string cases;
  for (int test = 0; test < 12; ++test) {
    cases += "<testcase name=\"t" + std::to_string(test) + "\" time=\"" + std::to_string(test + 1) +
             "\">" + (test % 4 == 1 ? "<failure/>" : "") + "</testcase>";
  }
  const std::string report = "<testsuite>" + cases + "</testsuite>\n";
  writeFile(h + "run-13.xml", report);
  writeFile(h + "run-14-shard-1.xml", report);
  writeFile(h + "run-14-shard-2.xml", report);
  const auto fingerprint = [&](const std::string& shard, std::string* errors = nullptr) {
    const ProgramRun run = runSuiteProgram("--quiet --shard " + shard + " " + h);
    EXPECT_EQ(run.status, 0) << run.errors;
    if (errors != nullptr) *errors = run.errors;
    const std::size_t at = run.errors.find("antorder-suite: inputs: ");
    return at == std::string::npos ? std::string() : run.errors.substr(at + 24, 8);
  };
  const std::string first = fingerprint("1/2");
  EXPECT_EQ(first.size(), 8u);
  EXPECT_EQ(fingerprint("2/2"), first);
  EXPECT_NE(fingerprint("1/3"), first);
  EXPECT_EQ(runSuiteProgram("--quiet " + h).errors.find("inputs:"), std::string::npos);

  writeFile(h + "run-15-shard-1.xml", report);
  std::string errors;
  EXPECT_NE(fingerprint("2/2", &errors), first);
  EXPECT_NE(errors.find("antorder-suite: warning: the newest run seems to lack shards: run-15: "
                        "shard 1 of the 2 the run before had;"),
            std::string::npos)
      << errors;
  writeFile(h + "run-15-shard-2.xml", report);
  EXPECT_EQ(fingerprint("2/2", &errors).size(), 8u);
  EXPECT_EQ(errors.find("lack shards"), std::string::npos) << errors;
}

}  // namespace
