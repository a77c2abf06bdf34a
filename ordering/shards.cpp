#include "ordering/shards.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "ordering/budget.h"

namespace antorder {

namespace {

using Index = std::size_t;

// The shards by their expected time so far: the one to finish first on top,
// the lowest of those tied.
struct Loads {
  std::vector<std::pair<double, int>> heap;

  static bool later(const std::pair<double, int>& a, const std::pair<double, int>& b) {
    return a.first != b.first ? a.first > b.first : a.second > b.second;
  }
  // Adds the test's time to the shard that finishes first; returns that shard.
  int place(double seconds) {
    std::pop_heap(heap.begin(), heap.end(), later);
    std::pair<double, int>& least = heap.back();
    least.first += seconds;
    const int shard = least.second;
    std::push_heap(heap.begin(), heap.end(), later);
    return shard;
  }
};

}  // namespace

std::vector<int> splitIntoShards(const std::vector<double>& seconds, int count) {
  std::vector<int> shardOf(seconds.size(), 0);
  Loads loads;
  for (int shard = 0; shard < count; ++shard) loads.heap.emplace_back(0.0, shard);
  std::make_heap(loads.heap.begin(), loads.heap.end(), Loads::later);
  // The head of the order, dealt as it comes: each shard starts with its
  // share of the likely failures.
  // At most half the tests, so that a small suite keeps some to balance by.
  const Index head =
      std::min(seconds.size(),
               std::max(static_cast<Index>(count),
                        std::min(static_cast<Index>(count) * HEAD_PER_SHARD, seconds.size() / 2)));
  for (Index at = 0; at < head; ++at) shardOf[at] = loads.place(seconds[at]);
  // The rest, longest first, to balance the shards.
  std::vector<int> rest;
  for (Index at = head; at < seconds.size(); ++at) rest.push_back(static_cast<int>(at));
  std::stable_sort(rest.begin(), rest.end(), [&](int a, int b) {
    return seconds[static_cast<Index>(a)] > seconds[static_cast<Index>(b)];
  });
  for (const int position : rest) {
    shardOf[static_cast<Index>(position)] = loads.place(seconds[static_cast<Index>(position)]);
  }
  return shardOf;
}

std::vector<double> shardSeconds(const std::vector<double>& seconds,
                                 const std::vector<int>& shardOf, int count) {
  std::vector<double> load(static_cast<Index>(count), 0.0);
  for (Index at = 0; at < seconds.size(); ++at) {
    load[static_cast<Index>(shardOf[at])] += seconds[at];
  }
  return load;
}

std::vector<char> selectWithinShardBudgets(const std::vector<double>& seconds,
                                           const std::vector<int>& shardOf, int count,
                                           double budgetSeconds) {
  std::vector<char> selected(seconds.size(), 1);
  std::vector<std::vector<int>> positions(static_cast<Index>(count));
  for (Index at = 0; at < shardOf.size(); ++at) {
    positions[static_cast<Index>(shardOf[at])].push_back(static_cast<int>(at));
  }
  std::vector<double> share;
  for (const std::vector<int>& ours : positions) {
    share.clear();
    for (const int at : ours) share.push_back(seconds[static_cast<Index>(at)]);
    for (const int rest : selectWithinBudget(share, budgetSeconds).rest) {
      selected[static_cast<Index>(ours[static_cast<Index>(rest)])] = 0;
    }
  }
  return selected;
}

double shardLowerBound(const std::vector<double>& seconds, int count) {
  double total = 0.0;
  double longest = 0.0;
  for (const double each : seconds) {
    total += each;
    longest = std::max(longest, each);
  }
  return std::max(total / count, longest);
}

}  // namespace antorder
