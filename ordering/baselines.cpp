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

namespace {

// The weight of the faults each test reveals.
std::vector<int> revealedWeights(const SparseSuite& suite) {
  std::vector<int> weights(suite.testNames.size(), 0);
  for (std::size_t test = 0; test < weights.size(); ++test) {
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      weights[test] += faultWeight(suite, static_cast<std::size_t>(suite.revealedFaults[one]));
    }
  }
  return weights;
}

}  // namespace

std::vector<int> mostRevealingFirst(const SparseSuite& suite, std::vector<int> order) {
  const std::vector<int> weights = revealedWeights(suite);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return weights[static_cast<std::size_t>(a)] > weights[static_cast<std::size_t>(b)];
  });
  return order;
}

std::vector<int> additionalGreedyOrder(const SparseSuite& suite, const FaultColumns& columns) {
  return restartingGreedyOrder(suite, columns, givenOrder(suite),
                               std::vector<char>(suite.testNames.size(), 0));
}

std::vector<int> restartingGreedyOrder(const SparseSuite& suite, const FaultColumns& columns,
                                       const std::vector<int>& tieOrder,
                                       const std::vector<char>& placed) {
  // The tree's leaves are the tests in tie order, so that its lowest index
  // on equal keys is the first in tieOrder. A leaf's key is the weight of
  // the faults its test would newly reveal in this round.
  const std::size_t tests = tieOrder.size();
  std::vector<int> rankOf(tests);
  for (std::size_t rank = 0; rank < tests; ++rank) {
    rankOf[static_cast<std::size_t>(tieOrder[rank])] = static_cast<int>(rank);
  }
  const std::vector<int> weights = revealedWeights(suite);
  std::vector<int> fullKey(tests);
  std::size_t left = 0;
  for (std::size_t rank = 0; rank < tests; ++rank) {
    const auto test = static_cast<std::size_t>(tieOrder[rank]);
    fullKey[rank] = placed[test] != 0 ? TAKEN_KEY : weights[test];
    if (placed[test] == 0) ++left;
  }
  std::vector<int> order;
  if (left == 0) return order;
  order.reserve(left);
  WinnerTree tree = buildWinnerTree(fullKey);
  std::vector<char> revealed(suite.faultNames.size(), 0);
  std::vector<int> revealedInRound;
  std::vector<int> loweredInRound;  // ranks, perhaps more than once
  while (order.size() < left) {
    const int rank = treeWinner(tree);
    if (treeKey(tree, rank) == 0 && !revealedInRound.empty()) {
      // Nothing left adds anything new: start afresh.
      for (const int fault : revealedInRound) revealed[static_cast<std::size_t>(fault)] = 0;
      for (const int lowered : loweredInRound) {
        if (treeKey(tree, lowered) != TAKEN_KEY) {
          raiseKey(tree, lowered, fullKey[static_cast<std::size_t>(lowered)]);
        }
      }
      revealedInRound.clear();
      loweredInRound.clear();
      continue;
    }
    const int chosen = tieOrder[static_cast<std::size_t>(rank)];
    order.push_back(chosen);
    lowerKey(tree, rank, TAKEN_KEY);
    const auto c = static_cast<std::size_t>(chosen);
    for (std::size_t one = suite.firstRevealed[c]; one < suite.firstRevealed[c + 1]; ++one) {
      const auto fault = static_cast<std::size_t>(suite.revealedFaults[one]);
      if (revealed[fault] != 0) continue;
      revealed[fault] = 1;
      revealedInRound.push_back(static_cast<int>(fault));
      for (std::size_t entry = columns.first[fault]; entry < columns.first[fault + 1]; ++entry) {
        const int other = rankOf[static_cast<std::size_t>(columns.tests[entry])];
        const int otherKey = treeKey(tree, other);
        if (otherKey == TAKEN_KEY) continue;
        lowerKey(tree, other, otherKey - faultWeight(suite, fault));
        loweredInRound.push_back(other);
      }
    }
  }
  return order;
}
