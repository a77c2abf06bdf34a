#include "change/history_changes.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "reading/diff_reader.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The tests' own files as their reports name them, where the listing gives none.
void addReportSources(const History& history, std::vector<TestSource>& sources) {
  std::unordered_set<std::string> listed;
  for (const TestSource& source : sources) listed.insert(source.test);
  for (const auto& [key, file] : history.fileOfKey) {
    const std::string& name = history.keys[static_cast<Index>(key)];
    if (listed.count(name) == 0) sources.push_back({name, file});
  }
}

// How the coverage's tests matched the names the placer started with.
CoverageNamesMatched matchedOf(const ChangePlacer& placer) {
  const std::vector<std::string>& tests = placer.coverage->testNames;
  const std::vector<std::string>& names = *placer.names;
  CoverageNamesMatched matched;
  matched.tests = tests.size();
  for (Index test = 0; test < placer.keysOfCoverageTest.size(); ++test) {
    if (placer.keysOfCoverageTest[test].empty()) matched.unmatched.push_back(tests[test]);
  }
  for (const CoverageNameMatch::Tie& tie : placer.lcovTies) {
    matched.lcovTies.push_back({tests[static_cast<Index>(tie.test)],
                                names[static_cast<Index>(tie.first)],
                                names[static_cast<Index>(tie.second)]});
  }
  return matched;
}

// Every run of the folder's timeline, read or left out; of a single report
// (no timeline), its runs.
std::vector<RunFiles> timelineOf(const History& history) {
  if (!history.timeline.empty()) return history.timeline;
  std::vector<RunFiles> timeline;
  for (Index run = 0; run < history.runs.size(); ++run) {
    timeline.push_back(
        {history.runs[run].name, static_cast<int>(run), history.runs[run].changeFile, {}, {}});
  }
  return timeline;
}

// Reads the run's diff and places it; a run left out places nothing, its
// diff only moves the coverage on.
void carryRunDiff(const RunFiles& step, CarriedChanges& carried) {
  Change change;
  ReadError error;
  RunChange placed;
  if (readDiffFile(step.changeFile, change, error) &&
      placeChange(carried.placer, change, placed, error)) {
    if (step.run >= 0) carried.runs[static_cast<Index>(step.run)] = std::move(placed);
  } else {
    carried.diffsLeftOut.push_back({step.changeFile, error.line, error.reason});
  }
}

// Reads the run's coverage snapshot, less the code outside the project, to
// stand for the coverage, and matches its tests afresh; what the placer was
// given stays.
void takeSnapshot(const RunFiles& step, CarriedChanges& carried) {
  CoverageMap snapshot;
  ReadError error;
  if (!readCoverageMap(step.coverageFile, snapshot, error)) {
    carried.snapshotsLeftOut.push_back({step.coverageFile, error.line, error.reason});
    return;
  }
  const OutsideCode outside = leaveOutOutsideCode(snapshot);
  carried.outsideFiles += outside.files;
  carried.outsideLines += outside.lines;
  if (carried.coverage == nullptr) carried.coverage = std::make_unique<CoverageMap>();
  *carried.coverage = std::move(snapshot);
  ChangePlacer& placer = carried.placer;
  ChangePlacer fresh = startPlacing(*placer.names, carried.coverage.get());
  fresh.ignorePatterns = std::move(placer.ignorePatterns);
  fresh.sources = std::move(placer.sources);
  fresh.tiedPaths = std::move(placer.tiedPaths);
  fresh.present = std::move(placer.present);
  placer = std::move(fresh);
  ++carried.snapshotsRead;
}

}  // namespace

bool historyCarriesChanges(const History& history) {
  return std::any_of(history.runs.begin(), history.runs.end(),
                     [](const TestRun& run) { return !run.changeFile.empty(); }) ||
         std::any_of(history.timeline.begin(), history.timeline.end(), [](const RunFiles& run) {
           return !run.changeFile.empty() || !run.coverageFile.empty();
         });
}

CarriedChanges carryHistoryChanges(const History& history, HistoryChangeInputs inputs) {
  CarriedChanges carried;
  // On the heap, the map stays where the placer points when the result moves.
  carried.coverage = std::move(inputs.coverage);
  carried.placer = startPlacing(*inputs.names, carried.coverage.get());
  if (carried.coverage != nullptr) carried.given = matchedOf(carried.placer);
  carried.placer.ignorePatterns = std::move(inputs.ignorePatterns);
  addReportSources(history, inputs.sources);
  addTestSources(carried.placer, inputs.sources);
  if (!historyCarriesChanges(history)) return carried;
  carried.runs.assign(history.runs.size(), RunChange{});
  for (const RunFiles& step : timelineOf(history)) {
    if (!step.changeFile.empty()) carryRunDiff(step, carried);
    if (!step.coverageFile.empty()) takeSnapshot(step, carried);
  }
  return carried;
}

bool placeNextChange(CarriedChanges& carried, const std::vector<std::string>* listed,
                     const Change& change, RunChange& placed, ReadError& error) {
  ChangePlacer& placer = carried.placer;
  if (listed != nullptr) {
    const std::unordered_set<std::string> next(listed->begin(), listed->end());
    placer.present.clear();
    for (const std::string& name : *placer.names) {
      placer.present.push_back(next.count(name) != 0 ? 1 : 0);
    }
  }
  return placeChange(placer, change, placed, error);
}

}  // namespace antorder
