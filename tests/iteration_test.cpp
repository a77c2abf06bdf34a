#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "colony/colony.h"
#include "tests/scripted_random.h"

namespace {

using Tour = std::vector<int>;

constexpr int START_DRAWS = ANT_COUNT;                    // when no start is drawn twice
constexpr int RULE_DRAWS = ANT_COUNT * (TEST_COUNT - 1);  // one per moving ant and step

std::string sixDecimals(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return text;
}

Tour tourOf(const int tour[TOUR_LENGTH]) {
  return Tour(tour, tour + TOUR_LENGTH);
}

struct Scenario {
  const char* label;
  int ruleDraw;  // the value of all twenty rule draws
  Tour tours[ANT_COUNT];
  const char* scores[ANT_COUNT];
  int selectedAnt;
  double raisedLevel;
};

// Starts 2, 0, 4, 1, 3 on a fresh trail; then every rule call exploits or
// every call takes the greedy step.
const Scenario SCENARIOS[] = {
    {"greedy",
     RANDOM_MAX,
     {{2, 3, 0, 4, 1, 2},
      {0, 3, 2, 4, 1, 0},
      {4, 3, 2, 0, 1, 4},
      {1, 2, 3, 0, 4, 1},
      {3, 2, 0, 4, 1, 3}},
     {"0.780000", "0.740000", "0.740000", "0.700000", "0.740000"},
     0,
     1.028974},
    {"exploit",
     0,
     {{2, 1, 4, 3, 0, 2},
      {0, 2, 1, 4, 3, 0},
      {4, 2, 1, 3, 0, 4},
      {1, 2, 4, 3, 0, 1},
      {3, 2, 1, 4, 0, 3}},
     {"0.700000", "0.740000", "0.700000", "0.660000", "0.660000"},
     1,
     1.084414},
};

TEST(Iteration, ScriptedScenariosBuildSelectAndReinforceAsExpected) {
  for (const Scenario& scenario : SCENARIOS) {
    SCOPED_TRACE(scenario.label);
    TestSuite suite = BUILT_IN_SUITE;
    Colony colony = {};
    initTrail(suite, colony);
    std::vector<int> draws = {2, 0, 4, 1, 3};
    draws.insert(draws.end(), RULE_DRAWS, scenario.ruleDraw);
    scriptDraws(draws);

    runIteration(suite, colony);

    EXPECT_EQ(drawsTaken(), START_DRAWS + RULE_DRAWS);
    for (int ant = 0; ant < ANT_COUNT; ++ant) {
      SCOPED_TRACE(testing::Message() << "ant " << ant);
      EXPECT_EQ(tourOf(colony.antTour[ant]), scenario.tours[ant]);
      EXPECT_EQ(sixDecimals(computeApfd(suite, colony.antTour[ant])), scenario.scores[ant]);
    }
    EXPECT_EQ(tourOf(colony.bestTour), scenario.tours[scenario.selectedAnt]);
    EXPECT_EQ(sixDecimals(colony.bestApfd), scenario.scores[scenario.selectedAnt]);

    const Tour& selected = scenario.tours[scenario.selectedAnt];
    bool raised[TEST_COUNT][TEST_COUNT] = {};
    for (std::size_t move = 0; move + 1 < selected.size(); ++move)
      raised[selected[move]][selected[move + 1]] = true;
    for (int from = 0; from < TEST_COUNT; ++from) {
      for (int to = 0; to < TEST_COUNT; ++to) {
        SCOPED_TRACE(testing::Message() << from << " -> " << to);
        if (raised[from][to]) {
          EXPECT_NEAR(colony.pheromone[from][to], scenario.raisedLevel, 1e-6);
        } else {
          EXPECT_EQ(colony.pheromone[from][to], colony.tau0);
        }
      }
    }
  }
}

TEST(Iteration, StartDrawsRepeatUntilTheyHitAFreeTest) {
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  initTrail(suite, colony);
  // 7 and 12 fall on test 2 again, 10 and 5 on test 0 again.
  std::vector<int> draws = {2, 7, 12, 0, 10, 5, 4, 1, 3};
  draws.insert(draws.end(), RULE_DRAWS, 0);
  scriptDraws(draws);
  runIteration(suite, colony);
  EXPECT_EQ(drawsTaken(), static_cast<int>(draws.size()));
  const int expectedStarts[ANT_COUNT] = {2, 0, 4, 1, 3};
  for (int ant = 0; ant < ANT_COUNT; ++ant) EXPECT_EQ(colony.antStart[ant], expectedStarts[ant]);
}

// Many iterations on one trail, driven by arbitrary draws: whatever the draws,
// the tours are closed permutations and the selection is their highest score.
TEST(Iteration, EveryIterationBuildsClosedPermutationsAndSelectsTheHighestScore) {
  const std::set<std::string> possibleScores = {"0.580000", "0.620000", "0.660000",
                                                "0.700000", "0.740000", "0.780000"};
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  initTrail(suite, colony);
  std::mt19937 engine(2024u);
  std::uniform_int_distribution<int> anyDraw(0, RANDOM_MAX);
  std::vector<int> draws(200000);
  for (int& draw : draws) draw = anyDraw(engine);
  scriptDraws(draws);

  for (int iteration = 0; iteration < 2000; ++iteration) {
    SCOPED_TRACE(testing::Message() << "iteration " << iteration);
    runIteration(suite, colony);

    std::set<int> starts;
    float highest = 0.0f;
    for (int ant = 0; ant < ANT_COUNT; ++ant) {
      const int* tour = colony.antTour[ant];
      Tour firstFive(tour, tour + TEST_COUNT);
      std::sort(firstFive.begin(), firstFive.end());
      ASSERT_EQ(firstFive, (Tour{0, 1, 2, 3, 4}));
      ASSERT_EQ(tour[TEST_COUNT], tour[0]);
      for (int fault = 0; fault < FAULT_COUNT; ++fault) ASSERT_EQ(colony.antFaults[ant][fault], 1);
      starts.insert(colony.antStart[ant]);
      highest = std::max(highest, computeApfd(suite, tour));
    }
    ASSERT_EQ(starts.size(), static_cast<std::size_t>(ANT_COUNT));
    ASSERT_EQ(colony.bestTour[TEST_COUNT], colony.bestTour[0]);
    ASSERT_EQ(colony.bestApfd, highest);
    ASSERT_EQ(computeApfd(suite, colony.bestTour), colony.bestApfd);
    ASSERT_EQ(possibleScores.count(sixDecimals(colony.bestApfd)), 1u);
  }
  ASSERT_LE(drawsTaken(), static_cast<int>(draws.size())) << "script ran out";
}

// The colony reinforces the order that reveals faults earliest: the highest
// score wins wherever it stands, and among equal scores the earliest ant.
TEST(Selection, KeepsTheHighestScoreAndTheEarliestAntOnTies) {
  const TestSuite& suite = BUILT_IN_SUITE;
  struct Case {
    const char* label;
    int tours[ANT_COUNT][TOUR_LENGTH];
    int selectedAnt;
    const char* score;
  };
  const Case cases[] = {
      {"highest last",
       {{0, 1, 2, 3, 4, 0},
        {1, 3, 4, 2, 0, 1},
        {0, 1, 2, 3, 4, 0},
        {1, 3, 4, 2, 0, 1},
        {4, 0, 1, 2, 3, 4}},
       4,
       "0.780000"},
      {"lowest first, highest in the middle",
       {{1, 3, 4, 2, 0, 1},
        {0, 1, 2, 3, 4, 0},
        {2, 0, 1, 3, 4, 2},
        {0, 1, 2, 3, 4, 0},
        {1, 3, 4, 2, 0, 1}},
       2,
       "0.780000"},
      {"every score low: still the highest of them",
       {{1, 3, 2, 4, 0, 1},
        {1, 3, 0, 2, 4, 1},
        {1, 2, 3, 4, 0, 1},
        {1, 3, 0, 2, 4, 1},
        {1, 3, 2, 4, 0, 1}},
       2,
       "0.660000"},
      {"all equal: ant 0",
       {{0, 1, 2, 3, 4, 0},
        {0, 2, 4, 1, 3, 0},
        {0, 2, 1, 3, 4, 0},
        {0, 4, 1, 2, 3, 0},
        {0, 1, 4, 2, 3, 0}},
       0,
       "0.740000"},
      {"tie at the top: the earlier of ants 1 and 3",
       {{0, 1, 2, 3, 4, 0},
        {2, 0, 1, 3, 4, 2},
        {0, 1, 2, 3, 4, 0},
        {2, 3, 0, 4, 1, 2},
        {1, 3, 4, 2, 0, 1}},
       1,
       "0.780000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    int bestTour[TOUR_LENGTH] = {};
    const float apfd = selectIterationBest(suite, c.tours, bestTour);
    EXPECT_EQ(sixDecimals(apfd), c.score);
    EXPECT_EQ(tourOf(bestTour), tourOf(c.tours[c.selectedAnt]));
  }
}

}  // namespace
