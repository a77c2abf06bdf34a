#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/suite_generator.h"
#include "formulas/formulas.h"
#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "ordering/best_order/best_order.h"
#include "ordering/suite_colony.h"
#include "platform/random.h"

using namespace antorder;

namespace {

// A suite of n tests x 1,000 faults at 1% ones, unit costs and severities.
SparseSuite suiteAtOnePercent(std::int64_t tests) {
  SuiteShape shape;
  shape.tests = static_cast<int>(tests);
  shape.faults = 1000;
  shape.density = 0.01;
  return generateSuite(shape);
}

// One iteration of 5 ants on a suite of n tests x 1,000 faults at 1% ones,
// unit costs and severities, on a trail that earlier iterations have shaped.
void runOneSuiteIteration(benchmark::State& state) {
  const SparseSuite suite = suiteAtOnePercent(state.range(0));
  seedRandom(RANDOM_SEED);
  SuiteColony colony = createSuiteColony(suite, 5);
  for (int warmUp = 0; warmUp < 3; ++warmUp) runSuiteIteration(colony);
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    benchmark::DoNotOptimize(runSuiteIteration(colony));
  }
}
BENCHMARK(runOneSuiteIteration)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Additional greedy on n tests x 1,000 faults at 1% ones: some 500 rounds
// on 100,000 tests, each revealing every fault again.
void orderByAdditionalGreedy(benchmark::State& state) {
  const SparseSuite suite = suiteAtOnePercent(state.range(0));
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    benchmark::DoNotOptimize(additionalGreedyOrder(suite));
  }
}
BENCHMARK(orderByAdditionalGreedy)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The search for the best order, from greedy's order and the colony's after
// 100 iterations, on the shaped suite of 13,585 tests x 38 faults at 17% ones
// and on 100,000 x 1,000 at 1%, under APFD at the default effort.
void findTheBestOrder(benchmark::State& state) {
  SuiteShape shape;
  shape.tests = static_cast<int>(state.range(0));
  shape.faults = static_cast<int>(state.range(1));
  shape.density = static_cast<double>(state.range(2)) / 100.0;
  const SparseSuite suite = generateSuite(shape);
  const std::vector<int> greedy = additionalGreedyOrder(suite);
  seedRandom(RANDOM_SEED);
  const std::vector<int> colony = runSuiteSearch(suite, {5, 100}).bestOrder;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    benchmark::DoNotOptimize(findBestOrder(suite, greedy, colony, {}));
  }
}
BENCHMARK(findTheBestOrder)
    ->Args({13585, 38, 17})
    ->Args({100000, 1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
