#include <gtest/gtest.h>

#include "demo/colony.h"
#include "tests/scripted_random.h"

namespace {

constexpr int EXPLOIT = 0;
constexpr int GREEDY = RANDOM_MAX;

// One ant on a freshly set-up trail.
struct NextTest : testing::Test {
  TestSuite suite = BUILT_IN_SUITE;
  Colony colony = {};
  static constexpr int ANT = 2;

  void startAt(int test) {
    colony = {};
    initTrail(suite = BUILT_IN_SUITE, colony);
    visit(test);
  }
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

// On a trail at tau0 the scores are tau0 / cost^2: test 2 (cost 1), then tests
// 1 and 4 (cost 2: the lower index), then test 3, then test 0.
TEST_F(NextTest, ExploitationOnAnEvenTrailTakesTheCheapestMovesInOrder) {
  const char* expectedOrders[TEST_COUNT] = {"2143", "2430", "1430", "2140", "2130"};
  for (int start = 0; start < TEST_COUNT; ++start) {
    startAt(start);
    std::string order;
    for (int current = start, step = 1; step < TEST_COUNT; ++step) {
      current = choose(EXPLOIT, current);
      visit(current);
      order += static_cast<char>('0' + current);
    }
    EXPECT_EQ(order, expectedOrders[start]) << "start " << start;
  }
}

// Half the new faults plus half the severity; the lower index wins a tie.
TEST_F(NextTest, GreedyStepWeighsNewFaultsAndSeverity) {
  startAt(0);
  visit(1);
  EXPECT_EQ(choose(GREEDY, 1), 2) << "test 2 (2.5) ties test 3 (2.5) and beats test 4 (1.5)";
  startAt(2);
  EXPECT_EQ(choose(GREEDY, 2), 3) << "test 3 (3.0) beats tests 0 and 4 (1.5) and 1 (1.0)";
}

// From test 2 exploitation takes test 1 and the greedy step test 3, so the
// choice shows which branch q = draw / 32767 led to.
TEST_F(NextTest, DrawsBelowHalfExploitAndFromHalfUpTakeTheGreedyStep) {
  startAt(2);
  const int cases[][2] = {{0, 1}, {16383, 1}, {16384, 3}, {RANDOM_MAX, 3}};
  for (const auto& c : cases) EXPECT_EQ(choose(c[0], 2), c[1]) << "draw " << c[0];
}

}  // namespace
