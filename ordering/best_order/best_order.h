#pragma once

// The best order the program can find, under APFD or APFDc, starting from the
// colony's best order and additional greedy's.
//
// Only the prefix up to the test that reveals the last fault counts: an order
// scores sum over the prefix of weight(test) x (faults still hidden before it
// - half the faults it newly reveals), the less the better, where a test's
// weight is 1 under APFD and its cost under APFDc. So the search works on
// prefixes of candidates alone:
// - faults revealed by exactly the same tests are one item, weighted by
//   their number;
// - of tests that reveal the same items, only the cheapest (then the lowest
//   index) is a candidate;
// - a test whose items another test also reveals, at no greater weight, is
//   dominated: that one can always take its place.
// Where the items are few enough, a dynamic program over the sets of
// revealed items finds an order no other order beats. Elsewhere a local
// search improves each starting prefix (the colony's, additional greedy's,
// and one built by looking ahead): moving a test, exchanging two, replacing
// one by an outside test or inserting one, each accepted only when it lowers
// the score; then the same from a look-ahead construction, which at every
// position tries the most promising tests, each completed greedily, and keeps
// the best. The work is counted in item entries visited and bounded by the
// effort, so the result is the same on every machine.
//
// Ties: the dynamic program takes, position by position, the lowest-numbered
// test among those that keep the score best; the local search keeps the
// first improvement in a fixed scan order. After the prefix the other tests
// follow by additional greedy's restarting rule, afresh from nothing revealed,
// ties to the test that reveals the most faults in all, then under APFDc to
// the cheaper, then file order. The tail decides much of the score against
// other faults than the ones the order was made by (ordered by coverage,
// scored by real faults; ordered by past failures, scored by the next run's),
// and these ties serve it better than the lowest index.

#include <cstdint>
#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

enum class Objective { APFD, APFDC };

// The search's default bound on work: item entries visited, about a third of a second.
constexpr std::int64_t DEFAULT_SEARCH_EFFORT = 100000000;

struct BestOrderSettings {
  Objective objective = Objective::APFD;
  std::int64_t effort = DEFAULT_SEARCH_EFFORT;  // at least 1
  bool exactSearch = true;  // false leaves the dynamic program out, to test the local search alone
};

// Where the best order found began.
enum class OrderStart { ANT_COLONY, ADDITIONAL_GREEDY, LOOK_AHEAD };

struct BestOrder {
  std::vector<int> order;  // every test of the suite
  bool exact = false;      // found by the dynamic program: no order scores higher
  OrderStart start = OrderStart::ANT_COLONY;  // where it began, when not exact
  bool improved = false;                      // the local search improved on its start
  bool effortSpent = false;                   // the search stopped at its effort bound
};

// The best order found, never below the colony's or additional greedy's under
// the objective, as computeSuiteApfd or computeSuiteApfdc scores it. Both
// orders hold every test of the suite. O(ones log ones) for the candidates,
// then at most the effort.
BestOrder findBestOrder(const SparseSuite& suite, const std::vector<int>& greedyOrder,
                        const std::vector<int>& colonyOrder, const BestOrderSettings& settings);

// The objective's score of an order: APFD or APFDc.
float objectiveScore(const SparseSuite& suite, Objective objective, const std::vector<int>& order);

}  // namespace antorder
