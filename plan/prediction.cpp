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
                                 const HistoryChanges& changes,
                                 const std::vector<double>* expectedSeconds) {
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
  // Of listed tests, the window's not listed follow, so that one walk gives
  // the model's chances for the window's suite too.
  const std::size_t ordered = keys.size();
  std::vector<int> windowAt;  // by place in windowKeys, the place in keys
  if (nextTests != nullptr) {
    std::vector<int> placeOfKey(history.keys.size(), -1);
    for (Index at = 0; at < ordered; ++at) {
      if (keys[at] < static_cast<int>(history.keys.size()) &&
          placeOfKey[static_cast<Index>(keys[at])] < 0) {
        placeOfKey[static_cast<Index>(keys[at])] = static_cast<int>(at);
      }
    }
    for (const int key : windowKeys(history, window)) {
      int& place = placeOfKey[static_cast<Index>(key)];
      if (place < 0) {
        place = static_cast<int>(keys.size());
        keys.push_back(key);
      }
      windowAt.push_back(place);
    }
  }
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history, next, &keys, changes);
  if (expectedSeconds != nullptr) {
    for (Index at = 0; at < next.expectedSeconds.size() && at < expectedSeconds->size(); ++at) {
      if ((*expectedSeconds)[at] >= 0.0) next.expectedSeconds[at] = (*expectedSeconds)[at];
    }
  }
  prediction.expectedSeconds.assign(
      next.expectedSeconds.begin(),
      next.expectedSeconds.begin() + static_cast<std::ptrdiff_t>(ordered));
  prediction.learnedFromRuns = static_cast<int>(history.runs.size());
  prediction.anyFailure =
      !pasts.empty() ||
      std::any_of(history.runs.front().results.begin(), history.runs.front().results.end(),
                  [](const TestResult& result) { return result.ran && result.failed; });
  if (!prediction.anyFailure && changes.next == nullptr) {
    prediction.order = cheapestFirst(prediction.expectedSeconds);
    return prediction;
  }
  const std::vector<double>& chance = perSecond ? next.failureProbability : next.rankingProbability;
  prediction.order = orderByFailureChance(
      std::vector<double>(chance.begin(), chance.begin() + static_cast<std::ptrdiff_t>(ordered)),
      prediction.expectedSeconds, perSecond);
  if (!windowAt.empty()) {
    std::vector<double> windowChance;
    std::vector<double> windowSeconds;
    for (const int at : windowAt) {
      windowChance.push_back(chance[static_cast<Index>(at)]);
      windowSeconds.push_back(next.expectedSeconds[static_cast<Index>(at)]);
    }
    prediction.windowOrder = orderByFailureChance(windowChance, windowSeconds, perSecond);
  }
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
