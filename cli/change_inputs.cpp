#include "cli/change_inputs.h"

#include <algorithm>
#include <cstdio>

#include "change/placement.h"
#include "cli/messages.h"
#include "reading/diff_reader.h"
#include "reporting/run_results.h"

namespace antorder {

namespace {

// The coverage's tests that match no test of the history place nothing: a
// coverage of other names (another runner's, other contexts) is said, not
// silently of no use.
void warnOfCoverageTestsUnknown(const std::string& file, const CoverageMap& coverage,
                                const ChangePlacer& placer) {
  std::vector<std::string> unknown;
  for (std::size_t test = 0; test < placer.keyOfCoverageTest.size(); ++test) {
    if (placer.keyOfCoverageTest[test] < 0) unknown.push_back(coverage.testNames[test]);
  }
  if (unknown.empty()) return;
  warn("%s: %zu of its %zu tests match no test of the history and place nothing, such as %s",
       displayName(file).c_str(), unknown.size(), coverage.testNames.size(),
       printable(unknown.front()).c_str());
}

// The coverage, with what it left out said; false, with the error said, where
// it cannot be read.
bool readCoverage(const std::string& file, CoverageMap& coverage) {
  ReadError error;
  if (!readCoverageMap(file, coverage, error)) {
    reportReadError(file, error);
    return false;
  }
  for (const std::string& note : coverage.notes) {
    warn("%s: %s", displayName(file).c_str(), note.c_str());
  }
  return true;
}

}  // namespace

bool readChanges(const Options& options, const History& history,
                 const std::vector<std::string>* listed, ChangeInputs& changes) {
  const bool runsCarry = std::any_of(history.runs.begin(), history.runs.end(),
                                     [](const TestRun& run) { return !run.changeFile.empty(); });
  if (!runsCarry && options.changesFile.empty()) {
    if (!options.coverageFile.empty()) {
      warn(
          "--coverage places changes, and there is none: no run has a RUN.diff beside its "
          "report%s",
          options.mode == Mode::ORDER ? ", and --changes is not given" : "");
    }
    return true;
  }
  ReadError error;
  if (!options.coverageFile.empty() && !readCoverage(options.coverageFile, changes.coverage)) {
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
  warnOfCoverageTestsUnknown(options.coverageFile, changes.coverage, placer);
  if (runsCarry) {
    std::vector<LeftOutRun> leftOut;
    placeHistoryChanges(history, placer, changes.runs, leftOut);
    for (const LeftOutRun& diff : leftOut) {
      const std::string where =
          diff.line > 0 ? diff.file + ":" + std::to_string(diff.line) : diff.file;
      warn("%s: %s; the run's change is left out, and the coverage's lines may be off after it",
           printable(where).c_str(), diff.reason.c_str());
    }
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
