#pragma once

#include "suite/parameters.h"

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
extern const TestSuite BUILT_IN_SUITE;

// Average Percentage of Faults Detected of an order: the earlier the order
// reveals the faults, the higher the score. Reads the first TEST_COUNT entries,
// so a closed tour can be passed as it is.
float computeApfd(const TestSuite& suite, const int order[]);
