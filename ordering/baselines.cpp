#include "ordering/baselines.h"

#include <algorithm>
#include <cstddef>

#include "ordering/winner_tree.h"

std::vector<int> givenOrder(const SparseSuite& suite) {
  std::vector<int> order(suite.testNames.size());
  for (std::size_t position = 0; position < order.size(); ++position) {
    order[position] = static_cast<int>(position);
  }
  return order;
}

std::vector<int> cheapestFirstOrder(const SparseSuite& suite) {
  std::vector<int> order = givenOrder(suite);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return suite.testCost[static_cast<std::size_t>(a)] <
           suite.testCost[static_cast<std::size_t>(b)];
  });
  return order;
}

std::vector<int> additionalGreedyOrder(const SparseSuite& suite, const FaultColumns& columns) {
  // A test's key is the number of faults it would newly reveal. Once every
  // fault is revealed all keys are 0, and the lowest index wins: file order.
  const int tests = testCount(suite);
  std::vector<int> newFaults(static_cast<std::size_t>(tests));
  for (std::size_t test = 0; test < newFaults.size(); ++test) {
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      newFaults[test] += faultWeight(suite, static_cast<std::size_t>(suite.revealedFaults[one]));
    }
  }
  WinnerTree tree = buildWinnerTree(newFaults);
  std::vector<char> revealed(suite.faultNames.size(), 0);

  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(tests));
  while (static_cast<int>(order.size()) < tests) {
    const int chosen = treeWinner(tree);
    order.push_back(chosen);
    lowerKey(tree, chosen, TAKEN_KEY);
    const auto c = static_cast<std::size_t>(chosen);
    for (std::size_t one = suite.firstRevealed[c]; one < suite.firstRevealed[c + 1]; ++one) {
      const auto fault = static_cast<std::size_t>(suite.revealedFaults[one]);
      if (revealed[fault] != 0) continue;
      revealed[fault] = 1;
      for (std::size_t entry = columns.first[fault]; entry < columns.first[fault + 1]; ++entry) {
        const int other = columns.tests[entry];
        const int otherKey = treeKey(tree, other);
        if (otherKey != TAKEN_KEY) lowerKey(tree, other, otherKey - faultWeight(suite, fault));
      }
    }
  }
  return order;
}
