#include <benchmark/benchmark.h>

#include "demo/colony.h"
#include "platform/random.h"

namespace {

// One iteration on a trail that earlier iterations have already shaped.
void runOneIteration(benchmark::State& state) {
  seedRandom(RANDOM_SEED);
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  initTrail(suite, colony);
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    runIteration(suite, colony);
    benchmark::DoNotOptimize(colony.bestApfd);
  }
}
BENCHMARK(runOneIteration);

// The whole search as the program runs it, without the printing: trail set-up
// on a fresh copy of the suite, then every iteration.
void runWholeSearch(benchmark::State& state) {
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    seedRandom(RANDOM_SEED);
    TestSuite suite = BUILT_IN_SUITE;
    Colony colony = {};
    runSearch(suite, colony, [](int /*iteration*/, const Colony& /*searched*/) {});
    benchmark::DoNotOptimize(colony.bestTour);
  }
}
BENCHMARK(runWholeSearch)->Unit(benchmark::kMicrosecond);

}  // namespace
