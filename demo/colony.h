#pragma once

#include "demo/suite.h"

// The ant colony: the pheromone trail, the ants' state during an iteration,
// and the tour the latest iteration selected.
struct Colony {
  // Trail: the level of each directed move i -> j. The diagonal exists and is
  // updated, but no move uses it.
  float pheromone[TEST_COUNT][TEST_COUNT];
  float tau0;  // initial level, and the level the local update pulls towards

  // Ants, rebuilt in every iteration.
  int antTour[ANT_COUNT][TOUR_LENGTH];    // start, the tests chosen in order, start again
  int antStart[ANT_COUNT];                // start test of each ant
  int startTaken[TEST_COUNT];             // 1 when the test is already some ant's start
  int antVisited[ANT_COUNT][TEST_COUNT];  // 1 when the test is in the ant's tour
  int antFaults[ANT_COUNT][FAULT_COUNT];  // 1 when the ant's tests so far reveal the fault
  int tourClosed;                         // set when an ant closes its tour in this step

  // Selection of the latest iteration; no best-so-far is kept across iterations.
  int bestTour[TOUR_LENGTH];
  float bestApfd;
};

// Trail.

// Adds each test's cost into its column of edgeCost, so a move costs the test
// moved to, and returns the length of the cycle 0 -> 1 -> ... -> 0 over it.
// Runs once per suite: a second call would add the costs again.
float prepareEdgeCosts(TestSuite& suite);

// Prepares the edge costs, derives tau0 from the reference length and fills the trail with it.
void initTrail(TestSuite& suite, Colony& colony);

// Pulls every entry of the trail towards tau0; done after each construction step.
void localUpdate(Colony& colony);

// Reinforces the five moves of a closed tour, each in its own direction only.
void globalUpdate(Colony& colony, const int bestTour[TOUR_LENGTH], float bestApfd);

// Next-test rule.

// True while the ant has a test left to visit.
bool hasUnvisitedTest(const Colony& colony, int ant);

// Picks the ant's next test from its current one, with exactly one draw: below
// the threshold the unvisited test with the best trail-to-squared-cost ratio,
// otherwise the greedy step by new faults and severity. Changes nothing.
int chooseNextTest(const TestSuite& suite, const Colony& colony, int ant, int currentTest);

// Iteration.

// One iteration: every ant builds a closed tour, the best tour is selected into
// bestTour and bestApfd, and the trail is reinforced along it.
void runIteration(const TestSuite& suite, Colony& colony);

// Copies the tour with the highest APFD into bestTour, the earliest ant among
// equal scores, and returns that APFD.
float selectIterationBest(const TestSuite& suite, const int antTour[ANT_COUNT][TOUR_LENGTH],
                          int bestTour[TOUR_LENGTH]);

// Search.

// The whole search after seeding: the trail set-up on the suite, then
// ITERATION_COUNT iterations, each followed by onIteration(iteration, colony)
// with the iteration numbered from 1, as the iteration left the colony.
template <typename OnIteration>
void runSearch(TestSuite& suite, Colony& colony, OnIteration onIteration) {
  initTrail(suite, colony);
  for (int iteration = 1; iteration <= ITERATION_COUNT; ++iteration) {
    runIteration(suite, colony);
    onIteration(iteration, static_cast<const Colony&>(colony));
  }
}
