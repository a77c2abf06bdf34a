#include "ordering/winner_tree.h"

#include <cstddef>

namespace antorder {

WinnerTree buildWinnerTree(const std::vector<int>& keys) {
  WinnerTree tree;
  tree.leafCount = static_cast<int>(keys.size());
  const std::size_t leaves = keys.size();
  tree.node.assign(2 * leaves, 0);
  for (std::size_t test = 0; test < leaves; ++test) {
    tree.node[leaves + test] = packEntry(keys[test], static_cast<int>(test));
  }
  rebuildWinners(tree);
  return tree;
}

void rebuildWinners(WinnerTree& tree) {
  for (auto at = static_cast<std::size_t>(tree.leafCount) - 1; at >= 1; --at) {
    const std::uint64_t left = tree.node[2 * at];
    const std::uint64_t right = tree.node[2 * at + 1];
    tree.node[at] = left > right ? left : right;
  }
}

}  // namespace antorder
