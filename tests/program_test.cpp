#include <algorithm>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "suite/parameters.h"
#include "tests/process.h"

namespace {

constexpr auto TOUR_ENTRIES = static_cast<std::size_t>(TOUR_LENGTH);
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

// The report's layout, line by line: the baseline, an empty line, one line
// per iteration, the heading and the tour with no newline after it.
TEST(Program, ReportHasBaselineIterationLinesAndTheFinalTour) {
  const ProcessResult run = runProgram({}, Input::EndOfFile, Output::Captured);
  std::vector<std::string> lines;
  std::istringstream stream(run.output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);

  ASSERT_EQ(lines.size(), 104u);
  EXPECT_NE(run.output.back(), '\n');
  EXPECT_EQ(lines[0], "initial APFD=0.740000 ");
  EXPECT_EQ(lines[1], "");
  const std::set<std::string> possibleScores = {"0.580000", "0.620000", "0.660000",
                                                "0.700000", "0.740000", "0.780000"};
  for (int iteration = 1; iteration <= 100; ++iteration) {
    const std::string& line = lines[static_cast<std::size_t>(iteration) + 1];
    const std::string head = " Iteration=" + std::to_string(iteration) + ", APFD = ";
    ASSERT_EQ(line.substr(0, head.size()), head) << line;
    EXPECT_EQ(possibleScores.count(line.substr(head.size())), 1u) << line;
  }
  EXPECT_EQ(lines[102], " Final solution: ");

  // ":" and then six times a test number from 1 to 5 followed by " - ".
  const std::string& tour = lines[103];
  ASSERT_EQ(tour.size(), 1u + 4u * TOUR_ENTRIES) << tour;
  EXPECT_EQ(tour[0], ':');
  std::string numbers;
  for (std::size_t entry = 0; entry < TOUR_ENTRIES; ++entry) {
    const std::string field = tour.substr(1 + 4 * entry, 4);
    EXPECT_TRUE(field[0] >= '1' && field[0] <= '5') << field;
    EXPECT_EQ(field.substr(1), " - ") << field;
    numbers += field[0];
  }
  EXPECT_EQ(numbers.substr(0, 1), numbers.substr(TOUR_ENTRIES - 1)) << "closes at its start";
  std::string firstFive = numbers.substr(0, TOUR_ENTRIES - 1);
  std::sort(firstFive.begin(), firstFive.end());
  EXPECT_EQ(firstFive, "12345");
}

}  // namespace
