#include "plan/prediction.h"

#include <algorithm>
#include <cstddef>

#include "history/failure_model.h"
#include "history/run_pasts.h"
#include "replay/replay.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The tests by expected time, cheapest first, ties in report order.
std::vector<int> cheapestFirst(const std::vector<double>& expectedSeconds) {
  std::vector<int> order(expectedSeconds.size());
  for (Index at = 0; at < order.size(); ++at) order[at] = static_cast<int>(at);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return expectedSeconds[static_cast<Index>(a)] < expectedSeconds[static_cast<Index>(b)];
  });
  return order;
}

}  // namespace

NextRunPrediction predictNextRun(const History& history, bool perSecond,
                                 const std::vector<std::string>* nextTests, int window,
                                 const HistoryChanges& changes) {
  NextRunPrediction prediction;
  RunPast next;
  // A listed test the history does not know takes a key past its own.
  std::vector<int> keys;
  if (nextTests != nullptr) {
    int unknown = static_cast<int>(history.keys.size());
    for (const std::string& name : *nextTests) {
      const auto known = history.keyIndex.find(name);
      keys.push_back(known != history.keyIndex.end() ? known->second : unknown++);
    }
  } else {
    keys = windowKeys(history, window);
  }
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history, next, &keys, changes);
  prediction.expectedSeconds = next.expectedSeconds;
  prediction.learnedFromRuns = static_cast<int>(history.runs.size());
  prediction.anyFailure =
      !pasts.empty() ||
      std::any_of(history.runs.front().results.begin(), history.runs.front().results.end(),
                  [](const TestResult& result) { return result.ran && result.failed; });
  if (!prediction.anyFailure && changes.next == nullptr) {
    prediction.order = cheapestFirst(next.expectedSeconds);
    return prediction;
  }
  prediction.order =
      orderByFailureChance(perSecond ? next.failureProbability : next.rankingProbability,
                           next.expectedSeconds, perSecond);
  const std::size_t first = pasts.size() > static_cast<std::size_t>(EVIDENCE_RUNS)
                                ? pasts.size() - static_cast<std::size_t>(EVIDENCE_RUNS)
                                : 0;
  for (std::size_t at = first; at < pasts.size(); ++at) {
    StrategyOrders orders;
    orderByPast(pasts[at], perSecond, orders);
    const ReplayedRun scored = scoreRun(history, pasts[at], orders);
    const auto add = [&](OrderMeans& means, Strategy strategy) {
      means.apfd += scored.scores[static_cast<Index>(strategy)].apfd;
      means.apfdc += scored.scores[static_cast<Index>(strategy)].apfdc;
    };
    add(prediction.given, Strategy::GIVEN);
    add(prediction.recentlyFailed, Strategy::RECENTLY_FAILED);
    add(prediction.model, Strategy::FAILURE_MODEL);
  }
  prediction.evidenceRuns = static_cast<int>(pasts.size() - first);
  for (OrderMeans* means : {&prediction.given, &prediction.recentlyFailed, &prediction.model}) {
    if (prediction.evidenceRuns == 0) break;
    means->apfd /= prediction.evidenceRuns;
    means->apfdc /= prediction.evidenceRuns;
  }
  return prediction;
}

}  // namespace antorder
