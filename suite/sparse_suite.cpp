#include "suite/sparse_suite.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "formulas/formulas.h"

namespace antorder {

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

std::int64_t totalFaultWeight(const SparseSuite& suite) {
  if (suite.faultWeight.empty()) return faultCount(suite);
  std::int64_t total = 0;
  for (const int weight : suite.faultWeight) total += weight;
  return total;
}

void mergeIdenticalFaults(SparseSuite& suite) {
  const FaultColumns columns = buildFaultColumns(suite);
  const auto columnOf = [&](std::size_t fault) {
    return std::make_pair(
        columns.tests.begin() + static_cast<std::ptrdiff_t>(columns.first[fault]),
        columns.tests.begin() + static_cast<std::ptrdiff_t>(columns.first[fault + 1]));
  };
  // Faults by a hash of their column; a hash shared by different columns is checked whole.
  std::unordered_map<std::uint64_t, std::vector<int>> firstFaultsByHash;
  std::vector<int> itemOf(suite.faultNames.size());
  std::vector<int> firstFault;
  std::vector<int> weight;
  for (std::size_t fault = 0; fault < itemOf.size(); ++fault) {
    std::uint64_t hash = 14695981039346656037u;
    // Plain names, not a structured binding: a lambda below captures them.
    const auto column = columnOf(fault);
    const auto begin = column.first;
    const auto end = column.second;
    for (auto test = begin; test != end; ++test) {
      hash = (hash ^ static_cast<std::uint64_t>(*test)) * 1099511628211u;
    }
    std::vector<int>& candidates = firstFaultsByHash[hash];
    const auto same = std::find_if(candidates.begin(), candidates.end(), [&](int other) {
      const auto [otherBegin, otherEnd] = columnOf(static_cast<std::size_t>(other));
      return std::equal(begin, end, otherBegin, otherEnd);
    });
    if (same != candidates.end()) {
      itemOf[fault] = itemOf[static_cast<std::size_t>(*same)];
      weight[static_cast<std::size_t>(itemOf[fault])] += faultWeight(suite, fault);
      continue;
    }
    candidates.push_back(static_cast<int>(fault));
    itemOf[fault] = static_cast<int>(firstFault.size());
    firstFault.push_back(static_cast<int>(fault));
    weight.push_back(faultWeight(suite, fault));
  }
  if (firstFault.size() == itemOf.size()) return;

  std::vector<std::string> names;
  names.reserve(firstFault.size());
  for (const int fault : firstFault) {
    names.push_back(std::move(suite.faultNames[static_cast<std::size_t>(fault)]));
  }
  std::vector<int> revealed;
  revealed.reserve(suite.revealedFaults.size());
  std::vector<std::size_t> first{0};
  for (std::size_t test = 0; test + 1 < suite.firstRevealed.size(); ++test) {
    const auto begin = revealed.size();
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      revealed.push_back(itemOf[static_cast<std::size_t>(suite.revealedFaults[one])]);
    }
    const auto from = revealed.begin() + static_cast<std::ptrdiff_t>(begin);
    std::sort(from, revealed.end());
    revealed.erase(std::unique(from, revealed.end()), revealed.end());
    first.push_back(revealed.size());
  }
  suite.faultNames = std::move(names);
  suite.faultWeight = std::move(weight);
  suite.revealedFaults = std::move(revealed);
  suite.firstRevealed = std::move(first);
}

float computeSuiteApfd(const SparseSuite& suite, const int* order) {
  const std::vector<int> positions = firstRevealingPositions(suite, order);
  std::int64_t positionSum = 0;
  for (std::size_t fault = 0; fault < positions.size(); ++fault) {
    positionSum += std::int64_t{positions[fault]} * faultWeight(suite, fault);
  }
  return apfdFromExactPositionSum(positionSum, testCount(suite), totalFaultWeight(suite));
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
  const std::vector<int> positions = firstRevealingPositions(suite, order);
  double sum = 0.0;
  for (std::size_t fault = 0; fault < positions.size(); ++fault) {
    const auto at = static_cast<std::size_t>(positions[fault] - 1);
    sum += (costFrom[at] - 0.5 * (costFrom[at] - costFrom[at + 1])) * faultWeight(suite, fault);
  }
  return static_cast<float>(sum / (costFrom[0] * static_cast<double>(totalFaultWeight(suite))));
}

bool costsAllEqual(const SparseSuite& suite) {
  return std::all_of(suite.testCost.begin(), suite.testCost.end(),
                     [&](float cost) { return cost == suite.testCost.front(); });
}

}  // namespace antorder
