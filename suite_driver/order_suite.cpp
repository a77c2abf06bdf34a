#include "suite_driver/order_suite.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ordering/suite_colony.h"
#include "platform/random.h"
#include "reading/test_costs.h"
#include "replay/replay.h"
#include "reporting/evaluation.h"
#include "reporting/json_results.h"
#include "reporting/order_table.h"
#include "reporting/run_results.h"
#include "reporting/runner_files.h"
#include "reporting/summary.h"
#include "reporting/svg_plot.h"
#include "suite_driver/progress.h"
#include "suite_driver/run_control.h"

namespace {

// The first few of the tests by name, and how many more.
std::string someNames(const SparseSuite& suite, const std::vector<int>& tests) {
  constexpr std::size_t NAMED = 5;
  std::string names;
  for (std::size_t at = 0; at < tests.size() && at < NAMED; ++at) {
    names += (at == 0 ? "" : ", ") + suite.testNames[static_cast<std::size_t>(tests[at])];
  }
  if (tests.size() > NAMED) names += " and " + std::to_string(tests.size() - NAMED) + " more";
  return names;
}

// ctest -j reads a name in its cost-data file up to the first space (CMake
// 3.25): a test whose name holds one is not found there and runs last.
void warnOfNamesCtestCannotRead(const SuiteOptions& options, const SparseSuite& suite,
                                const std::vector<int>& order) {
  if (options.ctestCostsFile.empty()) return;
  std::vector<int> spaced;
  for (const int test : order) {
    if (suite.testNames[static_cast<std::size_t>(test)].find(' ') != std::string::npos) {
      spaced.push_back(test);
    }
  }
  if (spaced.empty()) return;
  std::fprintf(stderr,
               "%s: warning: ctest -j reads a name of its cost-data file only up to a space, so "
               "%zu tests will run last there (--ctest-properties carries them): %s\n",
               PROGRAM, spaced.size(), someNames(suite, spaced).c_str());
}

// Writes every file asked for and prints the results, as JSON or the
// summary; the files are put in place only once all is written. Returns the
// exit status.
int printResults(const SuiteOptions& options, const SparseSuite& suite, const RunResults& results) {
  const std::vector<int>& written = writtenOrder(results);
  warnOfNamesCtestCannotRead(options, suite, written);
  return writeFiles(
      {{options.orderFile, [&](std::FILE* out) { printOrder(out, suite, written); }},
       {options.plotFile, [&](std::FILE* out) { printSvgPlot(out, suite, results); }},
       {options.csvFile, [&](std::FILE* out) { printOrderTable(out, suite, results); }},
       {options.ctestCostsFile, [&](std::FILE* out) { printCtestCosts(out, suite, written); }},
       {options.ctestPropertiesFile,
        [&](std::FILE* out) { printCtestProperties(out, suite, written); }},
       {options.restFile, [&](std::FILE* out) { printOrder(out, suite, results.selection.rest); }}},
      [&] {
        if (options.json) {
          std::fputs(resultsJson(suite, results).c_str(), stdout);
        } else {
          if (options.trace) printTrace(stdout, results.search);
          printSummary(stdout, suite, results);
        }
        return finishStandardOutput();
      });
}

// With --budget, the part of the order written that fits it; of a history,
// how many of the window's failing runs that part would have caught.
void selectWithinBudget(const SuiteOptions& options, const SparseSuite& suite,
                        const History* history, RunResults& results) {
  if (options.budgetSeconds <= 0.0) return;
  results.budgetSeconds = options.budgetSeconds;
  results.selection = selectWithinBudget(suite, fullOrder(results), options.budgetSeconds);
  if (history == nullptr) return;
  std::vector<int> keys;
  for (const int test : results.selection.selected) {
    keys.push_back(history->keyIndex.at(suite.testNames[static_cast<std::size_t>(test)]));
  }
  const auto runs = static_cast<int>(history->runs.size());
  results.windowRunsCaught = failingRunsCaught(*history, std::max(0, runs - options.reading.window),
                                               runs, keys, results.windowFailingRuns);
}

// Of a history, the failure model's order for the next run, the order written.
void predict(const History& history, const SparseSuite& suite, RunResults& results) {
  results.predicted = true;
  results.prediction = predictNextRun(history, results.objective == Objective::APFDC);
  if (faultCount(suite) > 0) results.model = scoreOrder(suite, results.prediction.order);
}

// A window in which nothing failed: nothing to search for, and the
// cheapest tests go first, ties in the given order (of a history, the
// failure model's order is written).
int runWithoutFaults(const SuiteOptions& options, const SparseSuite& suite, const History* history,
                     RunResults& results) {
  orderWithoutFaults(suite, results);
  if (history != nullptr) predict(*history, suite, results);
  selectWithinBudget(options, suite, history, results);
  if (results.evaluated) scoreEvaluation(results);
  return printResults(options, suite, results);
}

// Says which tests found no cost in the file, the first few by name.
void warnOfTestsWithoutCost(const std::string& file, const SparseSuite& suite,
                            const std::vector<int>& without) {
  std::fprintf(stderr, "%s: %zu of %d tests have no cost in %s and keep their own: %s\n", PROGRAM,
               without.size(), testCount(suite), file.c_str(), someNames(suite, without).c_str());
}

// Reads the suite, and its costs from the file --costs names; false, with the
// file, line and reason on standard error, on bad input.
bool readInput(const SuiteOptions& options, SparseSuite& suite, SuiteFormat& format,
               History* history) {
  ReadError error;
  bool read = history != nullptr
                  ? readHistorySuite(options.file, *history, suite, error, options.reading)
                  : readSuiteFile(options.file, format, suite, error, options.reading);
  if (history != nullptr) {
    format = SuiteFormat::JUNIT;
    warnOfRunsLeftOut(*history);
  }
  std::string readFile = options.file;
  if (read && !options.costsFile.empty()) {
    std::unordered_map<std::string, float> costs;
    readFile = options.costsFile;
    read = readTestCosts(options.costsFile, options.reading, costs, error);
    const std::vector<int> without = read ? applyTestCosts(suite, costs) : std::vector<int>{};
    if (!without.empty()) warnOfTestsWithoutCost(options.costsFile, suite, without);
  }
  if (!read) reportReadError(readFile, error);
  return read;
}

// Reads the matrix --evaluate names, over the suite's tests; false, with the
// reason on standard error, on bad input or a test the suite lacks.
bool readEvaluation(const SuiteOptions& options, const SparseSuite& suite, RunResults& results,
                    SuiteFormat& format) {
  SparseSuite other;
  ReadError error;
  if (!readSuiteFile(options.evaluateFile, format, other, error, options.reading)) {
    reportReadError(options.evaluateFile, error);
    return false;
  }
  std::string unknownTest;
  if (!alignToSuite(suite, other, results.evaluation, unknownTest)) {
    reportReadError(options.evaluateFile,
                    ReadError{0, "test " + unknownTest + " is not in the suite"});
    return false;
  }
  results.evaluated = true;
  results.evaluationFile = options.evaluateFile;
  return true;
}

// Refuses --window and --items where no file read is of the kind they
// apply to; true when they apply.
bool optionsApply(const SuiteOptions& options, SuiteFormat format, SuiteFormat evaluationFormat) {
  const bool history =
      format == SuiteFormat::JUNIT || evaluationFormat == SuiteFormat::JUNIT ||
      (!options.costsFile.empty() && isHistoryFile(options.costsFile, SuiteFormat::DETECT));
  const bool lcov = format == SuiteFormat::LCOV || evaluationFormat == SuiteFormat::LCOV;
  const char* refused = options.windowGiven && !history ? "--window applies to a JUnit history"
                        : options.itemsGiven && !lcov   ? "--items applies to an lcov tracefile"
                                                        : nullptr;
  if (refused == nullptr) return true;
  std::fprintf(stderr, "%s: %s, and no file read is one\nRun '%s --help' for the options.\n",
               PROGRAM, refused, PROGRAM);
  return false;
}

}  // namespace

int orderSuite(const SuiteOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  catchStopSignals();
  if (options.file == STANDARD_INPUT) std::ios::sync_with_stdio(false);
  SparseSuite suite;
  SuiteFormat format = options.format;
  // A history is also ordered by the failure model learned from its runs.
  History history;
  const bool isHistory = isHistoryFile(options.file, format);
  const bool read = readInput(options, suite, format, isHistory ? &history : nullptr);
  if (stopSignal != 0) return stoppedStatus();
  if (!read) return 2;

  RunResults results;
  SuiteFormat evaluationFormat = SuiteFormat::DETECT;
  if (!options.evaluateFile.empty() && !readEvaluation(options, suite, results, evaluationFormat)) {
    return 2;
  }
  if (stopSignal != 0) return stoppedStatus();
  if (!optionsApply(options, format, evaluationFormat)) return 2;
  results.file = options.file;
  results.formatName = formatName(format);
  results.seed = options.seed;
  results.settings = options.search;
  results.objective = options.objective == "apfd"    ? Objective::APFD
                      : options.objective == "apfdc" ? Objective::APFDC
                                                     : defaultObjective(suite);
  if (faultCount(suite) == 0) {
    return runWithoutFaults(options, suite, isHistory ? &history : nullptr, results);
  }
  scoreBaselines(suite, results);

  seedRandom(options.seed);
  Progress progress = startProgress(stderr, !options.quiet && isTerminal(stderr));
  results.search = runSuiteSearch(suite, options.search, [&](const SearchResult& soFar) {
    showProgress(progress, static_cast<int>(soFar.iterationApfd.size()),
                 options.search.iterationCount, soFar.bestApfd);
    return stopSignal == 0;
  });
  endProgress(progress);
  if (stopSignal != 0) return stoppedStatus();
  results.colony = scoreOrder(suite, results.search.bestOrder);
  // At most one ant a test runs: report what ran.
  results.antsAsked = options.search.antCount;
  results.settings.antCount = std::min(options.search.antCount, testCount(suite));
  findBest(suite, results, options.effortMillions * 1000000);
  if (stopSignal != 0) return stoppedStatus();
  if (isHistory) predict(history, suite, results);
  selectWithinBudget(options, suite, isHistory ? &history : nullptr, results);
  results.elapsedSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  if (results.evaluated) scoreEvaluation(results);
  return printResults(options, suite, results);
}
