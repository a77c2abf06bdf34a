#pragma once

// The test with the highest integer key, the lowest index among equal keys,
// over tests whose keys only fall: a tournament tree whose every node holds
// the best (key, test) pair below it, packed into one word so that a node is
// compared and copied whole. Query O(1); lowering one key O(levels at which
// that test was winning), O(log n) at worst and about two levels on average.

#include <cstdint>
#include <vector>

namespace antorder {

struct WinnerTree {
  int leafCount = 0;
  // Node i in [1, 2n): test t's leaf is node n + t, node i's parent node i / 2.
  std::vector<std::uint64_t> node;
};

// The key of a test that has been taken: below every real key.
constexpr int TAKEN_KEY = -1;

// A key and a test as one word: a higher key first, then a lower index.
inline std::uint64_t packEntry(int key, int test) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(key + 1)) << 32u) |
         (0xFFFFFFFFu - static_cast<std::uint32_t>(test));
}

// Builds the tree over the given keys, each at least 0. O(n).
WinnerTree buildWinnerTree(const std::vector<int>& keys);

// Recomputes every winner from the leaves, after setLeafKey. O(n), in one
// sequential pass: cheaper than lowerKey once a batch of changes touches more
// than a small share of the leaves.
void rebuildWinners(WinnerTree& tree);

inline int treeKey(const WinnerTree& tree, int test) {
  const auto leaf = static_cast<std::size_t>(tree.leafCount) + static_cast<std::size_t>(test);
  return static_cast<int>(tree.node[leaf] >> 32u) - 1;
}

// Asks the processor to fetch what lowering the test's key will touch first,
// its leaf and its parent, while other work goes on; changes nothing.
inline void prefetchLeaf(const WinnerTree& tree, int test) {
#if defined(__GNUC__)
  const std::size_t leaf =
      static_cast<std::size_t>(tree.leafCount) + static_cast<std::size_t>(test);
  __builtin_prefetch(&tree.node[leaf]);
  __builtin_prefetch(&tree.node[leaf / 2]);
#else
  static_cast<void>(tree);
  static_cast<void>(test);
#endif
}

// The winning test: highest key, lowest index among equals.
inline int treeWinner(const WinnerTree& tree) {
  return static_cast<int>(0xFFFFFFFFu - static_cast<std::uint32_t>(tree.node[1]));
}

// Sets the test's key in its leaf alone; the winners above are stale until
// rebuildWinners.
inline void setLeafKey(WinnerTree& tree, int test, int key) {
  tree.node[static_cast<std::size_t>(tree.leafCount) + static_cast<std::size_t>(test)] =
      packEntry(key, test);
}

// Lowers the test's key to newKey and repairs the winners above it: a node
// that another test wins stays as it is, and so does everything above it.
inline void lowerKey(WinnerTree& tree, int test, int newKey) {
  std::size_t at = static_cast<std::size_t>(tree.leafCount) + static_cast<std::size_t>(test);
  const std::uint64_t old = tree.node[at];
  tree.node[at] = packEntry(newKey, test);
  for (at /= 2; at >= 1 && tree.node[at] == old; at /= 2) {
    const std::uint64_t left = tree.node[2 * at];
    const std::uint64_t right = tree.node[2 * at + 1];
    tree.node[at] = left > right ? left : right;
  }
}

}  // namespace antorder
