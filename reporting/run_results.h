#pragma once

// Everything one run of antorder-suite found, as every form of its results
// (summary, JSON, CSV, picture) reads it.

#include <cstdint>
#include <string>
#include <vector>

#include "history/prediction.h"
#include "ordering/best_order.h"
#include "ordering/selection.h"
#include "ordering/sparse_suite.h"
#include "ordering/suite_colony.h"
#include "ordering/suite_orders.h"

struct RunResults {
  std::string file;        // as given; "-" for standard input
  std::string formatName;  // "csv", "sir" or "lists"
  std::uint32_t seed = 0;
  SearchSettings settings;  // as the search ran
  int antsAsked = 0;        // more than ran where the suite has fewer tests
  SuiteOrders orders;
  Objective objective = Objective::APFD;
  double elapsedSeconds = 0.0;
  // Every order scored also against another matrix's faults, matched by test
  // name (--evaluate): that matrix over the suite's tests.
  bool evaluated = false;
  std::string evaluationFile;
  SparseSuite evaluation;
  // Of a history: the failure model's order for the next run, which is the
  // order written, scored also on the window's suite.
  bool predicted = false;
  NextRunPrediction prediction;
  ScoredOrder model;
  // The order written, by name, with each test's expected time: the failure
  // model's of a history, else the best; of the tests --tests lists where
  // it is given, then counting those new and those gone since.
  std::vector<std::string> orderNames;
  std::vector<double> orderSeconds;
  bool listed = false;
  int newTests = 0;
  int goneTests = 0;
  // With --budget: the positions in that order that fit it, and the rest.
  double budgetSeconds = 0.0;  // 0: none asked for
  BudgetSelection selection;
  // Of a history, the window's failing runs, and those in which the
  // selection would have held a failing test.
  int windowFailingRuns = -1;  // -1: not a history
  int windowRunsCaught = 0;
};

// The order found: the failure model's for a history, else the best.
const std::vector<int>& foundOrder(const RunResults& results);

// The names the order files hold: with a budget, the selection's.
std::vector<std::string> writtenNames(const RunResults& results);

// The names a budget leaves out, in order.
std::vector<std::string> restNames(const RunResults& results);

// What found the best order, as the summary, the JSON and the picture name it.
std::string bestMethodText(const RunResults& results);

// The file as messages and the summary name it.
std::string displayName(const std::string& file);

// The file's name without its folders, as the picture names it.
std::string baseName(const std::string& file);

// A count and its noun, singular for 1: "1 fault", "2 faults", "1 mutant
// killed" (the last word of the noun's that ends in s loses it).
std::string counted(long long count, const std::string& pluralNoun);
