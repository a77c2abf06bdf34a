#include "cli/change_inputs.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "change/history_changes.h"
#include "cli/messages.h"
#include "reading/diff_reader.h"
#include "text/shown_text.h"

namespace antorder {

namespace {

// How many of the coverage's tests match a test placed on. Those that
// match none place nothing: a coverage of other names (another runner's,
// other contexts) is said, not silently of no use, and one of which no test
// matches is refused. False, with the reason, then.
bool checkCoverageTests(const std::string& file, const CoverageNamesMatched& given,
                        std::size_t& matched) {
  if (!given.lcovTies.empty()) {
    const CoverageNamesMatched::Tie& tie = given.lcovTies.front();
    warn(
        "%s: %zu of its tests match two tests of the history alike, as lcov writes their names "
        "(every character outside [A-Za-z0-9_] as _), and place nothing, such as %s: %s and %s",
        displayName(file).c_str(), given.lcovTies.size(), printable(tie.test).c_str(),
        printable(tie.first).c_str(), printable(tie.second).c_str());
  }
  const std::vector<std::string>& unknown = given.unmatched;
  matched = given.tests - unknown.size();
  if (unknown.empty()) return true;
  if (matched == 0) {
    std::string reason = "none of the ";
    reason += counted(static_cast<long long>(given.tests), "tests");
    reason += " it names matches a test of the history, such as ";
    reason += printable(unknown.front());
    reason += ", so it places nothing: it names the tests as another runner or tool does";
    reportReadError(file, {0, reason});
    return false;
  }
  warn("%s: %zu of its %zu tests match no test of the history and place nothing, such as %s",
       displayName(file).c_str(), unknown.size(), given.tests, printable(unknown.front()).c_str());
  return true;
}

// Code outside the project (installed packages, the system's) is no change
// of the project's: said, with how much of the coverage it was.
void leaveOutOutsideCode(const std::string& file, CoverageMap& coverage) {
  const OutsideCode left = leaveOutOutsideCode(coverage);
  if (left.files == 0) return;
  say("%s: the coverage of %ld files (%ld lines) outside the project (site-packages, "
      "dist-packages, /usr/...) is left out",
      displayName(file).c_str(), left.files, left.lines);
}

// The coverage, less the code outside the project, with what it left out
// said; false, with the error said, where it cannot be read.
bool readCoverage(const std::string& file, CoverageMap& coverage) {
  ReadError error;
  if (!readCoverageMap(file, coverage, error)) {
    reportReadError(file, error);
    return false;
  }
  for (const std::string& note : coverage.notes) {
    warn("%s: %s", displayName(file).c_str(), note.c_str());
  }
  leaveOutOutsideCode(file, coverage);
  return true;
}

// A file and line as messages name them: FILE:LINE, or FILE for the whole.
std::string placeOf(const LeftOutRun& file) {
  return file.line > 0 ? file.file + ":" + std::to_string(file.line) : file.file;
}

// What carrying the history's changes left out: a diff or a coverage
// snapshot that cannot be read, and the code outside the project.
void warnOfCarrying(const CarriedChanges& carried) {
  for (const LeftOutRun& diff : carried.diffsLeftOut) {
    warn("%s: %s; the run's change is left out, and the coverage's lines may be off after it",
         printable(placeOf(diff)).c_str(), diff.reason.c_str());
  }
  for (const LeftOutRun& snapshot : carried.snapshotsLeftOut) {
    warn("%s: %s; the snapshot is left out, and the coverage before it carried on",
         printable(placeOf(snapshot)).c_str(), snapshot.reason.c_str());
  }
  if (carried.outsideFiles > 0) {
    say("the history's coverage snapshots: the coverage of %ld files (%ld lines) outside the "
        "project (site-packages, dist-packages, /usr/...) is left out",
        carried.outsideFiles, carried.outsideLines);
  }
}

// Changed paths that several coverage files matched alike: one line for all.
void warnOfTiedPaths(const ChangePlacer& placer) {
  if (placer.tiedPaths.empty()) return;
  warn(
      "%zu changed %s several coverage files alike, each placed on and carried through all of "
      "them, such as %s",
      placer.tiedPaths.size(), placer.tiedPaths.size() == 1 ? "file matches" : "files match",
      printable(placer.tiedPaths.front()).c_str());
}

}  // namespace

bool readChanges(const Options& options, const History& history,
                 const std::vector<std::string>* listed, ChangeInputs& changes) {
  const bool runsCarry = historyCarriesChanges(history);
  if (!runsCarry && options.changesFile.empty()) {
    if (!options.coverageFile.empty()) {
      warn(
          "--coverage places changes, and there is none: no run has a RUN.diff beside its "
          "report%s",
          options.mode == Mode::ORDER ? ", and --changes is not given" : "");
    }
    return true;
  }
  HistoryChangeInputs inputs;
  if (!options.coverageFile.empty()) {
    inputs.coverage = std::make_unique<CoverageMap>();
    if (!readCoverage(options.coverageFile, *inputs.coverage)) return false;
  }
  changes.names = history.keys;
  if (listed != nullptr) {
    for (const std::string& name : *listed) {
      if (history.keyIndex.count(name) == 0) changes.names.push_back(name);
    }
  }
  inputs.names = &changes.names;
  inputs.ignorePatterns = options.changesIgnored;
  inputs.sources = changes.sources;
  CarriedChanges carried = carryHistoryChanges(history, std::move(inputs));
  if (!options.coverageFile.empty()) {
    if (!checkCoverageTests(options.coverageFile, carried.given, changes.coverageMatched)) {
      return false;
    }
    changes.coverageRead = true;
    changes.coverageTests = carried.given.tests;
  }
  warnOfCarrying(carried);
  changes.runs = std::move(carried.runs);
  if (!options.changesFile.empty()) {
    Change change;
    ReadError error;
    if (!readDiffFile(options.changesFile, change, error) ||
        !placeNextChange(carried, listed, change, changes.next, error)) {
      reportReadError(options.changesFile, error);
      return false;
    }
  }
  warnOfTiedPaths(carried.placer);
  return true;
}

}  // namespace antorder
