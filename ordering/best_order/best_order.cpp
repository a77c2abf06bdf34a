#include "ordering/best_order/best_order.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "ordering/best_order/exact_search.h"
#include "ordering/best_order/local_search.h"
#include "ordering/best_order/look_ahead.h"
#include "ordering/best_order/prefix_model.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The candidates that stand in for an order's tests, in its order.
std::vector<int> standInSequence(const Candidates& c, const std::vector<int>& order) {
  std::vector<int> sequence;
  std::vector<char> taken(candidateCount(c), 0);
  for (const int test : order) {
    const int candidate = c.standIn[static_cast<Index>(test)];
    if (candidate < 0 || taken[static_cast<Index>(candidate)] != 0) continue;
    taken[static_cast<Index>(candidate)] = 1;
    sequence.push_back(candidate);
  }
  return sequence;
}

// The prefix's tests, then the others by additional greedy's restarting
// rule, ties to the test that reveals the most faults in all, then under
// APFDc to the cheaper.
std::vector<int> completeOrder(const SparseSuite& suite, const Candidates& c,
                               const std::vector<int>& prefix, Objective objective) {
  std::vector<int> order;
  std::vector<char> placed(suite.testNames.size(), 0);
  for (const int candidate : prefix) {
    const int test = c.test[static_cast<Index>(candidate)];
    order.push_back(test);
    placed[static_cast<Index>(test)] = 1;
  }
  const std::vector<int> tieOrder = mostRevealingFirst(
      suite, objective == Objective::APFDC ? cheapestFirstOrder(suite) : givenOrder(suite));
  const std::vector<int> tail = restartingGreedyOrder(suite, tieOrder, placed);
  order.insert(order.end(), tail.begin(), tail.end());
  return order;
}

}  // namespace

float objectiveScore(const SparseSuite& suite, Objective objective, const std::vector<int>& order) {
  return objective == Objective::APFD ? computeSuiteApfd(suite, order.data())
                                      : computeSuiteApfdc(suite, order.data());
}

BestOrder findBestOrder(const SparseSuite& suite, const std::vector<int>& greedyOrder,
                        const std::vector<int>& colonyOrder, const BestOrderSettings& settings) {
  Effort effort{settings.effort};
  const Candidates candidates = findCandidates(suite, settings.objective, effort);
  BestOrder best;

  // The exact search may take half of what is left; the local search has the rest.
  std::vector<int> prefix;
  if (settings.exactSearch) {
    Effort share{effort.left / 2};
    prefix = exactPrefix(candidates, share);
    effort.left -= effort.left / 2 - std::max<std::int64_t>(share.left, 0);
  }
  if (!prefix.empty()) {
    best.exact = true;
  } else {
    Scorer scorer{candidates, effort, std::vector<Index>(itemCount(candidates), 0)};
    // The colony's start and greedy's, the better first (the colony's on a
    // tie), then the look-ahead's; each start is settled whole even when the
    // effort runs out on it.
    std::vector<std::pair<OrderStart, Prefix>> starts;
    starts.emplace_back(OrderStart::ANT_COLONY,
                        settle(scorer, standInSequence(candidates, colonyOrder)));
    starts.emplace_back(OrderStart::ADDITIONAL_GREEDY,
                        settle(scorer, standInSequence(candidates, greedyOrder)));
    if (starts[1].second.cost < starts[0].second.cost) std::swap(starts[0], starts[1]);
    double bestCost = INFEASIBLE;
    for (Index at = 0; at < 3 && !effort.spent; ++at) {
      if (at == 2) starts.emplace_back(OrderStart::LOOK_AHEAD, settle(scorer, lookAhead(scorer)));
      Prefix& searched = starts[at].second;
      const double startCost = searched.cost;
      improve(scorer, searched);
      if (searched.cost < bestCost) {
        bestCost = searched.cost;
        prefix = searched.sequence;
        best.start = starts[at].first;
        best.improved = searched.cost < startCost;
      }
    }
    best.effortSpent = effort.spent;
  }
  best.order = completeOrder(suite, candidates, prefix, settings.objective);

  // Neither start may score higher, as the program reports scores.
  const float found = objectiveScore(suite, settings.objective, best.order);
  const float greedy = objectiveScore(suite, settings.objective, greedyOrder);
  const float colony = objectiveScore(suite, settings.objective, colonyOrder);
  if (found < std::max(greedy, colony)) {
    best.exact = false;
    best.improved = false;
    best.start = colony >= greedy ? OrderStart::ANT_COLONY : OrderStart::ADDITIONAL_GREEDY;
    best.order = colony >= greedy ? colonyOrder : greedyOrder;
  }
  return best;
}

}  // namespace antorder
