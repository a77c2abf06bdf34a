#pragma once

// What antorder-suite prints: the trace of the iterations and the summary.

#include <cstdio>
#include <string>

#include "ordering/sparse_suite.h"
#include "ordering/suite_colony.h"

struct OrderScores {
  float givenApfd;
  float greedyApfd;
};

// One line per iteration, in the built-in report's form.
void printTrace(std::FILE* out, const SearchResult& result);

// The suite, the faults left out, and the APFD of each order.
void printSummary(std::FILE* out, const std::string& file, const SparseSuite& suite,
                  const OrderScores& scores, const SearchResult& result, int iterationCount);

// One test name a line.
void printOrder(std::FILE* out, const SparseSuite& suite, const std::vector<int>& order);
