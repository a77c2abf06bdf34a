#include "ordering/winner_tree.h"

#include <cstddef>

namespace {

int better(const WinnerTree& tree, int first, int second) {
  const int firstKey = tree.key[static_cast<std::size_t>(first)];
  const int secondKey = tree.key[static_cast<std::size_t>(second)];
  if (firstKey != secondKey) return firstKey > secondKey ? first : second;
  return first < second ? first : second;
}

int childrenWinner(const WinnerTree& tree, std::size_t node) {
  return better(tree, tree.winner[2 * node], tree.winner[2 * node + 1]);
}

}  // namespace

WinnerTree buildWinnerTree(const std::vector<int>& keys) {
  WinnerTree tree;
  tree.leafCount = static_cast<int>(keys.size());
  tree.key = keys;
  const std::size_t leaves = keys.size();
  tree.winner.assign(2 * leaves, 0);
  for (std::size_t test = 0; test < leaves; ++test)
    tree.winner[leaves + test] = static_cast<int>(test);
  for (std::size_t node = leaves - 1; node >= 1; --node)
    tree.winner[node] = childrenWinner(tree, node);
  return tree;
}

void lowerKey(WinnerTree& tree, int test, int newKey) {
  tree.key[static_cast<std::size_t>(test)] = newKey;
  // A node that some other test wins stays as it is, and so does all above it:
  // a lower key cannot make the test win there.
  for (std::size_t node =
           (static_cast<std::size_t>(tree.leafCount) + static_cast<std::size_t>(test)) / 2;
       node >= 1 && tree.winner[node] == test; node /= 2) {
    tree.winner[node] = childrenWinner(tree, node);
  }
}
