#include <string>

#include <gtest/gtest.h>

#include "tests/process_run.h"

namespace {

const std::string SUITES = SOURCE_DIR "/tests/suites/";

ProgramRun runSuiteProgram(const std::string& arguments, const std::string& output = "") {
  return runProgram(ANTORDER_SUITE_PATH, arguments, output);
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
                            "given order        APFD 0.740000\n"
                            "additional greedy  APFD 0.780000\n"
                            "ant colony         APFD 0.780000  (found in iteration 2 of 100)\n");
  EXPECT_EQ(readFile(orderPath), "T3\nT4\nT1\nT5\nT2\n");
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
  const Case cases[] = {
      {"--version", 0, ""},
      {"/no/such/suite.csv", 2, "antorder-suite: /no/such/suite.csv: No such file or directory\n"},
      {SUITES, 2, "antorder-suite: " + SUITES + ": is a directory, not a suite file\n"},
      {"--input sir " + builtIn, 2,
       "antorder-suite: " + builtIn + ":1: expected \"<versions> listversions\", found ..."},
      {"--frobnicate " + builtIn, 2,
       "antorder-suite: The following argument was not expected: ..."},
      {"--ants 0 " + builtIn, 2, "antorder-suite: --ants: Value 0 not in range 1 to ..."},
      {"--seed -1 " + builtIn, 2, "antorder-suite: Could not convert: --seed = -1\n..."},
      {"--iterations x " + builtIn, 2, "antorder-suite: ..."},
      {"", 2, "antorder-suite: FILE is required\n..."},
      {"--order /no/such/folder/order.txt " + builtIn, 1,
       "antorder-suite: could not write /no/such/folder/order.txt: No such file or directory\n"},
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
  EXPECT_EQ(runSuiteProgram("--help").output.rfind("Orders the tests of a suite", 0), 0u);

  const ProgramRun lost = runSuiteProgram(builtIn, "/dev/full");
  EXPECT_EQ(lost.status, 1);
  EXPECT_EQ(lost.errors, "antorder-suite: could not write the summary: No space left on device\n");
}

}  // namespace
