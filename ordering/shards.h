#pragma once

// An order split over the machines of a CI's parallel jobs: each shard
// starts with its share of the likely failures, and the shards finish
// together.
//
// The split: the order's first HEAD_PER_SHARD x count tests (at most half
// of them, at least count), the likeliest to fail, are dealt as they come, each to the shard
// expected to finish first (ties to the lower shard), so that the first `count` go one to each
// shard; then the other tests, the longest expected first (ties in the
// order's order), each likewise, the longest-first balancing of list
// scheduling. Each shard runs its tests in the order's order. Sums are
// plain double additions in a fixed order: the same split on every
// platform. O(n log n + n log count).
//
// Dealing the whole order keeps more of it for the first failure but leaves
// the balance to its last tests (up to 18% above the bound on the shared
// histories); longest first alone balances but may put the likeliest
// failures on one shard. Four a shard dealt first keeps both: within 3.5%
// of the bound, and the first failure as soon as dealing all finds it.

#include <vector>

namespace antorder {

constexpr int HEAD_PER_SHARD = 4;

// By position in the order, the shard (0 to count - 1) of each test, given
// its expected time; count at least 1.
std::vector<int> splitIntoShards(const std::vector<double>& seconds, int count);

// Each shard's expected time, the sum of its tests'.
std::vector<double> shardSeconds(const std::vector<double>& seconds,
                                 const std::vector<int>& shardOf, int count);

// By position in the order, whether the test is selected when each shard
// fits the budget from its own share, first fit in the order's order: every
// shard is a machine with the whole budget.
std::vector<char> selectWithinShardBudgets(const std::vector<double>& seconds,
                                           const std::vector<int>& shardOf, int count,
                                           double budgetSeconds);

// What no split can beat: the whole time over the shards, or the longest
// test where that is longer.
double shardLowerBound(const std::vector<double>& seconds, int count);

}  // namespace antorder
