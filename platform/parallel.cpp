#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

bool forEachIndex(std::size_t count, int jobs,
                  const std::function<bool(std::size_t index, bool calling)>& work) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopped{false};
  const auto share = [&](bool calling) {
    while (!stopped.load()) {
      const std::size_t index = next.fetch_add(1);
      if (index >= count) return;
      if (!work(index, calling)) stopped.store(true);
    }
  };
  std::vector<std::thread> helpers;
  const std::size_t threads = std::min(static_cast<std::size_t>(std::max(1, jobs)), count);
  for (std::size_t helper = 1; helper < threads; ++helper) helpers.emplace_back(share, false);
  share(true);
  for (std::thread& helper : helpers) helper.join();
  return !stopped.load();
}
