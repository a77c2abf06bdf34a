#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "demo/parameters.h"
#include "tests/process_run.h"

namespace {

ProgramRun runAntorder(const std::string& arguments, const std::string& output = "") {
  return runProgram(ANTORDER_PATH, arguments, output);
}

const std::string EXPECTED_REPORT = readFile(SOURCE_DIR "/tests/expected_report.txt");

TEST(Program, PrintsTheExpectedReportAndEndsAtOnceWhenInputHasEnded) {
  const ProgramRun run = runAntorder("");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output.rfind("initial APFD=0.740000 \n", 0), 0u) << run.output;
  EXPECT_EQ(run.output, EXPECTED_REPORT);
  EXPECT_EQ(run.errors, "");
}

TEST(Program, ArgumentsChangeNothing) {
  const ProgramRun run = runAntorder("--help -x 42 suite.txt ''");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output, EXPECTED_REPORT);
}

TEST(Program, LostReportFailsWithTheReasonOnStandardError) {
  const ProgramRun run = runAntorder("", "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "antorder: could not write the report: No space left on device\n");
}

// The layout, line by line: the baseline, an empty line, one line per
// iteration, the heading, and the tour with no newline after it.
TEST(Program, ReportHasBaselineIterationLinesAndTheFinalTour) {
  const std::string report = runAntorder("").output;
  std::vector<std::string> lines;
  std::istringstream stream(report);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 104u);
  EXPECT_NE(report.back(), '\n');
  EXPECT_EQ(lines[0], "initial APFD=0.740000 ");
  EXPECT_EQ(lines[1], "");

  const std::set<std::string> scores = {"0.580000", "0.620000", "0.660000",
                                        "0.700000", "0.740000", "0.780000"};
  for (std::size_t iteration = 1; iteration <= 100; ++iteration) {
    const std::string head = " Iteration=" + std::to_string(iteration) + ", APFD = ";
    const std::string& line = lines[iteration + 1];
    EXPECT_EQ(line.substr(0, head.size()), head);
    EXPECT_EQ(scores.count(line.substr(head.size())), 1u) << line;
  }
  EXPECT_EQ(lines[102], " Final solution: ");

  // ":" then six entries "N - ": five distinct tests from 1 to 5 and the first again.
  std::string layout;
  std::string numbers;
  for (char c : lines[103]) {
    const bool test = c >= '1' && c <= '5';
    layout += test ? 'N' : c;
    if (test) numbers += c;
  }
  EXPECT_EQ(layout, ":N - N - N - N - N - N - ");
  EXPECT_EQ(numbers.substr(0, 1), numbers.substr(TEST_COUNT)) << "closes at its start";
  std::string firstFive = numbers.substr(0, TEST_COUNT);
  std::sort(firstFive.begin(), firstFive.end());
  EXPECT_EQ(firstFive, "12345");
}

// Whether the child ends within the time given; its wait status lands in status.
bool endsWithin(pid_t child, std::chrono::milliseconds time, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  do {
    if (waitpid(child, &status, WNOHANG) == child) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

// With its input held open the program stays after its complete report, as a
// console window does; one character, with the input still open, ends it.
TEST(Program, WaitsAfterTheReportUntilACharacterArrives) {
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  const std::string outputPath = testing::TempDir() + "antorder-wait.out";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, input[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  char program[] = ANTORDER_PATH;
  char* const arguments[] = {program, nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, program, &actions, nullptr, arguments, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);

  int status = 0;
  // Only a hang reaches the deadline: the report comes in well under a second.
  const auto reportDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
  while (readFile(outputPath) != EXPECTED_REPORT &&
         std::chrono::steady_clock::now() < reportDeadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(readFile(outputPath), EXPECTED_REPORT);
  const bool endedUnasked = endsWithin(child, std::chrono::milliseconds(300), status);
  EXPECT_FALSE(endedUnasked) << "the program ended without waiting for input";

  if (!endedUnasked) {
    ASSERT_EQ(write(input[1], "x", 1), 1);
    if (!endsWithin(child, std::chrono::seconds(300), status)) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << "the program went on waiting after a character";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
  }
  close(input[1]);
}

}  // namespace
