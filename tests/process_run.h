#pragma once

// Runs a built program as a user would, through the shell, and collects what it did.

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

inline std::string readFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

struct ProgramRun {
  int status;
  std::string output;
  std::string errors;
};

// Runs the program with the arguments (shell words) and its input from
// `input` (at end of file by default); a run that hangs fails with
// timeout's status 124 after five minutes, far beyond any run's time on a
// loaded machine. Standard output goes to `output`
// when given, and is then not read.
inline ProgramRun runProgram(const std::string& program, const std::string& arguments,
                             const std::string& output = "",
                             const std::string& input = "/dev/null") {
  const std::string stem = testing::TempDir() + "antorder-" +
                           testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string outputPath = output.empty() ? stem + ".out" : output;
  const std::string command = "timeout 300 '" + program + "' " + arguments + " <'" + input +
                              "' >'" + outputPath + "' 2>'" + stem + ".err'";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output.empty() ? readFile(outputPath) : "",
          readFile(stem + ".err")};
}
