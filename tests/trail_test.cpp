#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "colony/colony.h"

namespace {

std::uint32_t bitsOf(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

struct Trail : ::testing::Test {
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  void SetUp() override { initTrail(suite, colony); }
};

TEST(EdgeCosts, MoveCostsTheTestMovedToAndTheReferenceCycleIs12) {
  TestSuite suite = BUILT_IN_SUITE;
  EXPECT_EQ(prepareEdgeCosts(suite), 12.0f);
  for (int from = 0; from < TEST_COUNT; ++from) {
    for (int to = 0; to < TEST_COUNT; ++to) {
      EXPECT_EQ(suite.edgeCost[from][to], suite.testCost[to]) << from << " -> " << to;
    }
  }
}

TEST_F(Trail, StartsEverywhereAtOneSixtiethRoundedToFloat) {
  EXPECT_EQ(bitsOf(colony.tau0), 0x3C888889u);
  for (const auto& row : colony.pheromone) {
    for (float level : row) EXPECT_EQ(level, colony.tau0);
  }
}

TEST_F(Trail, LocalUpdateLeavesATrailAtTau0ExactlyThere) {
  for (int update = 0; update < ITERATION_COUNT; ++update) localUpdate(colony);
  for (const auto& row : colony.pheromone) {
    for (float level : row) EXPECT_EQ(bitsOf(level), bitsOf(colony.tau0));
  }
}

// The old level keeps the double 1 - 0.8 = 0.19999999999999996 of itself; a
// share of exactly 0.2 rounds this level one float higher.
TEST_F(Trail, LocalUpdateKeepsOneMinusEvaporationInDouble) {
  colony.pheromone[1][3] = 0x1.12bf2ap+0f;
  localUpdate(colony);
  EXPECT_EQ(bitsOf(colony.pheromone[1][3]), 0x3E697362u);
  EXPECT_EQ(colony.pheromone[3][1], colony.tau0);
}

TEST_F(Trail, GlobalUpdateRaisesOnlyTheFiveMovesInTheirOwnDirection) {
  const int tour[TOUR_LENGTH] = {2, 0, 4, 1, 3, 2};
  globalUpdate(colony, tour, 0.74f);
  bool raised[TEST_COUNT][TEST_COUNT] = {};
  for (int move = 0; move < TOUR_LENGTH - 1; ++move) raised[tour[move]][tour[move + 1]] = true;

  for (int from = 0; from < TEST_COUNT; ++from) {
    for (int to = 0; to < TEST_COUNT; ++to) {
      SCOPED_TRACE(testing::Message() << from << " -> " << to);
      if (raised[from][to]) {
        EXPECT_NEAR(colony.pheromone[from][to], 0.2 / 60.0 + 0.8 / 0.74, 1e-6);
      } else {
        EXPECT_EQ(colony.pheromone[from][to], colony.tau0);
      }
    }
  }
}

}  // namespace
