#include "cli/messages.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "text/shown_text.h"

namespace antorder {

namespace {

// `arguments` is started by the caller; the analyzer cannot see that
// through a parameter.
std::string formatted(const char* format, std::va_list arguments) {
  std::va_list again;
  va_copy(again, arguments);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  const int size = std::vsnprintf(nullptr, 0, format, again);
  va_end(again);
  if (size <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(size) + 1);
  std::vsnprintf(text.data(), text.size(), format, arguments);
  return printable(std::string(text.data(), static_cast<std::size_t>(size)));
}

// One line at once, so that messages of two threads never interleave.
void printLine(const char* lead, const std::string& message) {
  const std::string line = std::string(PROGRAM) + ": " + lead + message + "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace

void say(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::string message = formatted(format, arguments);
  va_end(arguments);
  printLine("", message);
}

void warn(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::string message = formatted(format, arguments);
  va_end(arguments);
  printLine("warning: ", message);
}

void refuseUsage(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::string message = formatted(format, arguments);
  va_end(arguments);
  printLine("", message + "\nRun '" + PROGRAM + " --help' for the options.");
}

void reportReadError(const std::string& file, const ReadError& error) {
  const std::string name = error.file.empty() ? displayName(file) : printable(error.file);
  if (error.line > 0) {
    say("%s:%ld: %s", name.c_str(), error.line, error.reason.c_str());
  } else {
    say("%s: %s", name.c_str(), error.reason.c_str());
  }
}

void warnOfDoubledTests(const History& history) {
  constexpr std::size_t NAMED = 5;
  for (std::size_t at = 0; at < history.doubled.size() && at < NAMED; ++at) {
    warn("a test ran in two shards of one run: %s", printable(history.doubled[at]).c_str());
  }
  if (history.doubled.size() > NAMED) {
    warn("and %zu more tests ran in two shards of one run", history.doubled.size() - NAMED);
  }
}

void warnOfRunsLeftOut(const std::vector<LeftOutRun>& leftOut) {
  for (const LeftOutRun& run : leftOut) {
    if (run.line > 0) {
      warn("%s:%ld: %s; its run is left out", printable(run.file).c_str(), run.line,
           run.reason.c_str());
    } else {
      warn("%s: %s; its run is left out", printable(run.file).c_str(), run.reason.c_str());
    }
  }
}

void warnOfHistoryFiles(const History& history) {
  for (const LeftOutRun& file : history.filesUnread) {
    warn("%s: %s", file.file.c_str(), file.reason.c_str());
  }
  const std::string shards = incompleteShards(history);
  if (shards.empty()) return;
  // A shard that orders from a history another shard has already added to
  // splits the suite otherwise than the shards before it did.
  warn(
      "the newest run seems to lack shards: %s; are its other shards still running? Shards "
      "ordered from different histories split differently",
      shards.c_str());
}

}  // namespace antorder
