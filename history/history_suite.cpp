#include "history/history_suite.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "suite/field_values.h"

namespace antorder {

void buildHistorySuite(const History& history, int window, SuiteBuilder& builder) {
  const auto runCount = static_cast<int>(history.runs.size());
  const int firstRun = std::max(0, runCount - window);
  TestRun next;
  for (const int key : windowKeys(history, window)) next.results.push_back({key, 0.0, true, false});
  const int failedRuns = buildWindowSuite(history, next, firstRun, runCount, builder);
  builder.suite.notes.push_back("runs in the window: " + std::to_string(runCount - firstRun) +
                                " (at most " + std::to_string(window) + "), " +
                                std::to_string(failedRuns) + " with a failure");
  if (!history.leftOut.empty()) {
    builder.suite.notes.push_back("reports left out, unreadable: " +
                                  std::to_string(history.leftOut.size()));
  }
}

int buildWindowSuite(const History& history, const TestRun& tests, int firstRun, int endRun,
                     SuiteBuilder& builder) {
  // The suite's tests by key, and each one's failures in the window.
  std::vector<int> testOfKey(history.keys.size(), -1);
  std::vector<int> keyOfTest;
  for (const TestResult& result : tests.results) {
    if (!result.ran) continue;
    testOfKey[static_cast<std::size_t>(result.key)] = static_cast<int>(keyOfTest.size());
    keyOfTest.push_back(result.key);
  }
  std::vector<std::vector<int>> failures(keyOfTest.size());
  int failedRuns = 0;
  for (int at = firstRun; at < endRun; ++at) {
    const TestRun& run = history.runs[static_cast<std::size_t>(at)];
    bool anyFailed = false;
    for (const TestResult& result : run.results) {
      anyFailed = anyFailed || result.failed;
      const int test = testOfKey[static_cast<std::size_t>(result.key)];
      if (test < 0 || !result.ran || !result.failed) continue;
      failures[static_cast<std::size_t>(test)].push_back(
          static_cast<int>(builder.rawFaultNames.size()));
      builder.rawFaultNames.push_back(run.name + ":" +
                                      history.keys[static_cast<std::size_t>(result.key)]);
    }
    failedRuns += anyFailed ? 1 : 0;
  }

  // A test that did not run in the window costs the median of the others.
  const std::vector<double> seconds = medianSecondsOf(history, firstRun, endRun);
  std::vector<double> known;
  for (const int key : keyOfTest) {
    if (seconds[static_cast<std::size_t>(key)] >= 0.0)
      known.push_back(seconds[static_cast<std::size_t>(key)]);
  }
  const double unknownCost = known.empty() ? 1.0 : medianOf(known);
  ReadError unused;
  for (std::size_t test = 0; test < keyOfTest.size(); ++test) {
    const auto key = static_cast<std::size_t>(keyOfTest[test]);
    const double cost = seconds[key] >= 0.0 ? seconds[key] : unknownCost;
    // Keys are unique, so no test is refused.
    addTest(builder, history.keys[key],
            static_cast<float>(std::min(cost, static_cast<double>(MAX_COST))), 1, failures[test], 0,
            unused);
  }
  builder.suite.itemNoun = "failures";
  builder.nothingRevealedIsFine = true;
  return failedRuns;
}

}  // namespace antorder
