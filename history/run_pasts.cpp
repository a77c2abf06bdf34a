#include "history/run_pasts.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace antorder {

namespace {

using Index = std::size_t;

// The past of the run's tests that ran, as the past and the models see them.
RunPast pastOf(const LearnedHistory& learned, const TestRun& run, int at, const RunChange* change,
               std::vector<Features>& features) {
  const HistoryPast& past = learned.past;
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
    // At most two flips: passed, failed a stretch, passed since.
    runPast.fixedUntouched.push_back(
        features.back()[HISTORY_FEATURES + 9] > 0.0 && past.tests[key].flips <= 2 ? 1 : 0);
    runPast.failureProbability.push_back(failureProbability(learned.model, features.back()));
    runPast.rankingProbability.push_back(failureProbability(learned.ranking, features.back()));
    runPast.expectedSeconds.push_back(expectedSeconds(past, result.key));
    if (seen) known.push_back(runPast.expectedSeconds.back());
  }
  const double unknown = known.empty() ? 1.0 : medianOf(known);
  for (double& seconds : runPast.expectedSeconds) {
    if (seconds < 0.0) seconds = unknown;
  }
  return runPast;
}

bool anyFailed(const TestRun& run) {
  return std::any_of(run.results.begin(), run.results.end(),
                     [](const TestResult& result) { return result.ran && result.failed; });
}

}  // namespace

void learnFromRun(LearnedHistory& learned, const TestRun& run,
                  const std::vector<Features>& features, bool changeCarried) {
  std::vector<bool> failed;
  for (const TestResult& result : run.results) {
    if (result.ran) failed.push_back(result.failed);
  }
  learnRun(learned.model, features, failed, changeCarried);
  if (std::find(failed.begin(), failed.end(), false) != failed.end()) {
    learnRun(learned.ranking, features, failed, changeCarried);
  }
  addRun(learned.past, run);
  ++learned.runs;
}

std::vector<RunPast> pastsOfFailingRuns(const History& history, const HistoryChanges& changes,
                                        LearnedHistory* learned) {
  if (learned == nullptr) {
    LearnedHistory own;
    return pastsOfFailingRuns(history, changes, &own);
  }
  // Each run's past is taken before the model learns from it.
  LearnedHistory& learning = *learned;
  learning = LearnedHistory{};
  std::vector<RunPast> pasts;
  std::vector<Features> features;
  for (Index at = 0; at < history.runs.size(); ++at) {
    const TestRun& run = history.runs[at];
    const RunChange* change =
        changes.runs != nullptr && at < changes.runs->size() ? &(*changes.runs)[at] : nullptr;
    RunPast runPast = pastOf(learning, run, static_cast<int>(at), change, features);
    if (at > 0 && anyFailed(run)) pasts.push_back(std::move(runPast));
    learnFromRun(learning, run, features, change != nullptr && change->carried);
  }
  return pasts;
}

RunPast nextRunPast(const LearnedHistory& learned, const History& history,
                    const std::vector<int>* nextTests, const RunChange* change) {
  std::vector<Features> features;
  if (nextTests == nullptr) {
    return pastOf(learned, history.runs.back(), static_cast<int>(history.runs.size()), change,
                  features);
  }
  TestRun listed;
  for (const int key : *nextTests) listed.results.push_back({key, 0.0, true, false});
  return pastOf(learned, listed, static_cast<int>(history.runs.size()), change, features);
}

std::vector<RunPast> pastsOfFailingRuns(const History& history, RunPast& next,
                                        const std::vector<int>* nextTests,
                                        const HistoryChanges& changes) {
  LearnedHistory learned;
  std::vector<RunPast> pasts = pastsOfFailingRuns(history, changes, &learned);
  if (!history.runs.empty()) next = nextRunPast(learned, history, nextTests, changes.next);
  return pasts;
}

}  // namespace antorder
