#include "history/run_pasts.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "history/failure_model.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The past of the run's tests that ran, as the past and the model see them.
RunPast pastOf(const HistoryPast& past, const FailureModel& model, const FailureModel& ranking,
               const TestRun& run, int at, const RunChange* change,
               std::vector<Features>& features) {
  RunPast runPast;
  runPast.run = at;
  features.clear();
  std::vector<double> known;
  const double top = change != nullptr ? topSpecificityOf(*change) : 0.0;
  for (const TestResult& result : run.results) {
    if (!result.ran) continue;
    runPast.keys.push_back(result.key);
    const auto key = static_cast<Index>(result.key);
    const bool seen = key < past.tests.size() && past.tests[key].runs > 0;
    runPast.meanSeconds.push_back(
        seen ? past.tests[key].secondsSum / static_cast<double>(past.tests[key].runs) : -1.0);
    runPast.failureLikelihood.push_back(seen ? past.tests[key].smoothed[0] : 0.0);
    features.push_back(featuresOf(past, result.key, change, top));
    runPast.touched.push_back(features.back()[HISTORY_FEATURES] > 0.0 ? 1 : 0);
    runPast.neverFailed.push_back(!seen || past.tests[key].failures == 0 ? 1 : 0);
    runPast.failureProbability.push_back(failureProbability(model, features.back()));
    runPast.rankingProbability.push_back(failureProbability(ranking, features.back()));
    runPast.expectedSeconds.push_back(expectedSeconds(past, result.key));
    if (seen) known.push_back(runPast.expectedSeconds.back());
  }
  const double unknown = known.empty() ? 1.0 : medianOf(known);
  for (double& seconds : runPast.expectedSeconds) {
    if (seconds < 0.0) seconds = unknown;
  }
  return runPast;
}

// Walks the runs oldest first: each run's past is taken before the model
// learns from it; `keep` has the pasts wanted.
template <typename Keep>
std::vector<RunPast> walkHistory(const History& history, Keep keep, RunPast* next,
                                 const std::vector<int>* nextTests, const HistoryChanges& changes) {
  HistoryPast past;
  FailureModel model;
  FailureModel ranking;
  std::vector<RunPast> pasts;
  std::vector<Features> features;
  for (Index at = 0; at < history.runs.size(); ++at) {
    const TestRun& run = history.runs[at];
    const RunChange* change =
        changes.runs != nullptr && at < changes.runs->size() ? &(*changes.runs)[at] : nullptr;
    RunPast runPast = pastOf(past, model, ranking, run, static_cast<int>(at), change, features);
    std::vector<bool> failed;
    for (const TestResult& result : run.results) {
      if (result.ran) failed.push_back(result.failed);
    }
    const bool anyFailed = std::find(failed.begin(), failed.end(), true) != failed.end();
    if (keep(at, anyFailed)) pasts.push_back(std::move(runPast));
    const bool carried = change != nullptr && change->carried;
    learnRun(model, features, failed, carried);
    if (std::find(failed.begin(), failed.end(), false) != failed.end()) {
      learnRun(ranking, features, failed, carried);
    }
    addRun(past, run);
  }
  if (next != nullptr && !history.runs.empty()) {
    TestRun listed;
    if (nextTests != nullptr) {
      for (const int key : *nextTests) listed.results.push_back({key, 0.0, true, false});
    }
    *next = pastOf(past, model, ranking, nextTests != nullptr ? listed : history.runs.back(),
                   static_cast<int>(history.runs.size()), changes.next, features);
  }
  return pasts;
}

}  // namespace

std::vector<RunPast> pastsOfFailingRuns(const History& history, const HistoryChanges& changes) {
  return walkHistory(
      history, [](Index at, bool anyFailed) { return anyFailed && at > 0; }, nullptr, nullptr,
      changes);
}

std::vector<RunPast> pastsOfFailingRuns(const History& history, RunPast& next,
                                        const std::vector<int>* nextTests,
                                        const HistoryChanges& changes) {
  return walkHistory(
      history, [](Index at, bool anyFailed) { return anyFailed && at > 0; }, &next, nextTests,
      changes);
}

}  // namespace antorder
