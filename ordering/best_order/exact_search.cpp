#include "ordering/best_order/exact_search.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <unordered_map>

#include "ordering/bits.h"

namespace antorder {

namespace {

using Index = std::size_t;
using Mask = std::uint64_t;

constexpr int MAX_EXACT_ITEMS = 32;                 // a set of items is one 64-bit mask
constexpr std::size_t MAX_EXACT_STATES = 1u << 18;  // sets of revealed items the program may hold

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

}  // namespace

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

}  // namespace antorder
