#include <string>

#include <gtest/gtest.h>

#include "tests/process.h"

namespace {

const std::string EXPECTED_REPORT = readFile(SOURCE_DIR "/tests/expected_report.txt");

TEST(Program, ReportStartsWithTheBaselineLine) {
  const ProcessResult run = runProgram({}, Input::EndOfFile, Output::Captured);
  EXPECT_EQ(run.output.rfind("initial APFD=0.740000 \n", 0), 0u) << run.output;
}

TEST(Program, EndsAtOnceWithStatusZeroWhenInputHasEnded) {
  const ProcessResult run = runProgram({}, Input::EndOfFile, Output::Captured);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_LT(run.seconds, 5.0);
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.output, EXPECTED_REPORT);
}

TEST(Program, ArgumentsChangeNothing) {
  const std::vector<std::string> argumentLists[] = {{"--help"}, {"-x", "42", "suite.txt"}, {""}};
  for (const auto& arguments : argumentLists) {
    SCOPED_TRACE(arguments.front());
    const ProcessResult run = runProgram(arguments, Input::EndOfFile, Output::Captured);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, EXPECTED_REPORT);
    EXPECT_EQ(run.errors, "");
  }
}

TEST(Program, WaitsForAKeyAfterTheWholeReport) {
  bool waiting = false;
  const ProcessResult run = runProgram({}, Input::OpenUntilKey, Output::Captured, &waiting);
  EXPECT_TRUE(waiting) << "ended before a key was sent";
  ASSERT_TRUE(run.finished) << "did not end after the key";
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.output, EXPECTED_REPORT);
}

TEST(Program, LostReportFailsWithAReasonOnStandardError) {
  const ProcessResult run = runProgram({}, Input::EndOfFile, Output::FullDevice);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.errors.find("could not write the report"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("No space left on device"), std::string::npos) << run.errors;
}

}  // namespace
