#pragma once

// What antorder-suite says on standard error of bad input.

#include <string>

#include "history/history.h"
#include "reading/suite_builder.h"

namespace antorder {

constexpr const char* PROGRAM = "antorder-suite";

// Prints "FILE:LINE: reason" (or "FILE: reason" for line 0) on standard error;
// the error's own file, where it names one, in place of `file`.
void reportReadError(const std::string& file, const ReadError& error);

// Warns on standard error of each run of a history left out, and why.
void warnOfRunsLeftOut(const std::vector<LeftOutRun>& leftOut);

// Names the tests met in two shards' reports of one run, the first few.
void warnOfDoubledTests(const History& history);

// Warns of each diff and coverage snapshot of a history that no run takes,
// and of a newest run whose shards seem not all in.
void warnOfHistoryFiles(const History& history);

}  // namespace antorder
