#pragma once

// What antorder-suite says on standard error. Every message goes through
// say, warn or refuseUsage: each control byte of it (a terminal's escapes
// among them) is written \xNN, so that no name an input holds can drive
// the terminal.

#include <string>

#include "history/history.h"
#include "suite/suite_builder.h"

// A message's format is checked against its arguments as printf's is.
#if defined(__MINGW32__)
#define ANTORDER_PRINTF(text, first) __attribute__((__format__(__gnu_printf__, text, first)))
#elif defined(__GNUC__)
#define ANTORDER_PRINTF(text, first) __attribute__((__format__(__printf__, text, first)))
#else
#define ANTORDER_PRINTF(text, first)
#endif

namespace antorder {

constexpr const char* PROGRAM = "antorder-suite";

// "antorder-suite: MESSAGE" on a line of its own.
void say(const char* format, ...) ANTORDER_PRINTF(1, 2);

// "antorder-suite: warning: MESSAGE".
void warn(const char* format, ...) ANTORDER_PRINTF(1, 2);

// "antorder-suite: MESSAGE", then where to find the options.
void refuseUsage(const char* format, ...) ANTORDER_PRINTF(1, 2);

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
