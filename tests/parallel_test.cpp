#include <atomic>
#include <cstddef>
#include <vector>

#include <gtest/gtest.h>

#include "platform/parallel.h"

namespace {

TEST(Parallel, DoesEveryIndexOnceOnAnyNumberOfThreads) {
  for (const std::size_t count : {0u, 1u, 5u, 200u}) {
    for (const int jobs : {1, 2, 4, 9}) {
      std::vector<std::atomic<int>> done(count);
      std::atomic<int> onCalling{0};
      const bool all = forEachIndex(count, jobs, [&](std::size_t index, bool calling) {
        done[index].fetch_add(1);
        onCalling.fetch_add(calling ? 1 : 0);
        return true;
      });
      EXPECT_TRUE(all);
      for (std::size_t index = 0; index < count; ++index) {
        EXPECT_EQ(done[index].load(), 1) << count << " indices, " << jobs << " jobs";
      }
      if (jobs == 1) {
        EXPECT_EQ(onCalling.load(), static_cast<int>(count));
      }
    }
  }
}

TEST(Parallel, BeginsNoIndexOnceAskedToStop) {
  std::atomic<int> begun{0};
  EXPECT_FALSE(forEachIndex(1000, 1, [&](std::size_t index, bool) {
    begun.fetch_add(1);
    return index != 10;
  }));
  EXPECT_EQ(begun.load(), 11);
  // Each thread stops after its first: at most one index each.
  begun = 0;
  EXPECT_FALSE(forEachIndex(1000, 3, [&](std::size_t, bool) {
    begun.fetch_add(1);
    return false;
  }));
  EXPECT_LE(begun.load(), 3);
}

}  // namespace
