#include "ordering/baselines.h"

#include <algorithm>
#include <cstddef>
#include <utility>

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

namespace {

// Additional greedy's state over the tests in tie order (their ranks): the
// tree of the weight each would newly reveal, and what this round revealed.
struct GreedyRounds {
  const SparseSuite& suite;
  const FaultColumns& columns;
  std::vector<int> rankOf;   // by test
  std::vector<int> fullKey;  // by rank: what it reveals in all, TAKEN_KEY once placed
  WinnerTree tree;
  std::vector<char> revealed;
  std::vector<int> revealedInRound;
  std::vector<int> loweredInRound;  // ranks, perhaps more than once
};

// Takes the test of the rank: its faults are revealed, and every test that
// also reveals one of them would now reveal that much less.
void takeRank(GreedyRounds& g, int rank, int test) {
  lowerKey(g.tree, rank, TAKEN_KEY);
  const auto t = static_cast<std::size_t>(test);
  for (std::size_t one = g.suite.firstRevealed[t]; one < g.suite.firstRevealed[t + 1]; ++one) {
    const auto fault = static_cast<std::size_t>(g.suite.revealedFaults[one]);
    if (g.revealed[fault] != 0) continue;
    g.revealed[fault] = 1;
    g.revealedInRound.push_back(static_cast<int>(fault));
    for (std::size_t entry = g.columns.first[fault]; entry < g.columns.first[fault + 1]; ++entry) {
      const int other = g.rankOf[static_cast<std::size_t>(g.columns.tests[entry])];
      const int otherKey = treeKey(g.tree, other);
      if (otherKey == TAKEN_KEY) continue;
      lowerKey(g.tree, other, otherKey - faultWeight(g.suite, fault));
      g.loweredInRound.push_back(other);
    }
  }
}

// Empties the revealed set: every test left would reveal all its faults again.
void startAfresh(GreedyRounds& g) {
  for (const int fault : g.revealedInRound) g.revealed[static_cast<std::size_t>(fault)] = 0;
  for (const int lowered : g.loweredInRound) {
    if (treeKey(g.tree, lowered) != TAKEN_KEY) {
      raiseKey(g.tree, lowered, g.fullKey[static_cast<std::size_t>(lowered)]);
    }
  }
  g.revealedInRound.clear();
  g.loweredInRound.clear();
}

}  // namespace

std::vector<int> restartingGreedyOrder(const SparseSuite& suite, const FaultColumns& columns,
                                       const std::vector<int>& tieOrder,
                                       const std::vector<char>& placed) {
  // The tree's leaves are the tests in tie order, so that its lowest index
  // on equal keys is the first in tieOrder.
  const std::size_t tests = tieOrder.size();
  std::vector<int> rankOf(tests);
  std::vector<int> fullKey(tests);
  const std::vector<int> weights = revealedWeights(suite);
  std::size_t left = 0;
  for (std::size_t rank = 0; rank < tests; ++rank) {
    const auto test = static_cast<std::size_t>(tieOrder[rank]);
    rankOf[test] = static_cast<int>(rank);
    fullKey[rank] = placed[test] != 0 ? TAKEN_KEY : weights[test];
    if (placed[test] == 0) ++left;
  }
  std::vector<int> order;
  if (left == 0) return order;
  order.reserve(left);
  WinnerTree tree = buildWinnerTree(fullKey);
  GreedyRounds g{suite,
                 columns,
                 std::move(rankOf),
                 std::move(fullKey),
                 std::move(tree),
                 std::vector<char>(suite.faultNames.size(), 0),
                 {},
                 {}};
  while (order.size() < left) {
    const int rank = treeWinner(g.tree);
    if (treeKey(g.tree, rank) == 0 && !g.revealedInRound.empty()) {
      // Nothing left adds anything new.
      startAfresh(g);
      continue;
    }
    order.push_back(tieOrder[static_cast<std::size_t>(rank)]);
    takeRank(g, rank, order.back());
  }
  return order;
}
