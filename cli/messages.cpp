#include "cli/messages.h"

#include <cstdio>

#include "reporting/run_results.h"

namespace antorder {

void reportReadError(const std::string& file, const ReadError& error) {
  const std::string name = error.file.empty() ? displayName(file) : printable(error.file);
  if (error.line > 0) {
    std::fprintf(stderr, "%s: %s:%ld: %s\n", PROGRAM, name.c_str(), error.line,
                 error.reason.c_str());
  } else {
    std::fprintf(stderr, "%s: %s: %s\n", PROGRAM, name.c_str(), error.reason.c_str());
  }
}

void warnOfDoubledTests(const History& history) {
  constexpr std::size_t NAMED = 5;
  for (std::size_t at = 0; at < history.doubled.size() && at < NAMED; ++at) {
    std::fprintf(stderr, "%s: warning: a test ran in two shards of one run: %s\n", PROGRAM,
                 printable(history.doubled[at]).c_str());
  }
  if (history.doubled.size() > NAMED) {
    std::fprintf(stderr, "%s: warning: and %zu more tests ran in two shards of one run\n", PROGRAM,
                 history.doubled.size() - NAMED);
  }
}

void warnOfRunsLeftOut(const std::vector<LeftOutRun>& leftOut) {
  for (const LeftOutRun& run : leftOut) {
    if (run.line > 0) {
      std::fprintf(stderr, "%s: warning: %s:%ld: %s; its run is left out\n", PROGRAM,
                   printable(run.file).c_str(), run.line, run.reason.c_str());
    } else {
      std::fprintf(stderr, "%s: warning: %s: %s; its run is left out\n", PROGRAM,
                   printable(run.file).c_str(), run.reason.c_str());
    }
  }
}

void warnOfHistoryFiles(const History& history) {
  for (const LeftOutRun& file : history.filesUnread) {
    std::fprintf(stderr, "%s: warning: %s: %s\n", PROGRAM, printable(file.file).c_str(),
                 file.reason.c_str());
  }
  const std::string shards = incompleteShards(history);
  if (shards.empty()) return;
  // A shard that orders from a history another shard has already added to
  // splits the suite otherwise than the shards before it did.
  std::fprintf(stderr,
               "%s: warning: the newest run seems to lack shards: %s; are its other shards "
               "still running? Shards ordered from different histories split differently\n",
               PROGRAM, printable(shards).c_str());
}

}  // namespace antorder
