#include "ordering/best_order.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>
#include <map>
#include <numeric>
#include <queue>
#include <unordered_map>
#include <utility>

#include "ordering/additional_greedy.h"
#include "ordering/baselines.h"
#include "ordering/bits.h"

namespace {

using Index = std::size_t;
using Mask = std::uint64_t;

constexpr int MAX_EXACT_ITEMS = 32;                 // a set of items is one 64-bit mask
constexpr std::size_t MAX_EXACT_STATES = 1u << 18;  // sets of revealed items the program may hold
constexpr Index LOOK_AHEAD_WIDTH = 16;       // tests tried at each position of the look-ahead
constexpr std::int64_t DOMINANCE_SHARE = 4;  // the candidates take at most effort / 4
constexpr double INFEASIBLE = std::numeric_limits<double>::infinity();
constexpr int NOT_PLACED = std::numeric_limits<int>::max();

// A set of items per member, as ranges of one array: items[first[m] .. first[m + 1]), ascending.
struct ItemSets {
  std::vector<Index> first;
  std::vector<int> items;
};

Index setSize(const ItemSets& sets, Index member) {
  return sets.first[member + 1] - sets.first[member];
}

// The members that hold each item, ascending: members[first[i] .. first[i + 1]).
struct ItemColumns {
  std::vector<Index> first;
  std::vector<int> members;
};

Index columnSize(const ItemColumns& columns, Index item) {
  return columns.first[item + 1] - columns.first[item];
}

// The columns of the given members' sets. O(members + their items).
ItemColumns columnsOf(const ItemSets& sets, const std::vector<int>& members, Index items) {
  ItemColumns columns{std::vector<Index>(items + 1, 0), {}};
  for (const int member : members) {
    const auto m = static_cast<Index>(member);
    for (Index one = sets.first[m]; one < sets.first[m + 1]; ++one) {
      ++columns.first[static_cast<Index>(sets.items[one]) + 1];
    }
  }
  for (Index item = 0; item < items; ++item) columns.first[item + 1] += columns.first[item];
  columns.members.resize(columns.first.back());
  std::vector<Index> next(columns.first.begin(), columns.first.end() - 1);
  for (const int member : members) {
    const auto m = static_cast<Index>(member);
    for (Index one = sets.first[m]; one < sets.first[m + 1]; ++one) {
      columns.members[next[static_cast<Index>(sets.items[one])]++] = member;
    }
  }
  return columns;
}

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

Index itemCount(const Candidates& candidates) {
  return candidates.itemWeight.size();
}

Index candidateCount(const Candidates& candidates) {
  return candidates.test.size();
}

// Work left, in item entries visited; once spent, every phase ends.
struct Effort {
  std::int64_t left;
  bool spent = false;
};

bool spend(Effort& effort, std::int64_t work) {
  effort.left -= work;
  if (effort.left < 0) effort.spent = true;
  return !effort.spent;
}

std::int64_t entryCount(Index first, Index last) {
  return static_cast<std::int64_t>(last - first);
}

// Faults revealed by exactly the same tests become one item, weighted by
// their number; items are numbered by their first fault.
std::vector<int> mergeFaults(const SparseSuite& suite, std::vector<double>& itemWeight) {
  const FaultColumns columns = buildFaultColumns(suite);
  std::map<std::vector<int>, int> itemOfColumn;
  std::vector<int> itemOfFault(suite.faultNames.size());
  for (Index fault = 0; fault < itemOfFault.size(); ++fault) {
    const auto begin = columns.tests.begin();
    std::vector<int> tests(begin + static_cast<std::ptrdiff_t>(columns.first[fault]),
                           begin + static_cast<std::ptrdiff_t>(columns.first[fault + 1]));
    const auto [at, added] =
        itemOfColumn.emplace(std::move(tests), static_cast<int>(itemWeight.size()));
    if (added) itemWeight.push_back(0.0);
    itemWeight[static_cast<Index>(at->second)] += faultWeight(suite, fault);
    itemOfFault[fault] = at->second;
  }
  return itemOfFault;
}

ItemSets itemSetsOfTests(const SparseSuite& suite, const std::vector<int>& itemOfFault) {
  ItemSets sets{{0}, {}};
  for (Index test = 0; test < suite.testNames.size(); ++test) {
    const Index begin = sets.items.size();
    for (Index one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      sets.items.push_back(itemOfFault[static_cast<Index>(suite.revealedFaults[one])]);
    }
    const auto from = sets.items.begin() + static_cast<std::ptrdiff_t>(begin);
    std::sort(from, sets.items.end());
    sets.items.erase(std::unique(from, sets.items.end()), sets.items.end());
    sets.first.push_back(sets.items.size());
  }
  return sets;
}

// Groups the tests that reveal anything by their sets: returns the first of
// each group by weight, then index (its kind), and sets each test's kind.
std::vector<int> groupEqualSets(const ItemSets& sets, const std::vector<double>& weight,
                                std::vector<int>& kindOf) {
  std::vector<int> byItems;
  for (Index test = 0; test < weight.size(); ++test) {
    if (setSize(sets, test) > 0) byItems.push_back(static_cast<int>(test));
  }
  const auto range = [&](int test) {
    const auto t = static_cast<Index>(test);
    return std::make_pair(sets.items.begin() + static_cast<std::ptrdiff_t>(sets.first[t]),
                          sets.items.begin() + static_cast<std::ptrdiff_t>(sets.first[t + 1]));
  };
  const auto sameSet = [&](int a, int b) {
    return std::equal(range(a).first, range(a).second, range(b).first, range(b).second);
  };
  std::sort(byItems.begin(), byItems.end(), [&](int a, int b) {
    if (!sameSet(a, b)) {
      return std::lexicographical_compare(range(a).first, range(a).second, range(b).first,
                                          range(b).second);
    }
    const double aWeight = weight[static_cast<Index>(a)];
    const double bWeight = weight[static_cast<Index>(b)];
    return aWeight != bWeight ? aWeight < bWeight : a < b;
  });
  std::vector<int> kinds;
  kindOf.assign(weight.size(), -1);
  for (const int test : byItems) {
    if (kinds.empty() || !sameSet(test, kinds.back())) kinds.push_back(test);
    kindOf[static_cast<Index>(test)] = kinds.back();
  }
  return kinds;
}

// How many of the member's items carry the stamp.
Index markedCount(const ItemSets& sets, Index member, const std::vector<Index>& mark, Index stamp) {
  Index marked = 0;
  for (Index one = sets.first[member]; one < sets.first[member + 1]; ++one) {
    marked += mark[static_cast<Index>(sets.items[one])] == stamp ? 1u : 0u;
  }
  return marked;
}

// By kind, a larger kind of no greater weight whose set holds its set, or -1.
// A dominating kind is looked for only among those holding the kind's rarest
// item, with each set's items folded into 64 bits to spare most item-by-item
// checks. The kinds left unchecked when the effort runs out keep -1.
std::vector<int> findDominators(const ItemSets& sets, const std::vector<double>& weight,
                                const std::vector<int>& kinds, Index items, Effort& effort) {
  const ItemColumns columns = columnsOf(sets, kinds, items);
  std::vector<Mask> signature(weight.size(), 0);
  for (const int kind : kinds) {
    const auto k = static_cast<Index>(kind);
    for (Index one = sets.first[k]; one < sets.first[k + 1]; ++one) {
      signature[k] |= Mask{1} << (sets.items[one] % 64);
    }
  }
  std::vector<int> dominator(weight.size(), -1);
  std::vector<Index> mark(items, 0);
  Index stamp = 0;
  for (const int kind : kinds) {
    const auto k = static_cast<Index>(kind);
    ++stamp;
    auto rarest = static_cast<Index>(sets.items[sets.first[k]]);
    for (Index one = sets.first[k]; one < sets.first[k + 1]; ++one) {
      const auto item = static_cast<Index>(sets.items[one]);
      mark[item] = stamp;
      if (columnSize(columns, item) < columnSize(columns, rarest)) rarest = item;
    }
    if (!spend(effort, entryCount(columns.first[rarest], columns.first[rarest + 1]))) break;
    for (Index entry = columns.first[rarest]; entry < columns.first[rarest + 1]; ++entry) {
      const auto other = static_cast<Index>(columns.members[entry]);
      if ((signature[k] & ~signature[other]) != 0 || setSize(sets, other) <= setSize(sets, k) ||
          weight[other] > weight[k]) {
        continue;
      }
      spend(effort, entryCount(sets.first[other], sets.first[other + 1]));
      if (markedCount(sets, other, mark, stamp) == setSize(sets, k)) {
        dominator[k] = columns.members[entry];
        break;
      }
    }
  }
  return dominator;
}

// Which test can take each test's place: among tests with the same items
// the first by weight, then index; a test whose items a test of no greater
// weight also reveals is dominated by it. Returns by test the one that stands
// in for it (itself when none does), or -1 when it reveals nothing.
std::vector<int> findStandIns(const ItemSets& sets, const std::vector<double>& weight, Index items,
                              Effort& effort) {
  std::vector<int> standIn;
  const std::vector<int> kinds = groupEqualSets(sets, weight, standIn);
  Effort share{effort.left / DOMINANCE_SHARE};
  const std::vector<int> dominator = findDominators(sets, weight, kinds, items, share);
  effort.left -= effort.left / DOMINANCE_SHARE - std::max<std::int64_t>(share.left, 0);
  // A dominator may be dominated in turn, always by a larger set: follow the chain.
  for (int& stand : standIn) {
    while (stand >= 0 && dominator[static_cast<Index>(stand)] >= 0) {
      stand = dominator[static_cast<Index>(stand)];
    }
  }
  return standIn;
}

Candidates findCandidates(const SparseSuite& suite, Objective objective, Effort& effort) {
  Candidates candidates;
  const std::vector<int> itemOfFault = mergeFaults(suite, candidates.itemWeight);
  for (const double faults : candidates.itemWeight) candidates.totalWeight += faults;
  const ItemSets sets = itemSetsOfTests(suite, itemOfFault);
  std::vector<double> weight(suite.testNames.size(), 1.0);
  if (objective == Objective::APFDC) {
    for (Index test = 0; test < weight.size(); ++test) {
      weight[test] = static_cast<double>(suite.testCost[test]);
    }
  }
  const std::vector<int> standInTest = findStandIns(sets, weight, itemCount(candidates), effort);

  std::vector<int> candidateOf(weight.size(), -1);
  candidates.sets.first.push_back(0);
  for (Index test = 0; test < weight.size(); ++test) {
    if (standInTest[test] != static_cast<int>(test)) continue;
    candidateOf[test] = static_cast<int>(candidates.test.size());
    candidates.test.push_back(static_cast<int>(test));
    candidates.weight.push_back(weight[test]);
    candidates.sets.items.insert(
        candidates.sets.items.end(),
        sets.items.begin() + static_cast<std::ptrdiff_t>(sets.first[test]),
        sets.items.begin() + static_cast<std::ptrdiff_t>(sets.first[test + 1]));
    candidates.sets.first.push_back(candidates.sets.items.size());
  }
  std::vector<int> every(candidateCount(candidates));
  std::iota(every.begin(), every.end(), 0);
  candidates.columns = columnsOf(candidates.sets, every, itemCount(candidates));
  candidates.standIn.resize(weight.size());
  for (Index test = 0; test < weight.size(); ++test) {
    const int stand = standInTest[test];
    candidates.standIn[test] = stand < 0 ? -1 : candidateOf[static_cast<Index>(stand)];
  }
  return candidates;
}

// The cost of a prefix, term by term: the lower, the higher the score. A test
// that reveals nothing new is skipped, as if left out of the prefix.
struct Scorer {
  const Candidates& candidates;
  Effort& effort;
  std::vector<Index> mark;  // by item: equals stamp once revealed in the prefix being scored
  Index stamp = 0;
};

double newlyRevealed(Scorer& scorer, int candidate, bool reveal) {
  const Candidates& c = scorer.candidates;
  const auto at = static_cast<Index>(candidate);
  double newly = 0.0;
  for (Index one = c.sets.first[at]; one < c.sets.first[at + 1]; ++one) {
    const auto item = static_cast<Index>(c.sets.items[one]);
    if (scorer.mark[item] == scorer.stamp) continue;
    newly += c.itemWeight[item];
    if (reveal) scorer.mark[item] = scorer.stamp;
  }
  spend(scorer.effort, entryCount(c.sets.first[at], c.sets.first[at + 1]));
  return newly;
}

// The weight still hidden before a test, and the cost so far.
struct PrefixState {
  double hidden;
  double cost;
};

void charge(const Candidates& candidates, PrefixState& state, int candidate, double newly) {
  state.cost += candidates.weight[static_cast<Index>(candidate)] * (state.hidden - newly / 2.0);
  state.hidden -= newly;
}

// Tests appended by additional greedy under the objective from the state the
// marks hold: again and again the one that reveals the most hidden weight per
// weight of its own, the lowest index on ties; keys only fall, so a key is
// checked only when it comes to the top.
void completeGreedily(Scorer& scorer, PrefixState& state, std::vector<int>& sequence) {
  const Candidates& c = scorer.candidates;
  struct Key {
    double value;
    int candidate;
    bool operator<(const Key& other) const {
      return value != other.value ? value < other.value : candidate > other.candidate;
    }
  };
  std::vector<Key> keys;
  for (Index candidate = 0; candidate < candidateCount(c) && state.hidden > 0.0; ++candidate) {
    const double newly = newlyRevealed(scorer, static_cast<int>(candidate), false);
    if (newly > 0.0) keys.push_back({newly / c.weight[candidate], static_cast<int>(candidate)});
  }
  std::priority_queue<Key> queue(std::less<Key>(), std::move(keys));
  while (state.hidden > 0.0 && !queue.empty()) {
    const Key top = queue.top();
    queue.pop();
    const double newly = newlyRevealed(scorer, top.candidate, false);
    if (newly <= 0.0) continue;
    const double value = newly / c.weight[static_cast<Index>(top.candidate)];
    if (value != top.value) {
      queue.push({value, top.candidate});
      continue;
    }
    newlyRevealed(scorer, top.candidate, true);
    charge(c, state, top.candidate, newly);
    sequence.push_back(top.candidate);
  }
}

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
Prefix settle(Scorer& scorer, const std::vector<int>& sequence) {
  const Candidates& c = scorer.candidates;
  ++scorer.stamp;
  Prefix prefix;
  PrefixState state{c.totalWeight, 0.0};
  for (const int candidate : sequence) {
    if (state.hidden <= 0.0) break;
    const double newly = newlyRevealed(scorer, candidate, true);
    if (newly <= 0.0) continue;
    charge(c, state, candidate, newly);
    prefix.sequence.push_back(candidate);
  }
  completeGreedily(scorer, state, prefix.sequence);
  prefix.cost = state.cost;

  prefix.placedAt.assign(itemCount(c), NOT_PLACED);
  state = {c.totalWeight, 0.0};
  for (Index position = 0; position < prefix.sequence.size(); ++position) {
    prefix.before.push_back(state);
    const auto at = static_cast<Index>(prefix.sequence[position]);
    double newly = 0.0;
    for (Index one = c.sets.first[at]; one < c.sets.first[at + 1]; ++one) {
      int& placed = prefix.placedAt[static_cast<Index>(c.sets.items[one])];
      if (placed != NOT_PLACED) continue;
      placed = static_cast<int>(position);
      newly += c.itemWeight[static_cast<Index>(c.sets.items[one])];
    }
    charge(c, state, prefix.sequence[position], newly);
  }
  prefix.before.push_back(state);
  return prefix;
}

// The cost of a neighbour that equals the prefix before `from`, or a value
// not below `bound` once it cannot beat it; INFEASIBLE when it leaves an item hidden.
double scoreFrom(Scorer& scorer, const Prefix& prefix, const std::vector<int>& neighbour,
                 Index from, double bound) {
  const Candidates& c = scorer.candidates;
  ++scorer.stamp;
  PrefixState state = prefix.before[from];
  const auto first = static_cast<int>(from);
  for (Index position = from; position < neighbour.size() && state.hidden > 0.0; ++position) {
    const auto at = static_cast<Index>(neighbour[position]);
    double newly = 0.0;
    for (Index one = c.sets.first[at]; one < c.sets.first[at + 1]; ++one) {
      const auto item = static_cast<Index>(c.sets.items[one]);
      if (prefix.placedAt[item] < first || scorer.mark[item] == scorer.stamp) continue;
      scorer.mark[item] = scorer.stamp;
      newly += c.itemWeight[item];
    }
    if (!spend(scorer.effort, entryCount(c.sets.first[at], c.sets.first[at + 1])))
      return INFEASIBLE;
    if (newly <= 0.0) continue;
    charge(c, state, neighbour[position], newly);
    if (state.cost >= bound) return state.cost;
  }
  if (state.hidden > 0.0) return INFEASIBLE;
  return state.cost;
}

// Tries the neighbour; true when it scores better, which then becomes the prefix.
bool tryNeighbour(Scorer& scorer, Prefix& prefix, const std::vector<int>& neighbour, Index from) {
  if (scoreFrom(scorer, prefix, neighbour, from, prefix.cost) >= prefix.cost) return false;
  prefix = settle(scorer, neighbour);
  return true;
}

// The moves within the prefix that change nothing before the position:
// moving its test later, moving a later test to it, exchanging the two, or
// leaving it out. True when one improves the prefix.
bool tryMovesWithin(Scorer& scorer, Prefix& prefix, const std::vector<int>& sequence,
                    Index position) {
  std::vector<int> neighbour;
  const auto at = [&](Index place) {
    return neighbour.begin() + static_cast<std::ptrdiff_t>(place);
  };
  for (Index later = position + 1; later < sequence.size(); ++later) {
    neighbour = sequence;
    std::rotate(at(position), at(position + 1), at(later + 1));
    if (tryNeighbour(scorer, prefix, neighbour, position)) return true;
    neighbour = sequence;
    std::rotate(at(position), at(later), at(later + 1));
    if (tryNeighbour(scorer, prefix, neighbour, position)) return true;
    if (later == position + 1) continue;
    neighbour = sequence;
    std::swap(neighbour[position], neighbour[later]);
    if (tryNeighbour(scorer, prefix, neighbour, position)) return true;
  }
  neighbour = sequence;
  neighbour.erase(at(position));
  return tryNeighbour(scorer, prefix, neighbour, position);
}

// The candidates outside the prefix that reveal an item still hidden before
// the position, in index order. `seen` is scratch space, by candidate.
std::vector<int> outsideCandidates(Scorer& scorer, const Prefix& prefix, Index position,
                                   std::vector<Index>& seen, Index& seenStamp) {
  const Candidates& c = scorer.candidates;
  ++seenStamp;
  for (const int candidate : prefix.sequence) seen[static_cast<Index>(candidate)] = seenStamp;
  std::vector<int> outside;
  for (Index later = position; later < prefix.sequence.size(); ++later) {
    const auto test = static_cast<Index>(prefix.sequence[later]);
    for (Index one = c.sets.first[test]; one < c.sets.first[test + 1]; ++one) {
      const auto item = static_cast<Index>(c.sets.items[one]);
      if (prefix.placedAt[item] != static_cast<int>(later)) continue;
      for (Index entry = c.columns.first[item]; entry < c.columns.first[item + 1]; ++entry) {
        const auto other = static_cast<Index>(c.columns.members[entry]);
        if (seen[other] == seenStamp) continue;
        seen[other] = seenStamp;
        outside.push_back(c.columns.members[entry]);
      }
      spend(scorer.effort, entryCount(c.columns.first[item], c.columns.first[item + 1]));
    }
  }
  std::sort(outside.begin(), outside.end());
  return outside;
}

// One improving move, the first found scanning the positions from the last
// to the first, where neighbours are cheapest to score and a greedy start is
// weakest: at each, the moves within the prefix, then replacing its test by
// an outside one or putting one before it. False when none improves or the
// effort is spent.
bool improveOnce(Scorer& scorer, Prefix& prefix, std::vector<Index>& seen, Index& seenStamp) {
  const std::vector<int> sequence = prefix.sequence;
  for (Index position = sequence.size(); position-- > 0 && !scorer.effort.spent;) {
    if (tryMovesWithin(scorer, prefix, sequence, position)) return true;
    for (const int candidate : outsideCandidates(scorer, prefix, position, seen, seenStamp)) {
      if (scorer.effort.spent) return false;
      std::vector<int> neighbour = sequence;
      neighbour[position] = candidate;
      if (tryNeighbour(scorer, prefix, neighbour, position)) return true;
      neighbour = sequence;
      neighbour.insert(neighbour.begin() + static_cast<std::ptrdiff_t>(position), candidate);
      if (tryNeighbour(scorer, prefix, neighbour, position)) return true;
    }
  }
  return false;
}

// Improves the prefix until no move does or the effort is spent.
void improve(Scorer& scorer, Prefix& prefix) {
  std::vector<Index> seen(candidateCount(scorer.candidates), 0);
  Index seenStamp = 0;
  while (!scorer.effort.spent && improveOnce(scorer, prefix, seen, seenStamp)) {
  }
}

// The look-ahead: at each position the most promising tests by the greedy
// key, each completed greedily; the one whose completion scores best is kept
// (the more promising on ties). Empty when the effort runs out first.
std::vector<int> lookAhead(Scorer& scorer) {
  const Candidates& c = scorer.candidates;
  std::vector<int> chosen;
  PrefixState state{c.totalWeight, 0.0};
  while (state.hidden > 0.0) {
    // The state so far, as marks.
    ++scorer.stamp;
    for (const int candidate : chosen) newlyRevealed(scorer, candidate, true);
    std::vector<std::pair<double, int>> ranked;
    for (Index candidate = 0; candidate < candidateCount(c); ++candidate) {
      const double newly = newlyRevealed(scorer, static_cast<int>(candidate), false);
      if (newly > 0.0)
        ranked.push_back({-newly / c.weight[candidate], static_cast<int>(candidate)});
    }
    const Index width = std::min(LOOK_AHEAD_WIDTH, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(width),
                      ranked.end());
    int best = -1;
    double bestCost = INFEASIBLE;
    for (Index rank = 0; rank < width; ++rank) {
      std::vector<int> trial = chosen;
      trial.push_back(ranked[rank].second);
      const double cost = settle(scorer, trial).cost;
      if (scorer.effort.spent) return {};
      if (cost < bestCost) {
        bestCost = cost;
        best = ranked[rank].second;
      }
    }
    ++scorer.stamp;
    for (const int candidate : chosen) newlyRevealed(scorer, candidate, true);
    charge(c, state, best, newlyRevealed(scorer, best, true));
    chosen.push_back(best);
  }
  return chosen;
}

// The exact search's view of the candidates: each one's items as a mask.
struct MaskedCandidates {
  const Candidates& candidates;
  std::vector<Mask> masks;
};

double weightOf(const Candidates& c, Mask set) {
  double weight = 0.0;
  for (Index item = 0; item < itemCount(c); ++item) {
    if ((set >> item & 1u) != 0) weight += c.itemWeight[item];
  }
  return weight;
}

// The cost of running a candidate once the set is revealed.
double stepCost(const MaskedCandidates& m, Mask set, Index candidate) {
  const Candidates& c = m.candidates;
  return c.weight[candidate] *
         ((c.totalWeight - weightOf(c, set)) - weightOf(c, m.masks[candidate] & ~set) / 2.0);
}

// Every set that some prefix of candidates reveals, the empty one first;
// false when there are too many or the effort runs out.
bool reachableSets(const MaskedCandidates& m, Effort& effort, std::vector<Mask>& sets,
                   std::unordered_map<Mask, Index>& indexOf) {
  sets = {0};
  indexOf = {{0, 0}};
  for (Index at = 0; at < sets.size(); ++at) {
    if (!spend(effort, static_cast<std::int64_t>(m.masks.size()))) return false;
    for (const Mask mask : m.masks) {
      const Mask next = sets[at] | mask;
      if (next == sets[at] || indexOf.count(next) != 0) continue;
      if (sets.size() == MAX_EXACT_STATES) return false;
      indexOf.emplace(next, sets.size());
      sets.push_back(next);
    }
  }
  return true;
}

// The least cost from each set to every item revealed; a set is reached only
// from its subsets, so larger sets are settled first. Empty when the effort runs out.
std::vector<double> costsToEnd(const MaskedCandidates& m, const std::vector<Mask>& sets,
                               const std::unordered_map<Mask, Index>& indexOf, Mask all,
                               Effort& effort) {
  std::vector<Index> bySize(sets.size());
  std::iota(bySize.begin(), bySize.end(), 0);
  std::stable_sort(bySize.begin(), bySize.end(),
                   [&](Index a, Index b) { return bitCount(sets[a]) > bitCount(sets[b]); });
  std::vector<double> toEnd(sets.size(), INFEASIBLE);
  for (const Index at : bySize) {
    if (sets[at] == all) {
      toEnd[at] = 0.0;
      continue;
    }
    if (!spend(effort, static_cast<std::int64_t>(m.masks.size()))) return {};
    for (Index candidate = 0; candidate < m.masks.size(); ++candidate) {
      const Mask next = sets[at] | m.masks[candidate];
      if (next == sets[at]) continue;
      toEnd[at] = std::min(toEnd[at], stepCost(m, sets[at], candidate) + toEnd[indexOf.at(next)]);
    }
  }
  return toEnd;
}

// The exact search, where the sets of revealed items are few: from the least
// costs to the end, position by position the lowest-numbered candidate that
// keeps the least cost. Empty when there are too many items or sets, or the
// effort runs out.
std::vector<int> exactPrefix(const Candidates& c, Effort& effort) {
  if (itemCount(c) > static_cast<Index>(MAX_EXACT_ITEMS)) return {};
  MaskedCandidates m{c, {}};
  Mask all = 0;
  for (Index candidate = 0; candidate < candidateCount(c); ++candidate) {
    Mask mask = 0;
    for (Index one = c.sets.first[candidate]; one < c.sets.first[candidate + 1]; ++one) {
      mask |= Mask{1} << c.sets.items[one];
    }
    m.masks.push_back(mask);
    all |= mask;
  }
  // Candidates that each reveal an item no other one does reach at least two
  // to the power of their number of sets: too many, without enumerating them.
  Mask seenOnce = 0;
  Mask seenTwice = 0;
  for (const Mask mask : m.masks) {
    seenTwice |= seenOnce & mask;
    seenOnce |= mask;
  }
  int alone = 0;
  for (const Mask mask : m.masks) alone += (mask & ~seenTwice) != 0 ? 1 : 0;
  if ((Index{1} << static_cast<unsigned>(alone)) > MAX_EXACT_STATES) return {};
  std::vector<Mask> sets;
  std::unordered_map<Mask, Index> indexOf;
  if (!reachableSets(m, effort, sets, indexOf)) return {};
  const std::vector<double> toEnd = costsToEnd(m, sets, indexOf, all, effort);
  if (toEnd.empty()) return {};

  std::vector<int> prefix;
  for (Mask set = 0; set != all;) {
    const double least = toEnd[indexOf.at(set)];
    for (Index candidate = 0; candidate < m.masks.size(); ++candidate) {
      const Mask next = set | m.masks[candidate];
      if (next == set || stepCost(m, set, candidate) + toEnd[indexOf.at(next)] != least) continue;
      prefix.push_back(static_cast<int>(candidate));
      set = next;
      break;
    }
  }
  return prefix;
}

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
