#include "ordering/sparse_suite.h"

#include <algorithm>

#include "formulas/formulas.h"

FaultColumns buildFaultColumns(const SparseSuite& suite) {
  FaultColumns columns;
  columns.first.assign(suite.faultNames.size() + 1, 0);
  for (const int fault : suite.revealedFaults) ++columns.first[static_cast<std::size_t>(fault) + 1];
  for (std::size_t fault = 0; fault < suite.faultNames.size(); ++fault) {
    columns.first[fault + 1] += columns.first[fault];
  }
  // Filling tests in ascending order leaves each column ascending.
  std::vector<std::size_t> next(columns.first.begin(), columns.first.end() - 1);
  columns.tests.resize(suite.revealedFaults.size());
  for (int test = 0; test < testCount(suite); ++test) {
    const auto t = static_cast<std::size_t>(test);
    for (std::size_t one = suite.firstRevealed[t]; one < suite.firstRevealed[t + 1]; ++one) {
      columns.tests[next[static_cast<std::size_t>(suite.revealedFaults[one])]++] = test;
    }
  }
  return columns;
}

std::vector<int> firstRevealingPositions(const SparseSuite& suite, const int* order) {
  const int tests = testCount(suite);
  const int faults = faultCount(suite);
  std::vector<int> firstPosition(static_cast<std::size_t>(faults), 0);
  int found = 0;
  for (int position = 0; position < tests && found < faults; ++position) {
    const auto test = static_cast<std::size_t>(order[position]);
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      int& first = firstPosition[static_cast<std::size_t>(suite.revealedFaults[one])];
      if (first == 0) {
        first = position + 1;
        ++found;
      }
    }
  }
  return firstPosition;
}

float computeSuiteApfd(const SparseSuite& suite, const int* order) {
  std::int64_t positionSum = 0;
  for (const int position : firstRevealingPositions(suite, order)) positionSum += position;
  return apfdFromExactPositionSum(positionSum, testCount(suite), faultCount(suite));
}

float computeSuiteApfdc(const SparseSuite& suite, const int* order) {
  // costFrom[k]: the cost of the tests from position k + 1 to the end.
  const auto tests = static_cast<std::size_t>(testCount(suite));
  std::vector<double> costFrom(tests + 1, 0.0);
  for (std::size_t position = tests; position-- > 0;) {
    costFrom[position] =
        costFrom[position + 1] +
        static_cast<double>(suite.testCost[static_cast<std::size_t>(order[position])]);
  }
  double sum = 0.0;
  for (const int position : firstRevealingPositions(suite, order)) {
    const auto at = static_cast<std::size_t>(position - 1);
    sum += costFrom[at] - 0.5 * (costFrom[at] - costFrom[at + 1]);
  }
  return static_cast<float>(sum / (costFrom[0] * static_cast<double>(faultCount(suite))));
}

bool costsAllEqual(const SparseSuite& suite) {
  return std::all_of(suite.testCost.begin(), suite.testCost.end(),
                     [&](float cost) { return cost == suite.testCost.front(); });
}
