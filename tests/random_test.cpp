#include <gtest/gtest.h>

#include "platform/random.h"

namespace {

TEST(Random, FirstDrawsForSeed12345) {
  const int expected[] = {7584, 19164, 25795, 22125, 5828, 23405, 27477, 5413};
  seedRandom(12345u);
  for (int value : expected) EXPECT_EQ(drawRandom(), value);
}

TEST(Random, SeedingAgainRestartsTheSequence) {
  seedRandom(7u);
  const int first = drawRandom();
  const int second = drawRandom();
  seedRandom(7u);
  EXPECT_EQ(drawRandom(), first);
  EXPECT_EQ(drawRandom(), second);
}

// A full period's worth of draws would be 2^32; a million reach both ends of
// the range and never leave it.
TEST(Random, DrawsStayWithinZeroToRandomMaxAndReachBothEnds) {
  seedRandom(12345u);
  int lowest = RANDOM_MAX;
  int highest = 0;
  for (int draw = 0; draw < 1000000; ++draw) {
    const int value = drawRandom();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, RANDOM_MAX);
    if (value < lowest) lowest = value;
    if (value > highest) highest = value;
  }
  EXPECT_EQ(lowest, 0);
  EXPECT_EQ(highest, RANDOM_MAX);
}

}  // namespace
