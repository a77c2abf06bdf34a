#include "ordering/best_order/prefix_model.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <numeric>
#include <queue>
#include <utility>

namespace antorder {

namespace {

using Index = std::size_t;
using Mask = std::uint64_t;

constexpr std::int64_t DOMINANCE_SHARE = 4;  // the candidates take at most effort / 4
constexpr int NOT_PLACED = std::numeric_limits<int>::max();

Index setSize(const ItemSets& sets, Index member) {
  return sets.first[member + 1] - sets.first[member];
}

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

}  // namespace

bool spend(Effort& effort, std::int64_t work) {
  effort.left -= work;
  if (effort.left < 0) effort.spent = true;
  return !effort.spent;
}

std::int64_t entryCount(Index first, Index last) {
  return static_cast<std::int64_t>(last - first);
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

}  // namespace antorder
