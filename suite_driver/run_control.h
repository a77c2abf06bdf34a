#pragma once

// What every mode of antorder-suite shares at its edge: stopping on Ctrl-C,
// saying what went wrong on standard error, and writing its files whole.

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "history/history.h"
#include "reading/suite_builder.h"

constexpr const char* PROGRAM = "antorder-suite";

// The signal that asked the run to stop, or 0. A run stops at its next
// check, removes its temporary files and exits with stoppedStatus().
extern volatile std::sig_atomic_t stopSignal;

// From now on, SIGINT and SIGTERM set stopSignal.
void catchStopSignals();

// 128 + the signal.
int stoppedStatus();

// Prints "FILE:LINE: reason" (or "FILE: reason" for line 0) on standard error;
// the error's own file, where it names one, in place of `file`.
void reportReadError(const std::string& file, const ReadError& error);

// Warns on standard error of each run of the history left out, unreadable.
void warnOfRunsLeftOut(const History& history);

// Flushes standard output, and says why when what it wrote is lost.
bool finishStandardOutput();

// A file to write, and what writes it.
struct FileRequest {
  std::string path;  // empty: not asked for
  std::function<void(std::FILE*)> print;
};

// Writes every file asked for, each through a temporary file, then what goes
// to standard output through `printOutput` (true when it was written whole);
// the files are moved into place only once all of it is complete. Returns the
// exit status: 0, 1 with the reason on standard error, or stoppedStatus()
// when stopped.
int writeFiles(const std::vector<FileRequest>& requests, const std::function<bool()>& printOutput);
