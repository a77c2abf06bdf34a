#include "reporting/run_results.h"

#include <utility>

ScoredOrder scoreOrder(const SparseSuite& suite, std::vector<int> order) {
  ScoredOrder scored;
  scored.order = std::move(order);
  scored.apfd = computeSuiteApfd(suite, scored.order.data());
  scored.apfdc = computeSuiteApfdc(suite, scored.order.data());
  return scored;
}

std::string displayName(const std::string& file) {
  return file == "-" ? "(standard input)" : file;
}
