#pragma once

// An order split over the machines of a CI's parallel jobs: each shard
// starts with its share of the likely failures, and the shards finish
// together.
//
// The split: the order's first `count` tests, the likeliest to fail, go one
// to each shard; then the other tests, the longest expected first (ties in
// the order's order), each to the shard expected to finish first (ties to
// the lower shard), the longest-first balancing of list scheduling. Each
// shard runs its tests in the order's order. Sums are plain double
// additions in a fixed order: the same split on every platform.

#include <vector>

namespace antorder {

// By position in the order, the shard (0 to count - 1) of each test, given
// its expected time; count at least 1.
std::vector<int> splitIntoShards(const std::vector<double>& seconds, int count);

// Each shard's expected time, the sum of its tests'.
std::vector<double> shardSeconds(const std::vector<double>& seconds,
                                 const std::vector<int>& shardOf, int count);

// What no split can beat: the whole time over the shards, or the longest
// test where that is longer.
double shardLowerBound(const std::vector<double>& seconds, int count);

}  // namespace antorder
