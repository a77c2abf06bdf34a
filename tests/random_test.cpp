#include <algorithm>

#include <gtest/gtest.h>

#include "platform/random.h"

namespace {

TEST(Random, FirstDrawsForSeed12345) {
  seedRandom(12345u);
  for (int expected : {7584, 19164, 25795, 22125, 5828, 23405, 27477, 5413}) {
    EXPECT_EQ(drawRandom(), expected);
  }
}

TEST(Random, DrawsStayWithinZeroToRandomMaxAndReachBothEnds) {
  seedRandom(12345u);
  int lowest = RANDOM_MAX;
  int highest = 0;
  for (int draw = 0; draw < 1000000; ++draw) {
    const int value = drawRandom();
    ASSERT_TRUE(value >= 0 && value <= RANDOM_MAX) << value;
    lowest = std::min(lowest, value);
    highest = std::max(highest, value);
  }
  EXPECT_EQ(lowest, 0);
  EXPECT_EQ(highest, RANDOM_MAX);
}

}  // namespace
