#include "cli/change_inputs.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_set>

#include "change/placement.h"
#include "cli/messages.h"
#include "reading/diff_reader.h"
#include "text/shown_text.h"

namespace antorder {

namespace {

// How many of the coverage's tests match a test placed on. Those that
// match none place nothing: a coverage of other names (another runner's,
// other contexts) is said, not silently of no use, and one of which no test
// matches is refused. False, with the reason, then.
bool checkCoverageTests(const std::string& file, const CoverageMap& coverage,
                        const ChangePlacer& placer, std::size_t& matched) {
  const std::vector<std::string>& names = *placer.names;
  if (!placer.lcovTies.empty()) {
    const CoverageNameMatch::Tie& tie = placer.lcovTies.front();
    warn(
        "%s: %zu of its tests match two tests of the history alike, as lcov writes their names "
        "(every character outside [A-Za-z0-9_] as _), and place nothing, such as %s: %s and %s",
        displayName(file).c_str(), placer.lcovTies.size(),
        printable(coverage.testNames[static_cast<std::size_t>(tie.test)]).c_str(),
        printable(names[static_cast<std::size_t>(tie.first)]).c_str(),
        printable(names[static_cast<std::size_t>(tie.second)]).c_str());
  }
  std::vector<std::string> unknown;
  for (std::size_t test = 0; test < placer.keysOfCoverageTest.size(); ++test) {
    if (placer.keysOfCoverageTest[test].empty()) unknown.push_back(coverage.testNames[test]);
  }
  matched = coverage.testNames.size() - unknown.size();
  if (unknown.empty()) return true;
  if (matched == 0) {
    std::string reason = "none of the ";
    reason += counted(static_cast<long long>(coverage.testNames.size()), "tests");
    reason += " it names matches a test of the history, such as ";
    reason += printable(unknown.front());
    reason += ", so it places nothing: it names the tests as another runner or tool does";
    reportReadError(file, {0, reason});
    return false;
  }
  warn("%s: %zu of its %zu tests match no test of the history and place nothing, such as %s",
       displayName(file).c_str(), unknown.size(), coverage.testNames.size(),
       printable(unknown.front()).c_str());
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

// The history's runs' changes; a diff or a coverage snapshot that cannot
// be read is left out, said.
void placeRunsChanges(const History& history, ChangePlacer& placer, CoverageMap& coverage,
                      std::vector<RunChange>& runs) {
  const HistoryPlacing placing = placeHistoryChanges(history, placer, coverage, runs);
  for (const LeftOutRun& diff : placing.diffsLeftOut) {
    warn("%s: %s; the run's change is left out, and the coverage's lines may be off after it",
         printable(placeOf(diff)).c_str(), diff.reason.c_str());
  }
  for (const LeftOutRun& snapshot : placing.snapshotsLeftOut) {
    warn("%s: %s; the snapshot is left out, and the coverage before it carried on",
         printable(placeOf(snapshot)).c_str(), snapshot.reason.c_str());
  }
  if (placing.outsideFiles > 0) {
    say("the history's coverage snapshots: the coverage of %ld files (%ld lines) outside the "
        "project (site-packages, dist-packages, /usr/...) is left out",
        placing.outsideFiles, placing.outsideLines);
  }
}

// The next run's change is placed on the tests it runs alone: one gone
// from its list covers nothing.
void placeOnListedAlone(const std::vector<std::string>& listed,
                        const std::vector<std::string>& names, ChangePlacer& placer) {
  const std::unordered_set<std::string> next(listed.begin(), listed.end());
  for (const std::string& name : names) placer.present.push_back(next.count(name) != 0 ? 1 : 0);
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

// Whether a run of the history, read or left out, keeps a diff or a
// coverage snapshot.
bool carriesChanges(const History& history) {
  return std::any_of(history.runs.begin(), history.runs.end(),
                     [](const TestRun& run) { return !run.changeFile.empty(); }) ||
         std::any_of(history.timeline.begin(), history.timeline.end(), [](const RunFiles& run) {
           return !run.changeFile.empty() || !run.coverageFile.empty();
         });
}

// The tests' own files as their reports name them, where the listing gives none.
void addReportSources(const History& history, std::vector<TestSource>& sources) {
  std::unordered_set<std::string> listed;
  for (const TestSource& source : sources) listed.insert(source.test);
  for (const auto& [key, file] : history.fileOfKey) {
    const std::string& name = history.keys[static_cast<std::size_t>(key)];
    if (listed.count(name) == 0) sources.push_back({name, file});
  }
}

}  // namespace

bool readChanges(const Options& options, const History& history,
                 const std::vector<std::string>* listed, ChangeInputs& changes) {
  const bool runsCarry = carriesChanges(history);
  if (!runsCarry && options.changesFile.empty()) {
    if (!options.coverageFile.empty()) {
      warn(
          "--coverage places changes, and there is none: no run has a RUN.diff beside its "
          "report%s",
          options.mode == Mode::ORDER ? ", and --changes is not given" : "");
    }
    return true;
  }
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
  if (!options.coverageFile.empty()) {
    if (!checkCoverageTests(options.coverageFile, changes.coverage, placer,
                            changes.coverageMatched)) {
      return false;
    }
    changes.coverageRead = true;
    changes.coverageTests = changes.coverage.testNames.size();
  }
  placer.ignorePatterns = options.changesIgnored;
  addReportSources(history, changes.sources);
  addTestSources(placer, changes.sources);
  if (runsCarry) placeRunsChanges(history, placer, changes.coverage, changes.runs);
  if (options.changesFile.empty()) {
    warnOfTiedPaths(placer);
    return true;
  }
  if (listed != nullptr) placeOnListedAlone(*listed, changes.names, placer);
  Change change;
  ReadError error;
  if (!readDiffFile(options.changesFile, change, error) ||
      !placeChange(placer, change, changes.next, error)) {
    reportReadError(options.changesFile, error);
    return false;
  }
  warnOfTiedPaths(placer);
  return true;
}

}  // namespace antorder
