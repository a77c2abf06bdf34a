#pragma once

// What the search for the best order works on: the candidates, the tests
// worth placing in a prefix, each revealing a set of items (faults revealed
// by exactly the same tests, one item of their number's weight); the work it
// may do; and the cost of a prefix, term by term, which the exact search, the
// local search and the look-ahead all lower.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "ordering/best_order/best_order.h"
#include "suite/sparse_suite.h"

namespace antorder {

// The cost of a prefix that leaves an item hidden.
constexpr double INFEASIBLE = std::numeric_limits<double>::infinity();

// A set of items per member, as ranges of one array: items[first[m] .. first[m + 1]), ascending.
struct ItemSets {
  std::vector<std::size_t> first;
  std::vector<int> items;
};

// The members that hold each item, ascending: members[first[i] .. first[i + 1]).
struct ItemColumns {
  std::vector<std::size_t> first;
  std::vector<int> members;
};

// The tests worth placing in the prefix, each revealing a set of items.
struct Candidates {
  std::vector<int> test;       // the suite's index of each, ascending
  std::vector<double> weight;  // 1 under APFD, the test's cost under APFDc
  ItemSets sets;
  ItemColumns columns;
  std::vector<double> itemWeight;  // faults merged into each item
  double totalWeight = 0.0;        // of every item
  // By suite test: the candidate that can take its place, or -1 when it reveals nothing.
  std::vector<int> standIn;
};

inline std::size_t itemCount(const Candidates& candidates) {
  return candidates.itemWeight.size();
}

inline std::size_t candidateCount(const Candidates& candidates) {
  return candidates.test.size();
}

// Work left, in item entries visited; once spent, every phase ends.
struct Effort {
  std::int64_t left;
  bool spent = false;
};

// Spends the work; false once the effort is spent.
bool spend(Effort& effort, std::int64_t work);

// Item entries from first to last, as work.
std::int64_t entryCount(std::size_t first, std::size_t last);

// The candidates under the objective: of tests that reveal the same items the
// cheapest (then the lowest index), and none that another dominates, which
// takes at most a quarter of the effort to find.
Candidates findCandidates(const SparseSuite& suite, Objective objective, Effort& effort);

// The cost of a prefix, term by term: the lower, the higher the score. A test
// that reveals nothing new is skipped, as if left out of the prefix.
struct Scorer {
  const Candidates& candidates;
  Effort& effort;
  std::vector<std::size_t> mark;  // by item: equals stamp once revealed in the prefix being scored
  std::size_t stamp = 0;
};

// The weight of the candidate's items not yet marked; marks them when reveal is true.
double newlyRevealed(Scorer& scorer, int candidate, bool reveal);

// The weight still hidden before a test, and the cost so far.
struct PrefixState {
  double hidden;
  double cost;
};

// Adds the candidate's term to the cost, newly the weight it reveals.
void charge(const Candidates& candidates, PrefixState& state, int candidate, double newly);

// Tests appended by additional greedy under the objective from the state the
// marks hold: again and again the one that reveals the most hidden weight per
// weight of its own, the lowest index on ties; keys only fall, so a key is
// checked only when it comes to the top.
void completeGreedily(Scorer& scorer, PrefixState& state, std::vector<int>& sequence);

// A prefix under search, with what each position holds, so that a neighbour
// that differs from some position on is scored from there.
struct Prefix {
  std::vector<int> sequence;
  std::vector<PrefixState> before;  // the state before each position, and after the last
  std::vector<int> placedAt;        // by item: the position that first reveals it
  double cost = INFEASIBLE;
};

// Keeps the tests that reveal something new, completes the prefix greedily
// when some item is left hidden, and records its states.
Prefix settle(Scorer& scorer, const std::vector<int>& sequence);

// The cost of a neighbour that equals the prefix before `from`, or a value
// not below `bound` once it cannot beat it; INFEASIBLE when it leaves an item hidden.
double scoreFrom(Scorer& scorer, const Prefix& prefix, const std::vector<int>& neighbour,
                 std::size_t from, double bound);

}  // namespace antorder
