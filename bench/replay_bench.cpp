#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "reading/junit_history.h"
#include "replay/replay.h"

using namespace antorder;

namespace {

// A history held in memory, as the reader leaves one: `runs` runs of `tests`
// tests whose failures cluster (a test that failed in its last run fails
// again three times in ten, another one in five hundred).
History clusteredHistory(int runs, int tests) {
  std::mt19937 engine(7u);
  std::uniform_real_distribution<double> draw(0.0, 1.0);
  History history;
  std::vector<double> seconds;
  for (int test = 0; test < tests; ++test) {
    history.keys.push_back("tests.test_module." + std::to_string(test));
    history.keyIndex.emplace(history.keys.back(), test);
    seconds.push_back(0.001 + 2.0 * draw(engine));
  }
  std::vector<bool> failedLast(static_cast<std::size_t>(tests), false);
  for (int run = 0; run < runs; ++run) {
    TestRun testRun{"run-" + std::to_string(run), {}, {}};
    for (int test = 0; test < tests; ++test) {
      const auto t = static_cast<std::size_t>(test);
      failedLast[t] = draw(engine) < (failedLast[t] ? 0.3 : 0.002);
      testRun.results.push_back(
          {test, seconds[t] * (0.8 + 0.4 * draw(engine)), true, failedLast[t]});
    }
    history.runs.push_back(std::move(testRun));
  }
  return history;
}

// Replaying every failing run of a history of 300 runs x 125 tests, on one thread.
void replayAHistory(benchmark::State& state) {
  const History history = clusteredHistory(300, 125);
  ReplaySettings settings;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    benchmark::DoNotOptimize(replayHistory(history, settings, [](int, int) { return true; }));
  }
}
BENCHMARK(replayAHistory)->Unit(benchmark::kMillisecond);

}  // namespace
