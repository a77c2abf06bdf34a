#include "ordering/suite_orders.h"

#include <cstddef>
#include <utility>

#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "platform/parallel.h"
#include "platform/random.h"

namespace antorder {

ScoredOrder scoreOrder(const SparseSuite& suite, std::vector<int> order) {
  ScoredOrder scored;
  scored.order = std::move(order);
  scored.apfd = computeSuiteApfd(suite, scored.order.data());
  scored.apfdc = computeSuiteApfdc(suite, scored.order.data());
  return scored;
}

Objective defaultObjective(const SparseSuite& suite) {
  return costsAllEqual(suite) ? Objective::APFD : Objective::APFDC;
}

SuiteOrders ordersWithoutFaults(const SparseSuite& suite) {
  SuiteOrders orders;
  orders.given.order = givenOrder(suite);
  orders.best.order = cheapestFirstOrder(suite);
  return orders;
}

SuiteOrders findSuiteOrders(const SparseSuite& suite, const OrderingSettings& settings,
                            const IterationCallback& afterIteration) {
  SuiteOrders orders;
  orders.costsDiffer = !costsAllEqual(suite);
  orders.given = scoreOrder(suite, givenOrder(suite));
  // Additional greedy beside the colony: neither draws on the other, and
  // each thread has a generator of its own.
  std::vector<int> greedy;
  forEachIndex(2, settings.jobs, [&](std::size_t index, bool) {
    if (index == 1) {
      greedy = additionalGreedyOrder(suite);
      return true;
    }
    seedRandom(settings.seed);
    orders.search = runSuiteSearch(suite, settings.search, [&](const SearchResult& soFar) {
      orders.stopped = afterIteration && !afterIteration(soFar);
      return !orders.stopped;
    });
    return true;
  });
  orders.greedy = scoreOrder(suite, std::move(greedy));
  orders.colony = scoreOrder(suite, orders.search.bestOrder);
  if (orders.stopped) return orders;
  orders.bestFound = findBestOrder(suite, orders.greedy.order, orders.colony.order, settings.best);
  orders.best = scoreOrder(suite, std::move(orders.bestFound.order));
  orders.bestFound.order.clear();
  return orders;
}

void scoreEvaluation(SuiteOrders& orders, const SparseSuite& evaluation) {
  for (ScoredOrder* scored : {&orders.given, &orders.greedy, &orders.colony, &orders.best}) {
    if (scored->order.empty()) continue;
    scored->evaluatedApfd = computeSuiteApfd(evaluation, scored->order.data());
    scored->evaluatedApfdc = computeSuiteApfdc(evaluation, scored->order.data());
  }
}

}  // namespace antorder
