#include "bench/suite_generator.h"

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace antorder {

namespace {

// A uniform draw from 0 to bound - 1 from the engine's raw output, which the
// standard fixes for every platform (its distributions it does not).
std::uint32_t drawBelow(std::mt19937& engine, std::uint32_t bound) {
  return static_cast<std::uint32_t>(engine() % bound);
}

}  // namespace

SparseSuite generateSuite(const SuiteShape& shape) {
  std::mt19937 engine(shape.seed);
  const auto tests = static_cast<std::size_t>(shape.tests);
  const auto faults = static_cast<std::size_t>(shape.faults);
  const auto threshold = static_cast<std::uint32_t>(shape.density * 4294967295.0);

  std::vector<std::vector<int>> revealed(tests);
  std::vector<char> anyTest(faults, 0);
  for (std::size_t test = 0; test < tests; ++test) {
    for (std::size_t fault = 0; fault < faults; ++fault) {
      if (engine() < threshold) {
        revealed[test].push_back(static_cast<int>(fault));
        anyTest[fault] = 1;
      }
    }
  }
  for (std::size_t fault = 0; fault < faults; ++fault) {
    if (anyTest[fault] != 0) continue;
    std::vector<int>& row = revealed[drawBelow(engine, static_cast<std::uint32_t>(tests))];
    row.insert(std::upper_bound(row.begin(), row.end(), static_cast<int>(fault)),
               static_cast<int>(fault));
  }

  SparseSuite suite;
  suite.firstRevealed.push_back(0);
  for (std::size_t test = 0; test < tests; ++test) {
    suite.testNames.push_back("t" + std::to_string(test + 1));
    const float cost =
        shape.variedCosts ? static_cast<float>(drawBelow(engine, 1000) + 1) / 100.0f : 1.0f;
    suite.testCost.push_back(cost * shape.costScale);
    suite.testSeverity.push_back(shape.variedSeverities ? static_cast<int>(drawBelow(engine, 5)) + 1
                                                        : 1);
    suite.revealedFaults.insert(suite.revealedFaults.end(), revealed[test].begin(),
                                revealed[test].end());
    suite.firstRevealed.push_back(suite.revealedFaults.size());
  }
  for (std::size_t fault = 0; fault < faults; ++fault) {
    suite.faultNames.push_back("f" + std::to_string(fault + 1));
  }
  return suite;
}

}  // namespace antorder
