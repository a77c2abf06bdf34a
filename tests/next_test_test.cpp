#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "colony/colony.h"
#include "tests/scripted_random.h"

namespace {

constexpr int EXPLOIT = 0;
constexpr int GREEDY = RANDOM_MAX;

// One ant on a freshly set-up trail, placed at its start test.
struct NextTest : ::testing::Test {
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  static constexpr int ANT = 2;
  void SetUp() override { initTrail(suite, colony); }

  void visit(int test) {
    colony.antVisited[ANT][test] = 1;
    for (int fault = 0; fault < FAULT_COUNT; ++fault) {
      if (suite.faultMatrix[test][fault] == 1) colony.antFaults[ANT][fault] = 1;
    }
  }

  int choose(int draw, int currentTest) const {
    scriptDraws({draw});
    const int next = chooseNextTest(suite, colony, ANT, currentTest);
    EXPECT_EQ(drawsTaken(), 1) << "one draw per call";
    return next;
  }
};

// On a trail at tau0 the scores are tau0 / cost^2: test 2 (cost 1), then
// tests 1 and 4 (cost 2, the lower index wins), then test 3, then test 0.
TEST_F(NextTest, ExploitationOnAnEvenTrailFollowsTheCheapestMoves) {
  struct Case {
    int start;
    int expectedOrder[TEST_COUNT - 1];
  };
  const Case cases[] = {
      {0, {2, 1, 4, 3}}, {1, {2, 4, 3, 0}}, {2, {1, 4, 3, 0}}, {3, {2, 1, 4, 0}}, {4, {2, 1, 3, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "start " << c.start);
    colony = {};
    initTrail(suite = BUILT_IN_SUITE, colony);
    visit(c.start);
    int current = c.start;
    for (int expected : c.expectedOrder) {
      current = choose(EXPLOIT, current);
      EXPECT_EQ(current, expected);
      visit(current);
    }
  }
}

// Score = half the new faults plus half the severity; the lower index wins a tie.
TEST_F(NextTest, GreedyStepWeighsNewFaultsAndSeverity) {
  struct Case {
    const char* label;
    std::vector<int> visited;
    int current;
    int expected;
  };
  const Case cases[] = {
      {"after 0 and 1: test 2 (2.5) ties test 3 (2.5), beats test 4 (1.5)", {0, 1}, 1, 2},
      {"from 2: test 3 (3.0) over 0 and 4 (1.5) and 1 (1.0)", {2}, 2, 3},
      {"only test 0 left", {1, 2, 3, 4}, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    colony = {};
    initTrail(suite = BUILT_IN_SUITE, colony);
    for (int test : c.visited) visit(test);
    EXPECT_EQ(choose(GREEDY, c.current), c.expected);
  }
}

// From test 2 exploitation takes test 1 and the greedy step test 3, so the
// choice shows which branch a draw led to: q = draw / 32767 against 0.5.
TEST_F(NextTest, DrawsBelowHalfExploitAndFromHalfUpTakeTheGreedyStep) {
  struct Case {
    int draw;
    int expected;
  };
  const Case cases[] = {{0, 1}, {16383, 1}, {16384, 3}, {RANDOM_MAX, 3}};
  visit(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "draw " << c.draw);
    EXPECT_EQ(choose(c.draw, 2), c.expected);
  }
}

TEST_F(NextTest, ChoosingChangesNothingInTheColony) {
  visit(2);
  visit(0);
  colony.pheromone[0][4] = 3.0f;
  const Colony before = colony;
  for (int draw : {EXPLOIT, GREEDY}) {
    SCOPED_TRACE(testing::Message() << "draw " << draw);
    choose(draw, 0);
    // Bit for bit: not even a float may change.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    EXPECT_EQ(std::memcmp(&before, &colony, sizeof colony), 0);
  }
}

// From test 2 on a trail at tau0, tests 1 and 4 lead with tau0 / 4. Raising
// one move shows how trail and squared cost trade against each other.
TEST_F(NextTest, ExploitationWeighsTrailAgainstSquaredCost) {
  struct Case {
    const char* label;
    int to;
    float factor;
    int expected;
  };
  const Case cases[] = {
      {"double trail to test 4 (cost 2)", 4, 2.0f, 4},
      {"double trail to test 3 (cost 3) is not enough: 2/9 < 1/4", 3, 2.0f, 1},
      {"triple trail to test 3 is: 3/9 > 1/4", 3, 3.0f, 3},
      {"four times to test 0 (cost 4) ties, and the lower index wins", 0, 4.0f, 0},
  };
  visit(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    initTrail(suite = BUILT_IN_SUITE, colony);
    colony.pheromone[2][c.to] = c.factor * colony.tau0;
    EXPECT_EQ(choose(EXPLOIT, 2), c.expected);
  }
}

TEST(HasUnvisitedTest, LooksAtTheAntsOwnRowOnly) {
  Colony colony = {};
  for (int ant = 0; ant < ANT_COUNT; ++ant) {
    for (int& visited : colony.antVisited[ant]) visited = ant % 2;  // odd ants have visited all
  }
  for (int ant = 0; ant < ANT_COUNT; ++ant) {
    EXPECT_EQ(hasUnvisitedTest(colony, ant), ant % 2 == 0) << "ant " << ant;
  }
  colony.antVisited[1][TEST_COUNT - 1] = 0;
  EXPECT_TRUE(hasUnvisitedTest(colony, 1));
}

}  // namespace
