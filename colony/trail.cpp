// The pheromone trail: its set-up from the suite's costs and its two updates.

#include "colony/colony.h"

namespace {

// The weight an update keeps of the old level: 1 - 0.8 in double, which is
// 0.19999999999999996, not 0.2.
constexpr double KEPT_SHARE = 1.0 - EVAPORATION;

}  // namespace

float prepareEdgeCosts(TestSuite& suite) {
  for (int from = 0; from < TEST_COUNT; ++from) {
    for (int to = 0; to < TEST_COUNT; ++to) {
      suite.edgeCost[from][to] = suite.testCost[to] + suite.edgeCost[from][to];
    }
  }
  float referenceLength = 0.0f;
  for (int from = 0; from < TEST_COUNT; ++from) {
    referenceLength += suite.edgeCost[from][(from + 1) % TEST_COUNT];
  }
  return referenceLength;
}

void initTrail(TestSuite& suite, Colony& colony) {
  const float referenceLength = prepareEdgeCosts(suite);
  // The product rounds in float, the reciprocal is taken in double.
  const float scaledLength = referenceLength * static_cast<float>(TEST_COUNT);
  colony.tau0 = static_cast<float>(1.0 / static_cast<double>(scaledLength));
  for (auto& row : colony.pheromone) {
    for (float& level : row) level = colony.tau0;
  }
}

void localUpdate(Colony& colony) {
  const double pull = static_cast<double>(colony.tau0) * EVAPORATION;
  for (auto& row : colony.pheromone) {
    for (float& level : row) {
      level = static_cast<float>(static_cast<double>(level) * KEPT_SHARE + pull);
    }
  }
}

void globalUpdate(Colony& colony, const int bestTour[TOUR_LENGTH], float bestApfd) {
  const double deposit = (1.0 / static_cast<double>(bestApfd)) * EVAPORATION;
  for (int move = 0; move < TOUR_LENGTH - 1; ++move) {
    float& level = colony.pheromone[bestTour[move]][bestTour[move + 1]];
    level = static_cast<float>(static_cast<double>(level) * KEPT_SHARE + deposit);
  }
}
