#include "history/history.h"

#include <algorithm>
#include <cstddef>

namespace antorder {

int putRunsInCollectionOrder(History& history) {
  int reordered = 0;
  for (TestRun& run : history.runs) {
    const bool recorded =
        std::any_of(run.results.begin(), run.results.end(),
                    [](const TestResult& result) { return result.position >= 0; });
    if (!recorded) continue;
    std::stable_sort(run.results.begin(), run.results.end(),
                     [](const TestResult& a, const TestResult& b) {
                       if ((a.position < 0) != (b.position < 0)) return b.position < 0;
                       return a.position < b.position;
                     });
    run.collectionOrder = true;
    ++reordered;
  }
  return reordered;
}

double medianOf(std::vector<double> values) {
  return medianInPlace(values);
}

double medianInPlace(std::vector<double>& values) {
  if (values.empty()) return 0.0;
  const std::size_t middle = values.size() / 2;
  const auto upper = values.begin() + static_cast<std::ptrdiff_t>(middle);
  std::nth_element(values.begin(), upper, values.end());
  if (values.size() % 2 == 1) return *upper;
  return (*std::max_element(values.begin(), upper) + *upper) / 2.0;
}

std::vector<double> medianSeconds(const History& history, int window) {
  const auto runCount = static_cast<int>(history.runs.size());
  return medianSecondsOf(history, std::max(0, runCount - window), runCount);
}

std::vector<int> windowKeys(const History& history, int window) {
  std::vector<int> keys;
  std::vector<char> taken(history.keys.size(), 0);
  const auto runCount = static_cast<int>(history.runs.size());
  for (int at = runCount - 1; at >= std::max(0, runCount - window); --at) {
    for (const TestResult& result : history.runs[static_cast<std::size_t>(at)].results) {
      const auto key = static_cast<std::size_t>(result.key);
      if (!result.ran || taken[key] != 0) continue;
      taken[key] = 1;
      keys.push_back(result.key);
    }
  }
  return keys;
}

std::vector<double> medianSecondsOf(const History& history, int firstRun, int endRun) {
  std::vector<std::vector<double>> times(history.keys.size());
  for (int at = firstRun; at < endRun; ++at) {
    for (const TestResult& result : history.runs[static_cast<std::size_t>(at)].results) {
      if (result.ran) times[static_cast<std::size_t>(result.key)].push_back(result.seconds);
    }
  }
  std::vector<double> medians(history.keys.size(), -1.0);
  for (std::size_t key = 0; key < medians.size(); ++key) {
    if (!times[key].empty()) medians[key] = std::max(MIN_SECONDS, medianOf(times[key]));
  }
  return medians;
}

int failingRunsCaught(const History& history, int firstRun, int endRun,
                      const std::vector<int>& keys, int& failingRuns) {
  std::vector<char> chosen(history.keys.size(), 0);
  for (const int key : keys) chosen[static_cast<std::size_t>(key)] = 1;
  failingRuns = 0;
  int caught = 0;
  for (int at = firstRun; at < endRun; ++at) {
    bool failed = false;
    bool held = false;
    for (const TestResult& result : history.runs[static_cast<std::size_t>(at)].results) {
      if (!result.ran || !result.failed) continue;
      failed = true;
      held = held || chosen[static_cast<std::size_t>(result.key)] != 0;
    }
    failingRuns += failed ? 1 : 0;
    caught += held ? 1 : 0;
  }
  return caught;
}

}  // namespace antorder
