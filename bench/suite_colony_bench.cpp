#include <benchmark/benchmark.h>

#include "bench/suite_generator.h"
#include "ordering/suite_colony.h"
#include "platform/random.h"

namespace {

// One iteration of 5 ants on a suite of n tests x 1,000 faults at 1% ones,
// unit costs and severities, on a trail that earlier iterations have shaped.
void runOneSuiteIteration(benchmark::State& state) {
  SuiteShape shape;
  shape.tests = static_cast<int>(state.range(0));
  shape.faults = 1000;
  shape.density = 0.01;
  const SparseSuite suite = generateSuite(shape);
  seedRandom(12345u);
  SuiteColony colony = createSuiteColony(suite, 5);
  for (int warmUp = 0; warmUp < 3; ++warmUp) runSuiteIteration(colony);
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
    benchmark::DoNotOptimize(runSuiteIteration(colony));
  }
}
BENCHMARK(runOneSuiteIteration)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
