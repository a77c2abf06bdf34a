#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "demo/colony.h"

namespace {

std::uint32_t bitsOf(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

struct Trail : testing::Test {
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  void SetUp() override { initTrail(suite, colony); }

  void expectEverywhereTau0() const {
    for (int from = 0; from < TEST_COUNT; ++from) {
      for (int to = 0; to < TEST_COUNT; ++to) {
        EXPECT_EQ(bitsOf(colony.pheromone[from][to]), bitsOf(colony.tau0)) << from << " -> " << to;
      }
    }
  }
};

// A move costs the test moved to; the cycle 0 -> 1 -> ... -> 0 is 12 long,
// so tau0 is 1/60 rounded to float.
TEST_F(Trail, SetUpPreparesEdgeCostsAndFillsTheTrailWithTau0) {
  for (int from = 0; from < TEST_COUNT; ++from) {
    for (int to = 0; to < TEST_COUNT; ++to) EXPECT_EQ(suite.edgeCost[from][to], suite.testCost[to]);
  }
  EXPECT_EQ(bitsOf(colony.tau0), 0x3C888889u);
  expectEverywhereTau0();
}

TEST_F(Trail, LocalUpdateLeavesATrailAtTau0ExactlyThere) {
  for (int update = 0; update < ITERATION_COUNT; ++update) localUpdate(colony);
  expectEverywhereTau0();
}

// The old level keeps 1 - 0.8 of itself, evaluated in double as
// 0.19999999999999996; a share of exactly 0.2 rounds this level one float higher.
TEST_F(Trail, LocalUpdateKeepsOneMinusEvaporationInDouble) {
  colony.pheromone[1][3] = 0x1.12bf2ap+0f;
  localUpdate(colony);
  EXPECT_EQ(bitsOf(colony.pheromone[1][3]), 0x3E697362u);
}

TEST_F(Trail, GlobalUpdateRaisesOnlyTheFiveMovesInTheirOwnDirection) {
  const int tour[TOUR_LENGTH] = {2, 0, 4, 1, 3, 2};
  globalUpdate(colony, tour, 0.74f);
  for (int move = 0; move < TEST_COUNT; ++move) {
    float& level = colony.pheromone[tour[move]][tour[move + 1]];
    EXPECT_NEAR(level, 0.2 / 60.0 + 0.8 / 0.74, 1e-6);
    level = colony.tau0;
  }
  expectEverywhereTau0();  // the reverse moves [b][a] included
}

}  // namespace
