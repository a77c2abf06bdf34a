#include "ordering/shards.h"

#include <algorithm>
#include <cstddef>

namespace antorder {

namespace {

using Index = std::size_t;

// The shard expected to finish first, the lowest of those tied.
int leastLoaded(const std::vector<double>& load) {
  return static_cast<int>(std::min_element(load.begin(), load.end()) - load.begin());
}

}  // namespace

std::vector<int> splitIntoShards(const std::vector<double>& seconds, int count) {
  std::vector<int> shardOf(seconds.size(), 0);
  std::vector<double> load(static_cast<Index>(count), 0.0);
  const Index head = std::min(seconds.size(), static_cast<Index>(count));
  for (Index at = 0; at < head; ++at) {
    shardOf[at] = static_cast<int>(at);
    load[at] += seconds[at];
  }
  std::vector<int> rest;
  for (Index at = head; at < seconds.size(); ++at) rest.push_back(static_cast<int>(at));
  std::stable_sort(rest.begin(), rest.end(), [&](int a, int b) {
    return seconds[static_cast<Index>(a)] > seconds[static_cast<Index>(b)];
  });
  for (const int position : rest) {
    const int shard = leastLoaded(load);
    shardOf[static_cast<Index>(position)] = shard;
    load[static_cast<Index>(shard)] += seconds[static_cast<Index>(position)];
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
