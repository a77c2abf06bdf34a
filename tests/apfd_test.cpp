#include <algorithm>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "demo/suite.h"
#include "tests/helpers.h"

namespace {

TEST(Apfd, GivenOrderScores074) {
  const int order[TEST_COUNT] = {0, 1, 2, 3, 4};
  EXPECT_EQ(sixDecimals(computeApfd(BUILT_IN_SUITE, order)), "0.740000");
}

// Every order of the five tests, closed by any sixth entry: the position sums
// run from 8 to 13, so the scores fall on six values with fixed frequencies.
TEST(Apfd, EveryOrderScoresOneOfSixValuesWhateverClosesIt) {
  std::map<std::string, int> frequency;
  int tour[TOUR_LENGTH] = {0, 1, 2, 3, 4, 0};
  do {
    const float score = computeApfd(BUILT_IN_SUITE, tour);
    ++frequency[sixDecimals(score)];
    for (tour[TEST_COUNT] = 0; tour[TEST_COUNT] < TEST_COUNT; ++tour[TEST_COUNT]) {
      ASSERT_EQ(computeApfd(BUILT_IN_SUITE, tour), score);
    }
  } while (std::next_permutation(tour, tour + TEST_COUNT));

  const std::map<std::string, int> expected = {{"0.580000", 4},  {"0.620000", 8},
                                               {"0.660000", 8},  {"0.700000", 28},
                                               {"0.740000", 48}, {"0.780000", 24}};
  EXPECT_EQ(frequency, expected);
}

}  // namespace
