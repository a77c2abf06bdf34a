#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "suite/suite.h"

namespace {

std::string sixDecimals(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return text;
}

TEST(BuiltInSuite, FaultMatrixHasTheTabledRowAndColumnSums) {
  const int rowSums[TEST_COUNT] = {2, 2, 3, 2, 3};
  const int columnSums[FAULT_COUNT] = {3, 3, 2, 1, 3};
  for (int test = 0; test < TEST_COUNT; ++test) {
    int sum = 0;
    for (int fault = 0; fault < FAULT_COUNT; ++fault)
      sum += BUILT_IN_SUITE.faultMatrix[test][fault];
    EXPECT_EQ(sum, rowSums[test]) << "test " << test;
  }
  for (int fault = 0; fault < FAULT_COUNT; ++fault) {
    int sum = 0;
    for (int test = 0; test < TEST_COUNT; ++test) sum += BUILT_IN_SUITE.faultMatrix[test][fault];
    EXPECT_EQ(sum, columnSums[fault]) << "fault " << fault;
  }
}

TEST(BuiltInSuite, CostsAndSeveritiesAsTabledAndNoEdgeCostsYet) {
  const float costs[TEST_COUNT] = {4.0f, 2.0f, 1.0f, 3.0f, 2.0f};
  const int severities[TEST_COUNT] = {2, 1, 4, 5, 2};
  for (int test = 0; test < TEST_COUNT; ++test) {
    SCOPED_TRACE(testing::Message() << "test " << test);
    EXPECT_EQ(BUILT_IN_SUITE.testCost[test], costs[test]);
    EXPECT_EQ(BUILT_IN_SUITE.testSeverity[test], severities[test]);
    for (float cost : BUILT_IN_SUITE.edgeCost[test]) EXPECT_EQ(cost, 0.0f);
  }
}

TEST(Apfd, GivenOrderScores074) {
  const int order[TEST_COUNT] = {0, 1, 2, 3, 4};
  EXPECT_EQ(sixDecimals(computeApfd(BUILT_IN_SUITE, order)), "0.740000");
}

// Every order of the five tests: the position sums run from 8 to 13, so the
// scores fall on six values with fixed frequencies.
TEST(Apfd, EveryOrderScoresOneOfSixValuesWithKnownFrequencies) {
  std::map<std::string, int> frequency;
  int order[TEST_COUNT] = {0, 1, 2, 3, 4};
  do {
    ++frequency[sixDecimals(computeApfd(BUILT_IN_SUITE, order))];
  } while (std::next_permutation(order, order + TEST_COUNT));

  const std::map<std::string, int> expected = {
      {"0.580000", 4},  {"0.620000", 8},  {"0.660000", 8},
      {"0.700000", 28}, {"0.740000", 48}, {"0.780000", 24},
  };
  EXPECT_EQ(frequency, expected);
}

TEST(Apfd, ClosingEntryNeverChangesTheScore) {
  int tour[TOUR_LENGTH] = {0, 1, 2, 3, 4, 0};
  do {
    const float open = computeApfd(BUILT_IN_SUITE, tour);
    for (int closing = 0; closing < TEST_COUNT; ++closing) {
      tour[TEST_COUNT] = closing;
      EXPECT_EQ(computeApfd(BUILT_IN_SUITE, tour), open);
    }
  } while (std::next_permutation(tour, tour + TEST_COUNT));
}

// Fault 3 is revealed by test 0 alone, so its position moves the score by
// 0.04 a place; a fault that no test reveals adds nothing to the sum.
TEST(Apfd, ScoreFollowsTheFirstRevealingPosition) {
  struct Case {
    const char* label;
    int order[TEST_COUNT];
    bool dropFault3;
    const char* score;
  };
  const Case cases[] = {
      {"test 0 first", {0, 2, 4, 1, 3}, false, "0.740000"},
      {"test 0 last", {2, 4, 1, 3, 0}, false, "0.700000"},
      {"best order", {2, 0, 1, 3, 4}, false, "0.780000"},
      {"fault 3 revealed by nobody", {0, 1, 2, 3, 4}, true, "0.780000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TestSuite suite = BUILT_IN_SUITE;
    if (c.dropFault3) suite.faultMatrix[0][3] = 0;
    EXPECT_EQ(sixDecimals(computeApfd(suite, c.order)), c.score);
  }
}

}  // namespace
