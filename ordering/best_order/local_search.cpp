#include "ordering/best_order/local_search.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace antorder {

namespace {

using Index = std::size_t;

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

}  // namespace

// Improves the prefix until no move does or the effort is spent.
void improve(Scorer& scorer, Prefix& prefix) {
  std::vector<Index> seen(candidateCount(scorer.candidates), 0);
  Index seenStamp = 0;
  while (!scorer.effort.spent && improveOnce(scorer, prefix, seen, seenStamp)) {
  }
}

}  // namespace antorder
