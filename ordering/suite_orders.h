#pragma once

// Every order a run reports for a suite, each scored: the given order,
// additional greedy's, the colony's and the best found from both.

#include <cstdint>
#include <vector>

#include "formulas/formulas.h"
#include "ordering/best_order/best_order.h"
#include "ordering/suite_colony.h"
#include "suite/sparse_suite.h"

namespace antorder {

struct ScoredOrder {
  std::vector<int> order;  // test indices, first to run first
  float apfd = 0.0f;
  float apfdc = 0.0f;  // cost-cognizant, every fault of severity 1
  // Against the matrix of --evaluate, where there is one.
  float evaluatedApfd = 0.0f;
  float evaluatedApfdc = 0.0f;
};

struct SuiteOrders {
  ScoredOrder given;
  ScoredOrder greedy;
  ScoredOrder colony;
  ScoredOrder best;
  SearchResult search;
  BestOrder bestFound;       // how the best order was found; its order is best.order
  bool costsDiffer = false;  // APFDc is reported only then
  bool stopped = false;      // the search was stopped before its end: no best order
};

struct OrderingSettings {
  SearchSettings search;
  std::uint32_t seed = RANDOM_SEED;  // the colony's
  BestOrderSettings best;
  int jobs = 2;  // 2: additional greedy on a thread of its own beside the colony
};

// Scores an order of every test of the suite.
ScoredOrder scoreOrder(const SparseSuite& suite, std::vector<int> order);

// The objective when none is asked for: APFDc where costs differ, else APFD.
Objective defaultObjective(const SparseSuite& suite);

// With no fault to reveal there is nothing to score or search: the given
// order, and as the best the cheapest tests first.
SuiteOrders ordersWithoutFaults(const SparseSuite& suite);

// The given order and additional greedy's; the colony's search, seeded, with
// additional greedy on a second thread meanwhile (as settings.jobs asks), as
// neither draws on the other; then the best order from greedy's and the colony's. afterIteration
// as runSuiteSearch takes it: false stops the search, and no best order is sought.
SuiteOrders findSuiteOrders(const SparseSuite& suite, const OrderingSettings& settings,
                            const IterationCallback& afterIteration = {});

// Scores every order found also against another matrix's faults over the
// suite's tests (see alignToSuite).
void scoreEvaluation(SuiteOrders& orders, const SparseSuite& evaluation);

}  // namespace antorder
