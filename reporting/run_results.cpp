#include "reporting/run_results.h"

#include <utility>

#include "ordering/baselines.h"

ScoredOrder scoreOrder(const SparseSuite& suite, std::vector<int> order) {
  ScoredOrder scored;
  scored.order = std::move(order);
  scored.apfd = computeSuiteApfd(suite, scored.order.data());
  scored.apfdc = computeSuiteApfdc(suite, scored.order.data());
  return scored;
}

void scoreBaselines(const SparseSuite& suite, RunResults& results) {
  results.costsDiffer = !costsAllEqual(suite);
  results.given = scoreOrder(suite, givenOrder(suite));
  results.greedy = scoreOrder(suite, additionalGreedyOrder(suite, buildFaultColumns(suite)));
}

std::string displayName(const std::string& file) {
  return file == "-" ? "(standard input)" : file;
}
