// One iteration of the colony: the ants build their tours in lock-step, the
// best tour is selected and the trail is reinforced along it.

#include "demo/colony.h"
#include "platform/random.h"

namespace {

void resetAnts(Colony& colony) {
  for (int ant = 0; ant < ANT_COUNT; ++ant) {
    for (int& entry : colony.antVisited[ant]) entry = 0;
    for (int& entry : colony.antFaults[ant]) entry = 0;
    for (int& entry : colony.antTour[ant]) entry = 0;
  }
  for (int& taken : colony.startTaken) taken = 0;
}

// Records that the ant has run the test and so revealed the test's faults.
void visitTest(const TestSuite& suite, Colony& colony, int ant, int test) {
  colony.antVisited[ant][test] = 1;
  for (int fault = 0; fault < FAULT_COUNT; ++fault) {
    if (suite.faultMatrix[test][fault] == 1) colony.antFaults[ant][fault] = 1;
  }
}

// Gives each ant in turn a start test no earlier ant took, drawing again on a
// taken one: the starts form a random permutation of the tests.
void placeAnts(const TestSuite& suite, Colony& colony) {
  for (int ant = 0; ant < ANT_COUNT; ++ant) {
    int start = drawRandom() % TEST_COUNT;
    while (colony.startTaken[start] != 0) start = drawRandom() % TEST_COUNT;
    colony.startTaken[start] = 1;
    colony.antStart[ant] = start;
    colony.antTour[ant][0] = start;
    visitTest(suite, colony, ant, start);
  }
}

// Steps until some ant closes its tour: in each step every ant in turn moves
// to its next test or returns to its start, then the trail is pulled back.
void buildTours(const TestSuite& suite, Colony& colony) {
  int step = 0;
  colony.tourClosed = 0;
  do {
    ++step;
    for (int ant = 0; ant < ANT_COUNT; ++ant) {
      if (hasUnvisitedTest(colony, ant)) {
        const int next = chooseNextTest(suite, colony, ant, colony.antTour[ant][step - 1]);
        colony.antTour[ant][step] = next;
        visitTest(suite, colony, ant, next);
      } else {
        colony.antTour[ant][step] = colony.antStart[ant];
        colony.tourClosed = 1;
      }
    }
    localUpdate(colony);
  } while (colony.tourClosed == 0);
}

}  // namespace

void runIteration(const TestSuite& suite, Colony& colony) {
  resetAnts(colony);
  placeAnts(suite, colony);
  buildTours(suite, colony);
  colony.bestApfd = selectIterationBest(suite, colony.antTour, colony.bestTour);
  globalUpdate(colony, colony.bestTour, colony.bestApfd);
}

float selectIterationBest(const TestSuite& suite, const int antTour[ANT_COUNT][TOUR_LENGTH],
                          int bestTour[TOUR_LENGTH]) {
  // A higher APFD reveals faults earlier, so the highest-scoring tour is the
  // one worth reinforcing; every score lies above the starting value.
  float highestApfd = -1.0f;
  for (int ant = 0; ant < ANT_COUNT; ++ant) {
    const float apfd = computeApfd(suite, antTour[ant]);
    if (apfd > highestApfd) {
      highestApfd = apfd;
      for (int position = 0; position < TOUR_LENGTH; ++position) {
        bestTour[position] = antTour[ant][position];
      }
    }
  }
  return highestApfd;
}
