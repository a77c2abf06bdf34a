#pragma once

#include "demo/colony.h"
#include "demo/suite.h"

// Sets up the trail, runs ITERATION_COUNT iterations with one report line each
// and prints the tour selected in the last one.
void runOptimisation(TestSuite& suite, Colony& colony);

// Prints a closed tour as ":" and "N - " for each entry, tests numbered from 1.
void printTour(const int tour[TOUR_LENGTH]);
