#pragma once

#include "demo/parameters.h"

// The one problem instance the program solves: which test reveals which fault,
// and what each test costs and weighs.
struct TestSuite {
  int faultMatrix[TEST_COUNT][FAULT_COUNT];  // 1 when test i reveals fault j
  float testCost[TEST_COUNT];                // cost of running test i
  int testSeverity[TEST_COUNT];              // weight of test i in the greedy step
  float edgeCost[TEST_COUNT][TEST_COUNT];    // cost of the move i -> j; zero until the trail set-up
};

// The suite as built. The run works on a copy, since the trail set-up writes
// the edge costs into it.
inline constexpr TestSuite BUILT_IN_SUITE = {
    {
        {1, 0, 0, 1, 0},
        {0, 1, 0, 0, 1},
        {1, 1, 1, 0, 0},
        {0, 1, 0, 0, 1},
        {1, 0, 1, 0, 1},
    },
    {4.0f, 2.0f, 1.0f, 3.0f, 2.0f},
    {2, 1, 4, 5, 2},
    {},
};

// Facts of the suite that the colony relies on, checked when the program is built.

constexpr bool everySeverityAtLeastOne(const TestSuite& suite) {
  for (int test = 0; test < TEST_COUNT; ++test) {
    if (suite.testSeverity[test] < 1) return false;
  }
  return true;
}

constexpr bool everyCostPositive(const TestSuite& suite) {
  for (int test = 0; test < TEST_COUNT; ++test) {
    if (!(suite.testCost[test] > 0.0f)) return false;
  }
  return true;
}

constexpr bool everyEntryZeroOrOne(const TestSuite& suite) {
  for (int test = 0; test < TEST_COUNT; ++test) {
    for (int fault = 0; fault < FAULT_COUNT; ++fault) {
      const int entry = suite.faultMatrix[test][fault];
      if (entry != 0 && entry != 1) return false;
    }
  }
  return true;
}

constexpr bool everyFaultRevealed(const TestSuite& suite) {
  for (int fault = 0; fault < FAULT_COUNT; ++fault) {
    bool revealed = false;
    for (int test = 0; test < TEST_COUNT; ++test) {
      revealed = revealed || suite.faultMatrix[test][fault] == 1;
    }
    if (!revealed) return false;
  }
  return true;
}

static_assert(everySeverityAtLeastOne(BUILT_IN_SUITE),
              "every severity must be at least 1, or the greedy step can pick a visited test "
              "and a tour runs past its end");
static_assert(everyCostPositive(BUILT_IN_SUITE),
              "every cost must be positive: the trail divides by costs and their squares");
static_assert(everyEntryZeroOrOne(BUILT_IN_SUITE),
              "every fault matrix entry must be 0 or 1: only 1 means the test reveals the fault");
static_assert(everyFaultRevealed(BUILT_IN_SUITE),
              "every fault must be revealed by some test, or APFD loses its meaning");

// Average Percentage of Faults Detected of an order: the earlier the order
// reveals the faults, the higher the score. Reads the first TEST_COUNT entries,
// so a closed tour can be passed as it is.
float computeApfd(const TestSuite& suite, const int order[]);
