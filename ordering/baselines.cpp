#include "ordering/baselines.h"

#include <algorithm>
#include <cstddef>

namespace antorder {

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

std::vector<int> revealedWeights(const SparseSuite& suite) {
  std::vector<int> weights(suite.testNames.size(), 0);
  for (std::size_t test = 0; test < weights.size(); ++test) {
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      weights[test] += faultWeight(suite, static_cast<std::size_t>(suite.revealedFaults[one]));
    }
  }
  return weights;
}

std::vector<int> mostRevealingFirst(const SparseSuite& suite, std::vector<int> order) {
  const std::vector<int> weights = revealedWeights(suite);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return weights[static_cast<std::size_t>(a)] > weights[static_cast<std::size_t>(b)];
  });
  return order;
}

}  // namespace antorder
