#pragma once

// Every parameter of the run, fixed at build time. The exploit threshold (0.5),
// the evaporation (0.8) and the seed (12345) are the colony's rules, shared
// with the program for any suite: they live with the formulas.

#include "formulas/formulas.h"

constexpr int TEST_COUNT = 5;                // tests in the suite: rows of the fault matrix
constexpr int FAULT_COUNT = 5;               // faults in the suite: columns of the fault matrix
constexpr int ANT_COUNT = 5;                 // ants per iteration, each starting at its own test
constexpr int TOUR_LENGTH = TEST_COUNT + 1;  // a closed tour returns to its start
constexpr int ITERATION_COUNT = 100;         // colony iterations per run

static_assert(ANT_COUNT <= TEST_COUNT, "every ant needs a start test of its own");
