#pragma once

// Running a program and waiting for it: POSIX only; elsewhere every call
// fails with "not supported on this platform".

#include <functional>
#include <string>
#include <vector>

namespace antorder {

// Whether processes can be run here.
bool processesSupported();

// The program's path: as given where it holds a /, else the first
// executable of that name on PATH; empty when there is none.
std::string findProgram(const std::string& name);

// This process's id.
int processId();

// The process's own environment, NAME=value a line.
std::vector<std::string> ownEnvironment();

struct ProcessRun {
  std::vector<std::string> command;  // the program's path, then its arguments
  std::string folder;                // where it runs
  std::vector<std::string> environment;
  double timeoutSeconds = 0.0;    // 0: none; then it is killed
  std::function<bool()> stopped;  // asked now and then; true kills it
  std::string* output = nullptr;  // standard output, where kept; else discarded
};

struct ProcessEnd {
  bool started = false;
  std::string failure;  // why it did not start
  int exitStatus = 0;
  int signal = 0;  // that ended it, or 0
  bool timedOut = false;
  bool stopped = false;
};

// Runs it with standard input empty and standard error discarded.
ProcessEnd runProcess(const ProcessRun& run);

}  // namespace antorder
