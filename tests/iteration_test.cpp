#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo/colony.h"
#include "tests/helpers.h"
#include "tests/scripted_random.h"

namespace {

constexpr int RULE_DRAWS = ANT_COUNT * (TEST_COUNT - 1);  // one per moving ant and step

// Starts 2, 0, 4, 1, 3 on a fresh trail, then every rule call takes the greedy
// step or every call exploits.
struct Scenario {
  int ruleDraw;
  const char* tours[ANT_COUNT];
  const char* scores[ANT_COUNT];
  int selectedAnt;
  double raisedLevel;  // 0.2 * tau0 + 0.8 / the selected score
};
const Scenario SCENARIOS[] = {
    {RANDOM_MAX,
     {"230412", "032410", "432014", "123041", "320413"},
     {"0.780000", "0.740000", "0.740000", "0.700000", "0.740000"},
     0,
     1.028974},
    {0,
     {"214302", "021430", "421304", "124301", "321403"},
     {"0.700000", "0.740000", "0.700000", "0.660000", "0.660000"},
     1,
     1.084414},
};

TEST(Iteration, ScriptedScenariosBuildSelectAndReinforceAsExpected) {
  for (const Scenario& scenario : SCENARIOS) {
    SCOPED_TRACE(testing::Message() << "rule draws " << scenario.ruleDraw);
    TestSuite suite = BUILT_IN_SUITE;
    Colony colony = {};
    initTrail(suite, colony);
    std::vector<int> draws = {2, 0, 4, 1, 3};
    draws.insert(draws.end(), RULE_DRAWS, scenario.ruleDraw);
    scriptDraws(draws);

    runIteration(suite, colony);

    EXPECT_EQ(drawsTaken(), static_cast<int>(draws.size()));
    for (int ant = 0; ant < ANT_COUNT; ++ant) {
      EXPECT_EQ(tourText(colony.antTour[ant], TOUR_LENGTH), scenario.tours[ant]);
      EXPECT_EQ(sixDecimals(computeApfd(suite, colony.antTour[ant])), scenario.scores[ant]);
    }
    EXPECT_EQ(tourText(colony.bestTour, TOUR_LENGTH), scenario.tours[scenario.selectedAnt]);
    EXPECT_EQ(sixDecimals(colony.bestApfd), scenario.scores[scenario.selectedAnt]);

    // The five moves of the selected tour rise; the other twenty stay at tau0.
    const std::string selected = scenario.tours[scenario.selectedAnt];
    for (int from = 0; from < TEST_COUNT; ++from) {
      for (int to = 0; to < TEST_COUNT; ++to) {
        const std::string move = {static_cast<char>('0' + from), static_cast<char>('0' + to)};
        const bool raised = selected.find(move) != std::string::npos;
        EXPECT_NEAR(colony.pheromone[from][to],
                    raised ? scenario.raisedLevel : static_cast<double>(colony.tau0),
                    raised ? 1e-6 : 0.0)
            << move;
      }
    }
  }
}

// Many iterations on one trail, driven by arbitrary draws: the tours are always
// closed permutations from distinct starts, and the selection is their highest score.
TEST(Iteration, AnyDrawsGiveClosedPermutationsAndSelectTheHighestScore) {
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  initTrail(suite, colony);
  std::mt19937 engine(2024u);
  std::vector<int> draws(100000);
  for (int& draw : draws) draw = std::uniform_int_distribution<int>(0, RANDOM_MAX)(engine);
  scriptDraws(draws);

  for (int iteration = 0; iteration < 1000; ++iteration) {
    runIteration(suite, colony);
    std::set<int> starts;
    float highest = 0.0f;
    for (const int* tour : colony.antTour) {
      std::string tests = tourText(tour, TEST_COUNT);
      std::sort(tests.begin(), tests.end());
      ASSERT_EQ(tests, "01234");
      ASSERT_EQ(tour[TEST_COUNT], tour[0]);
      starts.insert(tour[0]);
      highest = std::max(highest, computeApfd(suite, tour));
    }
    ASSERT_EQ(starts.size(), static_cast<std::size_t>(ANT_COUNT));
    ASSERT_EQ(colony.bestApfd, highest);
    ASSERT_EQ(computeApfd(suite, colony.bestTour), highest);
    ASSERT_EQ(colony.bestTour[TEST_COUNT], colony.bestTour[0]);
  }
  ASSERT_LT(drawsTaken(), static_cast<int>(draws.size())) << "the script ran out";
}

// The highest score wins wherever it stands, even when every score is low, and
// among equal scores the earliest ant keeps its place.
TEST(Selection, KeepsTheHighestScoreAndTheEarliestAntOnTies) {
  struct Case {
    const char* tours[ANT_COUNT];  // scoring 0.58 ... 0.78 as noted
    int selectedAnt;
  };
  const Case cases[] = {
      {{"012340", "134201", "012340", "134201", "401234"}, 4},  // .74 .58 .74 .58 .78
      {{"134201", "012340", "201342", "012340", "134201"}, 2},  // .58 .74 .78 .74 .58
      {{"132401", "130241", "123401", "130241", "132401"}, 2},  // .58 .62 .66 .62 .58
      {{"012340", "024130", "021340", "041230", "014230"}, 0},  // all .74
      {{"012340", "201342", "012340", "230412", "134201"}, 1},  // .74 .78 .74 .78 .58
  };
  for (const Case& c : cases) {
    int tours[ANT_COUNT][TOUR_LENGTH];
    for (int ant = 0; ant < ANT_COUNT; ++ant) parseTour(c.tours[ant], tours[ant]);
    int bestTour[TOUR_LENGTH] = {};
    const float apfd = selectIterationBest(BUILT_IN_SUITE, tours, bestTour);
    EXPECT_EQ(tourText(bestTour, TOUR_LENGTH), c.tours[c.selectedAnt]);
    EXPECT_EQ(apfd, computeApfd(BUILT_IN_SUITE, tours[c.selectedAnt]));
  }
}

}  // namespace
