// The pheromone trail: its set-up from the suite's costs and its two updates.

#include "demo/colony.h"

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
  colony.tau0 = initialLevel(referenceLength, TEST_COUNT);
  for (auto& row : colony.pheromone) {
    for (float& level : row) level = colony.tau0;
  }
}

void localUpdate(Colony& colony) {
  const double pull = localPull(colony.tau0);
  for (auto& row : colony.pheromone) {
    for (float& level : row) level = updatedLevel(level, pull);
  }
}

void globalUpdate(Colony& colony, const int bestTour[TOUR_LENGTH], float bestApfd) {
  const double deposit = globalDeposit(bestApfd);
  for (int move = 0; move < TOUR_LENGTH - 1; ++move) {
    float& level = colony.pheromone[bestTour[move]][bestTour[move + 1]];
    level = updatedLevel(level, deposit);
  }
}
