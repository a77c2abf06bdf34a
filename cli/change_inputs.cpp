#include "cli/change_inputs.h"

#include <algorithm>
#include <cstdio>

#include "change/placement.h"
#include "cli/messages.h"
#include "reading/diff_reader.h"

namespace antorder {

bool readChanges(const Options& options, const History& history,
                 const std::vector<std::string>* listed, ChangeInputs& changes) {
  const bool runsCarry = std::any_of(history.runs.begin(), history.runs.end(),
                                     [](const TestRun& run) { return !run.changeFile.empty(); });
  if (!runsCarry && options.changesFile.empty()) {
    if (!options.coverageFile.empty()) {
      std::fprintf(stderr,
                   "%s: warning: --coverage places changes, and there is none: no run has a "
                   "RUN.diff beside its report%s\n",
                   PROGRAM, options.mode == Mode::ORDER ? ", and --changes is not given" : "");
    }
    return true;
  }
  ReadError error;
  if (!options.coverageFile.empty() &&
      !readCoverageMap(options.coverageFile, changes.coverage, error)) {
    reportReadError(options.coverageFile, error);
    return false;
  }
  changes.names = history.keys;
  if (listed != nullptr) {
    for (const std::string& name : *listed) {
      if (history.keyIndex.count(name) == 0) changes.names.push_back(name);
    }
  }
  ChangePlacer placer =
      startPlacing(changes.names, options.coverageFile.empty() ? nullptr : &changes.coverage);
  if (runsCarry && !placeHistoryChanges(history, placer, changes.runs, error)) {
    reportReadError(error.file, {error.line, error.reason});
    return false;
  }
  if (options.changesFile.empty()) return true;
  Change change;
  if (!readDiffFile(options.changesFile, change, error) ||
      !placeChange(placer, change, changes.next, error)) {
    reportReadError(options.changesFile, error);
    return false;
  }
  return true;
}

}  // namespace antorder
