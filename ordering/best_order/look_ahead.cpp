#include "ordering/best_order/look_ahead.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace antorder {

namespace {

using Index = std::size_t;

constexpr Index LOOK_AHEAD_WIDTH = 16;  // tests tried at each position of the look-ahead

}  // namespace

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

}  // namespace antorder
