#pragma once

#include <string>
#include <vector>

// Runs the built program as a separate process, the way a user would, and
// collects what it wrote. POSIX only.

struct ProcessResult {
  bool finished = false;  // false when it had to be killed after the time limit
  int exitStatus = -1;
  double seconds = 0.0;  // from the start until it ended
  std::string output;
  std::string errors;
};

// Where standard input and standard output are connected.
enum class Input { EndOfFile, OpenUntilKey };
enum class Output { Captured, FullDevice };

// Runs the program with the given arguments. With Input::OpenUntilKey the
// program's input stays open until its report has been written and
// stillRunningBeforeKey tells whether it was then still waiting; a key is
// sent after that.
ProcessResult runProgram(const std::vector<std::string>& arguments, Input input, Output output,
                         bool* stillRunningBeforeKey = nullptr);

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);
