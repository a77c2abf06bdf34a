#include "ordering/baselines.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ordering/winner_tree.h"

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

namespace {

// The weight of the faults each test reveals.
std::vector<int> revealedWeights(const SparseSuite& suite) {
  std::vector<int> weights(suite.testNames.size(), 0);
  for (std::size_t test = 0; test < weights.size(); ++test) {
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      weights[test] += faultWeight(suite, static_cast<std::size_t>(suite.revealedFaults[one]));
    }
  }
  return weights;
}

}  // namespace

std::vector<int> mostRevealingFirst(const SparseSuite& suite, std::vector<int> order) {
  const std::vector<int> weights = revealedWeights(suite);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return weights[static_cast<std::size_t>(a)] > weights[static_cast<std::size_t>(b)];
  });
  return order;
}

std::vector<int> additionalGreedyOrder(const SparseSuite& suite) {
  return restartingGreedyOrder(suite, givenOrder(suite),
                               std::vector<char>(suite.testNames.size(), 0));
}

namespace {

// Additional greedy with restarts, evaluated lazily. In a round a test's
// key (the weight of its faults not yet revealed in the round, packed with
// its rank so that a higher key, then a lower rank, wins) only falls, so a
// key once computed bounds it from above: the untaken tests not yet looked
// at in the round wait in a list by their whole weight, those looked at in a
// heap by the key last computed, and a test is taken once its key computed
// afresh is no lower than every other bound. A round ends when every fault
// that some untaken test reveals has been revealed in it; the next one
// begins with the heap emptied and every test back at its whole weight, so
// a restart costs nothing however many tests are left.
struct GreedyRounds {
  const SparseSuite& suite;
  std::vector<int> tieOrder;  // the test of each rank
  std::vector<int> fullKey;   // by rank
  std::vector<int> next;      // the untaken ranks by whole weight, a linked list;
  std::vector<int> previous;  // -1 ends it either way
  int head = -1;
  int cursor = -1;                    // the first in the list not yet looked at in this round
  std::vector<std::uint64_t> heap;    // entries looked at in this round
  std::vector<int> untakenRevealing;  // by fault: untaken tests that reveal it
  std::vector<int> revealedInRound;   // by fault: the round it was revealed in, 0 none
  int round = 1;
  int revealable = 0;  // faults some untaken test reveals
  int pending = 0;     // of those, not yet revealed in this round
  // Where few tests are left to reveal the pending faults, they are found
  // through the faults' columns instead: each column's untaken tests first,
  // the taken ones moved behind them as they are met.
  std::vector<char> taken;              // by rank
  FaultColumns columns;                 // of ranks
  std::vector<std::size_t> untakenEnd;  // by fault: the end of its untaken ranks
  std::vector<int> pendingFaults;       // in no order
  std::vector<int> placeInPending;      // by fault, -1 when not pending
  std::int64_t pendingOnes = 0;         // untaken tests x pending faults they reveal
  std::size_t untaken = 0;
  std::vector<int> scratchKey;  // by rank, 0 between uses
};

// The test's key in this round, packed with its rank.
std::uint64_t keyNow(const GreedyRounds& g, int rank) {
  const auto test = static_cast<std::size_t>(g.tieOrder[static_cast<std::size_t>(rank)]);
  int key = 0;
  for (std::size_t one = g.suite.firstRevealed[test]; one < g.suite.firstRevealed[test + 1];
       ++one) {
    const auto fault = static_cast<std::size_t>(g.suite.revealedFaults[one]);
    if (g.revealedInRound[fault] != g.round) key += faultWeight(g.suite, fault);
  }
  return packEntry(key, rank);
}

std::uint64_t cursorBound(const GreedyRounds& g) {
  return g.cursor < 0 ? 0 : packEntry(g.fullKey[static_cast<std::size_t>(g.cursor)], g.cursor);
}

std::uint64_t heapBound(const GreedyRounds& g) {
  return g.heap.empty() ? 0 : g.heap.front();
}

int rankOf(std::uint64_t entry) {
  return static_cast<int>(0xFFFFFFFFu - static_cast<std::uint32_t>(entry));
}

void dropPending(GreedyRounds& g, std::size_t fault) {
  const int place = g.placeInPending[fault];
  if (place < 0) return;
  const int last = g.pendingFaults.back();
  g.pendingFaults[static_cast<std::size_t>(place)] = last;
  g.placeInPending[static_cast<std::size_t>(last)] = place;
  g.pendingFaults.pop_back();
  g.placeInPending[fault] = -1;
  --g.pending;
  g.pendingOnes -= g.untakenRevealing[fault];
}

// The rank with the highest key now, from the columns of the pending faults.
int nextRankByColumns(GreedyRounds& g) {
  std::vector<int> touched;
  for (const int f : g.pendingFaults) {
    const auto fault = static_cast<std::size_t>(f);
    for (std::size_t entry = g.columns.first[fault]; entry < g.untakenEnd[fault];) {
      const int rank = g.columns.tests[entry];
      if (g.taken[static_cast<std::size_t>(rank)] != 0) {
        std::swap(g.columns.tests[entry], g.columns.tests[--g.untakenEnd[fault]]);
        continue;
      }
      int& key = g.scratchKey[static_cast<std::size_t>(rank)];
      if (key == 0) touched.push_back(rank);
      key += faultWeight(g.suite, fault);
      ++entry;
    }
  }
  std::uint64_t best = 0;
  for (const int rank : touched) {
    best = std::max(best, packEntry(g.scratchKey[static_cast<std::size_t>(rank)], rank));
    g.scratchKey[static_cast<std::size_t>(rank)] = 0;
  }
  return rankOf(best);
}

// The rank with the highest key now, by the bounds.
int nextRank(GreedyRounds& g) {
  if (g.pendingOnes <= static_cast<std::int64_t>(g.untaken)) return nextRankByColumns(g);
  for (;;) {
    std::uint64_t bound = 0;
    if (heapBound(g) > cursorBound(g)) {
      std::pop_heap(g.heap.begin(), g.heap.end());
      bound = g.heap.back();
      g.heap.pop_back();
      if (g.taken[static_cast<std::size_t>(rankOf(bound))] != 0) continue;
    } else {
      bound = cursorBound(g);
      g.cursor = g.next[static_cast<std::size_t>(g.cursor)];
    }
    const std::uint64_t now = keyNow(g, rankOf(bound));
    if (now >= std::max(heapBound(g), cursorBound(g))) return rankOf(now);
    g.heap.push_back(now);
    std::push_heap(g.heap.begin(), g.heap.end());
  }
}

// Takes the rank's test: out of the list, its faults revealed in this round.
void takeRank(GreedyRounds& g, int rank) {
  const auto r = static_cast<std::size_t>(rank);
  const int before = g.previous[r];
  const int after = g.next[r];
  if (before >= 0) g.next[static_cast<std::size_t>(before)] = after;
  if (after >= 0) g.previous[static_cast<std::size_t>(after)] = before;
  if (g.head == rank) g.head = after;
  if (g.cursor == rank) g.cursor = after;
  g.taken[r] = 1;
  --g.untaken;
  const auto test = static_cast<std::size_t>(g.tieOrder[r]);
  for (std::size_t one = g.suite.firstRevealed[test]; one < g.suite.firstRevealed[test + 1];
       ++one) {
    const auto fault = static_cast<std::size_t>(g.suite.revealedFaults[one]);
    if (g.revealedInRound[fault] != g.round) {
      g.revealedInRound[fault] = g.round;
      dropPending(g, fault);
    }
    if (--g.untakenRevealing[fault] == 0) --g.revealable;
  }
}

// A new round: every fault some untaken test reveals is pending again.
void startRound(GreedyRounds& g) {
  ++g.round;
  g.heap.clear();
  g.cursor = g.head;
  g.pendingFaults.clear();
  g.pendingOnes = 0;
  for (std::size_t fault = 0; fault < g.untakenRevealing.size(); ++fault) {
    g.placeInPending[fault] = -1;
    if (g.untakenRevealing[fault] == 0) continue;
    g.placeInPending[fault] = static_cast<int>(g.pendingFaults.size());
    g.pendingFaults.push_back(static_cast<int>(fault));
    g.pendingOnes += g.untakenRevealing[fault];
  }
  g.pending = static_cast<int>(g.pendingFaults.size());
}

}  // namespace

std::vector<int> restartingGreedyOrder(const SparseSuite& suite, const std::vector<int>& tieOrder,
                                       const std::vector<char>& placed) {
  const std::vector<int> weights = revealedWeights(suite);
  GreedyRounds g{suite,
                 tieOrder,
                 std::vector<int>(tieOrder.size(), 0),
                 {},
                 {},
                 -1,
                 -1,
                 {},
                 std::vector<int>(suite.faultNames.size(), 0),
                 std::vector<int>(suite.faultNames.size(), 0),
                 0,
                 0,
                 0,
                 std::vector<char>(tieOrder.size(), 0),
                 buildFaultColumns(suite),
                 {},
                 {},
                 std::vector<int>(suite.faultNames.size(), -1),
                 0,
                 0,
                 std::vector<int>(tieOrder.size(), 0)};
  std::vector<int> listed;  // the untaken ranks, by whole weight then rank
  std::vector<int> rankOfTest(tieOrder.size());
  for (std::size_t rank = 0; rank < tieOrder.size(); ++rank) {
    const auto test = static_cast<std::size_t>(tieOrder[rank]);
    rankOfTest[test] = static_cast<int>(rank);
    if (placed[test] != 0) {
      g.taken[rank] = 1;
      continue;
    }
    g.fullKey[rank] = weights[test];
    listed.push_back(static_cast<int>(rank));
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      if (g.untakenRevealing[static_cast<std::size_t>(suite.revealedFaults[one])]++ == 0) {
        ++g.revealable;
      }
    }
  }
  std::stable_sort(listed.begin(), listed.end(), [&](int a, int b) {
    return g.fullKey[static_cast<std::size_t>(a)] > g.fullKey[static_cast<std::size_t>(b)];
  });
  g.next.assign(tieOrder.size(), -1);
  g.previous.assign(tieOrder.size(), -1);
  for (std::size_t at = 0; at < listed.size(); ++at) {
    const auto rank = static_cast<std::size_t>(listed[at]);
    if (at > 0) g.previous[rank] = listed[at - 1];
    if (at + 1 < listed.size()) g.next[rank] = listed[at + 1];
  }
  g.head = listed.empty() ? -1 : listed.front();
  g.untaken = listed.size();
  for (int& test : g.columns.tests) test = rankOfTest[static_cast<std::size_t>(test)];
  g.untakenEnd.assign(g.columns.first.begin() + 1, g.columns.first.end());
  startRound(g);

  std::vector<int> order;
  order.reserve(listed.size());
  bool revealedAny = false;  // in this round
  while (order.size() < listed.size()) {
    if (g.pending == 0 && revealedAny) {
      // Nothing left adds anything new: start afresh.
      startRound(g);
      revealedAny = false;
      continue;
    }
    // With nothing to reveal, every test left reveals nothing: they follow in rank order.
    const int rank = g.pending == 0 ? g.cursor : nextRank(g);
    order.push_back(tieOrder[static_cast<std::size_t>(rank)]);
    takeRank(g, rank);
    revealedAny = revealedAny || g.fullKey[static_cast<std::size_t>(rank)] > 0;
  }
  return order;
}
