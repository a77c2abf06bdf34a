#pragma once

// The test with the highest integer key, the lowest index among equal keys,
// over tests whose keys only fall: a tournament tree whose nodes hold the
// winner of their subtree. Query O(1); lowering one key O(levels at which that
// test was winning), O(log n) at worst and about two levels on average.

#include <vector>

struct WinnerTree {
  int leafCount = 0;
  std::vector<int> key;     // per test; a taken test gets TAKEN_KEY, below every real key
  std::vector<int> winner;  // node i in [1, 2n): leaves at n + test, parent at i / 2
};

constexpr int TAKEN_KEY = -1;

// Builds the tree over the given keys, each at least 0. O(n).
WinnerTree buildWinnerTree(const std::vector<int>& keys);

// The winning test: highest key, lowest index among equals.
inline int treeWinner(const WinnerTree& tree) {
  return tree.leafCount == 1 ? 0 : tree.winner[1];
}

// Lowers the test's key to newKey and repairs the winners above it.
void lowerKey(WinnerTree& tree, int test, int newKey);
