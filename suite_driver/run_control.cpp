#include "suite_driver/run_control.h"

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <signal.h>
#endif

#include "reporting/run_results.h"
#include "suite_driver/output_files.h"

volatile std::sig_atomic_t stopSignal = 0;

extern "C" {
static void onStopSignal(int signal) {
  stopSignal = signal;
}
}

void catchStopSignals() {
#ifdef _WIN32
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
#else
  // Without SA_RESTART, so that a read of standard input waiting on a terminal ends too.
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

int stoppedStatus() {
  return 128 + stopSignal;
}

void reportReadError(const std::string& file, const ReadError& error) {
  const std::string name = error.file.empty() ? displayName(file) : error.file;
  if (error.line > 0) {
    std::fprintf(stderr, "%s: %s:%ld: %s\n", PROGRAM, name.c_str(), error.line,
                 error.reason.c_str());
  } else {
    std::fprintf(stderr, "%s: %s: %s\n", PROGRAM, name.c_str(), error.reason.c_str());
  }
}

void warnOfRunsLeftOut(const History& history) {
  for (const LeftOutRun& run : history.leftOut) {
    if (run.line > 0) {
      std::fprintf(stderr, "%s: warning: %s:%ld: %s; its run is left out\n", PROGRAM,
                   run.file.c_str(), run.line, run.reason.c_str());
    } else {
      std::fprintf(stderr, "%s: warning: %s: %s; its run is left out\n", PROGRAM, run.file.c_str(),
                   run.reason.c_str());
    }
  }
}

bool finishStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return true;
  std::fprintf(stderr, "%s: could not write the summary: %s\n", PROGRAM,
               errno != 0 ? std::strerror(errno) : "unknown error");
  return false;
}

int writeFiles(const std::vector<FileRequest>& requests, const std::function<bool()>& printOutput) {
  std::vector<OutputFile> files;
  std::string failedPath;
  std::string reason;
  for (const FileRequest& request : requests) {
    if (request.path.empty()) continue;
    files.emplace_back();
    if (!openOutput(files.back(), request.path, reason)) {
      failedPath = request.path;
      break;
    }
    request.print(files.back().out);
    if (!closeOutput(files.back(), reason)) {
      failedPath = request.path;
      break;
    }
  }
  // Standard output that could not be written fails the run, and leaves
  // the files as they were (its reason is on standard error already).
  bool printed = true;
  if (failedPath.empty() && stopSignal == 0) printed = printOutput();
  if (failedPath.empty() && printed && stopSignal == 0) commitOutputs(files, failedPath, reason);
  discardOutputs(files);
  if (stopSignal != 0) return stoppedStatus();
  if (!printed) return 1;
  if (failedPath.empty()) return 0;
  std::fprintf(stderr, "%s: could not write %s: %s\n", PROGRAM, failedPath.c_str(), reason.c_str());
  return 1;
}
