// The rule by which an ant picks its next test: exploit the trail, or take the
// greedy step towards new faults and high severity.

#include "demo/colony.h"
#include "platform/random.h"

namespace {

// A candidate of the greedy step: the test, the faults it would newly reveal for
// the ant, and its severity.
struct CandidateTest {
  int test;
  int newFaults;
  int severity;
};

// The unvisited test with the highest trail level per squared move cost; the
// lowest index among equal scores, since only a strictly greater score replaces.
int chooseByTrail(const TestSuite& suite, const Colony& colony, int ant, int currentTest) {
  // Only the current test's row is filled and read.
  float WeightedPheromone[TEST_COUNT][TEST_COUNT];
  float* scores = WeightedPheromone[currentTest];
  int choice = 0;
  for (int test = 0; test < TEST_COUNT; ++test) {
    if (colony.antVisited[ant][test] != 0) {
      scores[test] = 0.0f;
      continue;
    }
    scores[test] =
        trailScore(colony.pheromone[currentTest][test], suite.edgeCost[currentTest][test]);
    if (scores[test] > scores[choice]) choice = test;
  }
  return choice;
}

// The unvisited test that scores best on half its new faults plus half its
// severity; the lowest index among equal scores.
int chooseGreedily(const TestSuite& suite, const Colony& colony, int ant) {
  CandidateTest localCitiesFaults[TEST_COUNT] = {};
  for (int test = 0; test < TEST_COUNT; ++test) {
    if (colony.antVisited[ant][test] != 0) continue;
    int newFaults = 0;
    for (int fault = 0; fault < FAULT_COUNT; ++fault) {
      if (suite.faultMatrix[test][fault] == 1 && colony.antFaults[ant][fault] == 0) ++newFaults;
    }
    localCitiesFaults[test] = {test, newFaults, suite.testSeverity[test]};
  }

  // Visited tests keep zero records, which every severity of at least 1 outscores.
  int choice = -1;
  float bestScore = -1.0f;
  for (const CandidateTest& candidate : localCitiesFaults) {
    const float score = greedyScore(candidate.newFaults, candidate.severity);
    if (score > bestScore) {
      bestScore = score;
      choice = candidate.test;
    }
  }
  return choice;
}

}  // namespace

bool hasUnvisitedTest(const Colony& colony, int ant) {
  for (int test = 0; test < TEST_COUNT; ++test) {
    if (colony.antVisited[ant][test] == 0) return true;
  }
  return false;
}

int chooseNextTest(const TestSuite& suite, const Colony& colony, int ant, int currentTest) {
  // The trail scores come first, on every call, then the one draw.
  const int trailChoice = chooseByTrail(suite, colony, ant, currentTest);
  if (exploitsTrail(drawnShare(drawRandom()))) return trailChoice;
  return chooseGreedily(suite, colony, ant);
}
