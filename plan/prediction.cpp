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

// The keys the next run's past is taken of: the listed tests' (one the
// history does not know takes a key past its own), then the window's not
// listed, so that one walk gives the model's chances for the window's suite
// too; `windowAt` receives, by place in windowKeys, the place in the keys.
// Without a list, the window's.
std::vector<int> keysToPredict(const History& history, const std::vector<std::string>* nextTests,
                               int window, std::vector<int>& windowAt) {
  if (nextTests == nullptr) return windowKeys(history, window);
  std::vector<int> keys;
  std::vector<int> placeOfKey(history.keys.size(), -1);
  int unknown = static_cast<int>(history.keys.size());
  for (const std::string& name : *nextTests) {
    const auto known = history.keyIndex.find(name);
    if (known == history.keyIndex.end()) {
      keys.push_back(unknown++);
      continue;
    }
    int& place = placeOfKey[static_cast<Index>(known->second)];
    if (place < 0) place = static_cast<int>(keys.size());
    keys.push_back(known->second);
  }
  for (const int key : windowKeys(history, window)) {
    int& place = placeOfKey[static_cast<Index>(key)];
    if (place < 0) {
      place = static_cast<int>(keys.size());
      keys.push_back(key);
    }
    windowAt.push_back(place);
  }
  return keys;
}

// Where given (not negative), the plan's expected times replace the past's.
void takeExpectedSeconds(const std::vector<double>& given, std::vector<double>& seconds) {
  for (Index at = 0; at < seconds.size() && at < given.size(); ++at) {
    if (given[at] >= 0.0) seconds[at] = given[at];
  }
}

// The model's order of the window's tests, from their places in the keys.
std::vector<int> windowOrderOf(const std::vector<double>& chance, const RunPast& next,
                               const std::vector<int>& windowAt, bool perSecond) {
  std::vector<double> windowChance;
  std::vector<double> windowSeconds;
  std::vector<char> touched;
  std::vector<char> fixed;
  for (const int at : windowAt) {
    const auto place = static_cast<Index>(at);
    windowChance.push_back(chance[place]);
    windowSeconds.push_back(next.expectedSeconds[place]);
    touched.push_back(next.touched[place]);
    fixed.push_back(next.fixedUntouched[place]);
  }
  std::vector<int> order = orderByFailureChance(windowChance, windowSeconds, perSecond);
  putTouchedAheadOfFixed(order, touched, fixed);
  return order;
}

}  // namespace

NextRunPrediction predictNextRun(const History& history, bool perSecond,
                                 const std::vector<std::string>* nextTests, int window,
                                 const HistoryChanges& changes,
                                 const std::vector<double>* expectedSeconds) {
  NextRunPrediction prediction;
  std::vector<int> windowAt;
  const std::vector<int> keys = keysToPredict(history, nextTests, window, windowAt);
  const std::size_t ordered = nextTests != nullptr ? nextTests->size() : keys.size();
  LearnedHistory learned;
  const std::vector<RunPast> pasts = pastsOfFailingRuns(history, changes, &learned);
  RunPast next = nextRunPast(learned, history, &keys, changes.next);
  if (expectedSeconds != nullptr) takeExpectedSeconds(*expectedSeconds, next.expectedSeconds);
  prediction.expectedSeconds.assign(
      next.expectedSeconds.begin(),
      next.expectedSeconds.begin() + static_cast<std::ptrdiff_t>(ordered));
  prediction.learnedFromRuns = learned.runs;
  prediction.anyFailure =
      !pasts.empty() ||
      std::any_of(history.runs.front().results.begin(), history.runs.front().results.end(),
                  [](const TestResult& result) { return result.ran && result.failed; });
  if (!prediction.anyFailure && changes.next == nullptr) {
    prediction.order = cheapestFirst(prediction.expectedSeconds);
    return prediction;
  }
  const std::vector<double>& chance = perSecond ? next.failureProbability : next.rankingProbability;
  const auto listed = static_cast<std::ptrdiff_t>(ordered);
  prediction.order =
      orderByFailureChance(std::vector<double>(chance.begin(), chance.begin() + listed),
                           prediction.expectedSeconds, perSecond);
  putTouchedAheadOfFixed(
      prediction.order, std::vector<char>(next.touched.begin(), next.touched.begin() + listed),
      std::vector<char>(next.fixedUntouched.begin(), next.fixedUntouched.begin() + listed));
  if (!windowAt.empty()) prediction.windowOrder = windowOrderOf(chance, next, windowAt, perSecond);
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
