#include "cli/order_suite.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/change_inputs.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/outputs.h"
#include "cli/progress.h"
#include "cli/stop_signals.h"
#include "ordering/suite_orders.h"
#include "plan/next_run.h"
#include "reading/test_costs.h"
#include "reporting/json_results.h"
#include "reporting/order_table.h"
#include "reporting/run_results.h"
#include "reporting/summary.h"
#include "reporting/svg_plot.h"
#include "runners/runners.h"
#include "suite/aligned_suite.h"
#include "text/shown_text.h"

namespace antorder {

namespace {

// ctest -j splits a line of its cost-data file at spaces: a test whose name
// holds one would be read as another test, so it is left out of the file.
void warnOfNamesCtestCannotRead(const Options& options, const std::vector<std::string>& names) {
  if (options.ctestCostsFile.empty()) return;
  std::vector<std::string> spaced;
  for (const std::string& name : names) {
    if (!ctestReadsBack(name)) spaced.push_back(name);
  }
  if (spaced.empty()) return;
  warn(
      "ctest -j would read a name holding a space as another test, so %s %s left out of %s "
      "(--ctest-properties carries them): %s",
      counted(static_cast<long long>(spaced.size()), "tests").c_str(),
      spaced.size() == 1 ? "is" : "are", displayName(options.ctestCostsFile).c_str(),
      someNames(spaced).c_str());
}

// Writes every file asked for and prints the results, as JSON or the
// summary; the files are put in place only once all is written. Returns the
// exit status.
int printResults(const Options& options, const SparseSuite& suite, const RunResults& results) {
  const std::vector<std::string> written = writtenNames(results.plan);
  warnOfNamesCtestCannotRead(options, written);
  // ctest makes BUILD/Testing/Temporary only when it first runs: a fresh
  // build folder gets it here, so that the costs reach ctest's first run.
  if (!options.ctestCostsFile.empty()) {
    const std::filesystem::path folder =
        std::filesystem::u8path(options.ctestCostsFile).parent_path();
    std::error_code ignored;  // where it cannot be made, opening the file says why
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  }
  OutputSources sources;
  sources.suite = &suite;
  sources.results = &results;
  sources.written = &written;
  return writeFiles(outputRequests(options, sources), [&] {
    if (options.json) {
      std::fputs(resultsJson(suite, results).c_str(), stdout);
    } else {
      if (options.trace) printTrace(stdout, results.orders.search);
      printSummary(stdout, suite, results);
    }
    return finishStandardOutput();
  });
}

// What the next run's plan is made from, as the options and inputs give it.
PlanInputs planInputsOf(const Options& options, const History* history,
                        const std::vector<std::string>* listed, const ChangeInputs& changes) {
  PlanInputs inputs;
  inputs.history = history;
  inputs.window = options.reading.window;
  inputs.listed = listed;
  inputs.budgetSeconds = options.budgetSeconds;
  if (!changes.runs.empty()) inputs.changes.runs = &changes.runs;
  if (!options.changesFile.empty()) inputs.changes.next = &changes.next;
  inputs.failClosed = options.failClosed;
  inputs.shard = options.shard;
  inputs.shardCount = options.shardCount;
  inputs.unit = options.unit;
  if (options.unit != OrderUnit::TEST) {
    inputs.unitOf = [&options, history](const std::string& key) {
      return runnerUnitOf(options.runner, key, history);
    };
  }
  return inputs;
}

// The seconds the quickest of the tests the plan may select is expected to
// take, of the shard's own where split; a runner of a coarser unit runs
// whole units, so there the quickest unit counts.
double quickestSelectable(const NextRunPlan& plan, const std::vector<int>& selectable) {
  std::vector<double> unitSeconds(
      plan.unit == OrderUnit::TEST ? 0 : static_cast<std::size_t>(plan.unitCount), 0.0);
  for (const int at : selectable) {
    const auto position = static_cast<std::size_t>(at);
    if (!unitSeconds.empty())
      unitSeconds[static_cast<std::size_t>(plan.unitOf[position])] += plan.seconds[position];
  }
  double quickest = std::numeric_limits<double>::infinity();
  for (const int at : selectable) {
    const auto position = static_cast<std::size_t>(at);
    quickest =
        std::min(quickest, unitSeconds.empty()
                               ? plan.seconds[position]
                               : unitSeconds[static_cast<std::size_t>(plan.unitOf[position])]);
  }
  return quickest;
}

// Says what in the plan the user would not expect: a budget that selects
// nothing, a list that leaves out most tests, an empty shard, an unsafe
// selection.
void warnOfPlan(const Options& options, const SparseSuite& suite, const NextRunPlan& plan) {
  const std::vector<int> selectable = selectablePositions(plan);
  if (plan.budgetSeconds && plan.selection.selected.empty() && !selectable.empty()) {
    const char* unit = orderUnitName(plan.unit);
    warn("the budget of %g s selects no %s%s: the quickest is expected to take %g s",
         *plan.budgetSeconds, unit, plan.shard > 0 ? " of the shard" : "",
         quickestSelectable(plan, selectable));
  }
  // A list that leaves out most known tests is more likely a list of the
  // wrong kind, or cut short, than a suite that lost most of its tests.
  if (plan.listed && plan.goneTests * 2 > testCount(suite)) {
    warn(
        "%d of the %d tests known are not in %s and are left out as gone; does it list every "
        "test of the next run?",
        plan.goneTests, testCount(suite), displayName(options.testsFile).c_str());
  }
  if (plan.shard > 0 &&
      std::find(plan.shardOf.begin(), plan.shardOf.end(), plan.shard - 1) == plan.shardOf.end()) {
    warn("shard %d of %d holds no test: there are %zu tests", plan.shard, plan.shardCount,
         plan.names.size());
  }
  if (selectionUnsafe(plan)) {
    warn(
        "the selection is unsafe: no test is known to depend on %s (--fail-closed selects every "
        "test then)",
        someNames(plan.unplacedChanges).c_str());
  }
}

// Everything after the orders are found: the next run's plan, and the
// orders scored against the matrix of --evaluate.
void finishOrders(const Options& options, const SparseSuite& suite, const History* history,
                  const std::vector<std::string>* listed, const ChangeInputs& changes,
                  RunResults& results) {
  results.plan = planNextRun(suite, results.orders, results.objective,
                             planInputsOf(options, history, listed, changes));
  warnOfPlan(options, suite, results.plan);
  if (results.evaluated) scoreEvaluation(results.orders, results.evaluation);
}

// A window in which nothing failed: nothing to search for, and the
// cheapest tests go first, ties in the given order (of a history, the
// failure model's order is written).
int runWithoutFaults(const Options& options, const SparseSuite& suite, const History* history,
                     const std::vector<std::string>* listed, const ChangeInputs& changes,
                     RunResults& results) {
  results.orders = ordersWithoutFaults(suite);
  finishOrders(options, suite, history, listed, changes, results);
  return printResults(options, suite, results);
}

// Says which tests found no cost in the file, the first few by name.
void warnOfTestsWithoutCost(const std::string& file, const SparseSuite& suite,
                            const std::vector<int>& without) {
  std::vector<std::string> names;
  names.reserve(without.size());
  for (const int test : without) names.push_back(suite.testNames[static_cast<std::size_t>(test)]);
  say("%zu of %d tests have no cost in %s and keep their own: %s", without.size(), testCount(suite),
      displayName(file).c_str(), someNames(names).c_str());
}

// Reads the suite of the file, and where it is a history its runs.
bool readSuiteOrHistory(const std::string& path, SuiteFormat& format, const ReadOptions& reading,
                        SparseSuite& suite, History& history, ReadError& error) {
  switch (readHistory(path, format, HistoryUse::SUITE, history, error)) {
    case HistoryRead::READ:
      return suiteOfHistory(history, reading.window, suite, error);
    case HistoryRead::REFUSED:
      return false;
    case HistoryRead::NOT_A_HISTORY:
      break;
  }
  return readSuiteFile(path, format, suite, error, reading);
}

// What reading the inputs found besides the suite.
struct InputsRead {
  SuiteFormat format = SuiteFormat::DETECT;  // the suite's, as read
  History history;                           // of a history, its runs; else none
  bool costsFromHistory = false;             // --costs named a JUnit report or folder
};

// The CI job writes the next run's diff beside the reports before the run
// has one, and gives it with --changes: that diff is no cancelled job's.
void keepNextRunsDiff(const std::string& changesFile, History& history) {
  if (changesFile.empty() || changesFile == "-") return;
  auto& unread = history.filesUnread;
  unread.erase(std::remove_if(unread.begin(), unread.end(),
                              [&](const LeftOutRun& file) {
                                std::error_code failed;
                                return file.reason.rfind("no report of its run", 0) == 0 &&
                                       std::filesystem::equivalent(
                                           std::filesystem::u8path(file.file),
                                           std::filesystem::u8path(changesFile), failed) &&
                                       !failed;
                              }),
               unread.end());
}

// Reads the suite, and its costs from the file --costs names; false, with the
// file, line and reason on standard error, on bad input.
bool readInput(const Options& options, SparseSuite& suite, InputsRead& inputs) {
  ReadError error;
  inputs.format = options.format;
  bool read = readSuiteOrHistory(options.file, inputs.format, options.reading, suite,
                                 inputs.history, error);
  warnOfRunsLeftOut(inputs.history.leftOut);
  warnOfDoubledTests(inputs.history);
  keepNextRunsDiff(options.changesFile, inputs.history);
  warnOfHistoryFiles(inputs.history);
  std::string readFile = options.file;
  if (read && !options.costsFile.empty()) {
    std::unordered_map<std::string, float> costs;
    readFile = options.costsFile;
    std::vector<LeftOutRun> leftOut;
    read = readTestCosts(options.costsFile, options.reading, costs, error, &inputs.costsFromHistory,
                         &leftOut);
    warnOfRunsLeftOut(leftOut);
    const std::vector<int> without = read ? applyTestCosts(suite, costs) : std::vector<int>{};
    if (!without.empty()) warnOfTestsWithoutCost(options.costsFile, suite, without);
  }
  if (!read) reportReadError(readFile, error);
  return read;
}

// Reads the matrix --evaluate names, over the suite's tests; false, with the
// reason on standard error, on bad input or a test the suite lacks.
bool readEvaluation(const Options& options, const SparseSuite& suite, RunResults& results,
                    SuiteFormat& format) {
  SparseSuite other;
  ReadError error;
  History history;
  const bool read =
      readSuiteOrHistory(options.evaluateFile, format, options.reading, other, history, error);
  warnOfRunsLeftOut(history.leftOut);
  if (!read) {
    reportReadError(options.evaluateFile, error);
    return false;
  }
  const std::vector<std::string> leftOut = alignToSuite(suite, other, results.evaluation);
  if (!leftOut.empty()) {
    warn("%s: %s not in the suite, left out of the evaluation: %s",
         displayName(options.evaluateFile).c_str(),
         counted(static_cast<long long>(leftOut.size()), "tests").c_str(),
         someNames(leftOut).c_str());
  }
  if (faultCount(results.evaluation) == 0) {
    reportReadError(options.evaluateFile,
                    ReadError{0, "no test of the suite reveals any of its " + other.itemNoun});
    return false;
  }
  results.evaluated = true;
  results.evaluationFile = options.evaluateFile;
  return true;
}

// Refuses --window and --items where no file read is of the kind they
// apply to; true when they apply.
bool optionsApply(const Options& options, const InputsRead& inputs, SuiteFormat evaluationFormat) {
  const bool history = inputs.format == SuiteFormat::JUNIT ||
                       evaluationFormat == SuiteFormat::JUNIT || inputs.costsFromHistory;
  const bool lcov = inputs.format == SuiteFormat::LCOV || evaluationFormat == SuiteFormat::LCOV;
  const char* refused = options.windowGiven && !history ? "--window applies to a JUnit history"
                        : options.itemsGiven && !lcov   ? "--items applies to an lcov tracefile"
                                                        : nullptr;
  if (refused == nullptr) return true;
  refuseUsage("%s, and no file read is one", refused);
  return false;
}

// The colony's search and the best order's, with a progress line on a
// terminal; stopped by a signal, the orders found so far.
SuiteOrders searchOrders(const Options& options, const SparseSuite& suite, Objective objective) {
  OrderingSettings ordering;
  ordering.search = options.search;
  ordering.seed = options.seed;
  ordering.best.objective = objective;
  ordering.best.effort = options.effortMillions.value_or(DEFAULT_SEARCH_EFFORT / 1000000) * 1000000;
  Progress progress = startProgress(stderr, !options.quiet && isTerminal(stderr));
  SuiteOrders orders = findSuiteOrders(suite, ordering, [&](const SearchResult& soFar) {
    showProgress(progress, static_cast<int>(soFar.iterationApfd.size()),
                 options.search.iterationCount, soFar.bestApfd);
    return stopSignal == 0;
  });
  endProgress(progress);
  return orders;
}

// Of a shard, a short hash of what decides the split, on standard error:
// the history's runs as read (or the suite), the next run's tests and
// change, and the options that bear on the order. Shards of one run print
// the same unless they read different inputs, as when one orders after
// another's report joined the history.
void printInputsFingerprint(const Options& options, const SparseSuite& suite,
                            const History* history, const std::vector<std::string>* listed,
                            const ChangeInputs& changes) {
  std::uint64_t hash = FINGERPRINT_START;
  if (history != nullptr) fingerprintHistory(*history, hash);
  fingerprintNumber(suite.testNames.size(), hash);
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    fingerprintText(suite.testNames[test], hash);
    fingerprintSeconds(static_cast<double>(suite.testCost[test]), hash);
  }
  fingerprintNumber(listed != nullptr ? listed->size() + 1 : 0, hash);
  if (listed != nullptr) {
    for (const std::string& name : *listed) fingerprintText(name, hash);
  }
  const auto addChange = [&](const RunChange& change) {
    fingerprintNumber(change.keys.size(), hash);
    for (const int key : change.keys) fingerprintNumber(static_cast<std::uint64_t>(key), hash);
    fingerprintNumber(change.unplacedFiles.size(), hash);
  };
  fingerprintNumber(changes.runs.size(), hash);
  for (const RunChange& change : changes.runs) addChange(change);
  addChange(changes.next);
  for (const std::int64_t number :
       {static_cast<std::int64_t>(options.shardCount),
        static_cast<std::int64_t>(options.reading.window),
        static_cast<std::int64_t>(options.reading.items),
        static_cast<std::int64_t>(options.search.antCount),
        static_cast<std::int64_t>(options.search.iterationCount),
        static_cast<std::int64_t>(options.seed), options.effortMillions.value_or(-1),
        static_cast<std::int64_t>(options.failClosed ? 1 : 0)}) {
    fingerprintNumber(static_cast<std::uint64_t>(number), hash);
  }
  fingerprintSeconds(options.budgetSeconds.value_or(-1.0), hash);
  fingerprintText(options.objective, hash);
  const auto folded = static_cast<std::uint32_t>(hash ^ (hash >> 32));
  say("inputs: %08lx", static_cast<unsigned long>(folded));
}

// What the results say of the inputs read and of the search asked for.
void noteInputs(const Options& options, const SparseSuite& suite, const InputsRead& inputs,
                const ChangeInputs& changes, RunResults& results) {
  results.file = options.file;
  results.formatName = formatName(inputs.format);
  results.coverageRead = changes.coverageRead;
  results.coverageTests = static_cast<long long>(changes.coverageTests);
  results.coverageMatched = static_cast<long long>(changes.coverageMatched);
  results.seed = options.seed;
  results.runner = options.runner;
  results.settings = options.search;
  results.objective = options.objective == "apfd"    ? Objective::APFD
                      : options.objective == "apfdc" ? Objective::APFDC
                                                     : defaultObjective(suite);
}

}  // namespace

// Orders the suite and writes every file asked for; the exit status.
int orderAndWrite(const Options& options) {
  const auto start = std::chrono::steady_clock::now();
  catchStopSignals();
  if (options.file == STANDARD_INPUT) std::ios::sync_with_stdio(false);
  SparseSuite suite;
  InputsRead inputs;
  const bool read = readInput(options, suite, inputs);
  // A history is also ordered by the failure model learned from its runs.
  const History* history = inputs.history.runs.empty() ? nullptr : &inputs.history;
  if (stopSignal != 0) return stoppedStatus();
  if (!read) return 2;

  // The next run's tests, where they are listed.
  std::vector<std::string> nextTests;
  ChangeInputs changes;
  if (!options.testsFile.empty()) {
    ReadError error;
    if (!readTestList(options.testsFile, nextTests, changes.sources, error)) {
      reportReadError(options.testsFile, error);
      return 2;
    }
  }
  const std::vector<std::string>* listed = options.testsFile.empty() ? nullptr : &nextTests;
  if (history == nullptr && !(options.changesFile.empty() && options.coverageFile.empty())) {
    refuseUsage(
        "--changes and --coverage place a change on a history's tests: FILE must be a JUnit "
        "report or a folder of them");
    return 2;
  }
  if (history != nullptr && !readChanges(options, *history, listed, changes)) return 2;
  if (options.shard > 0) printInputsFingerprint(options, suite, history, listed, changes);

  RunResults results;
  SuiteFormat evaluationFormat = SuiteFormat::DETECT;
  if (!options.evaluateFile.empty() && !readEvaluation(options, suite, results, evaluationFormat)) {
    return 2;
  }
  if (stopSignal != 0) return stoppedStatus();
  if (!optionsApply(options, inputs, evaluationFormat)) return 2;
  noteInputs(options, suite, inputs, changes, results);
  if (faultCount(suite) == 0) {
    return runWithoutFaults(options, suite, history, listed, changes, results);
  }
  results.orders = searchOrders(options, suite, results.objective);
  if (stopSignal != 0) return stoppedStatus();
  // At most one ant a test runs: report what ran.
  results.antsAsked = options.search.antCount;
  results.settings.antCount = std::min(options.search.antCount, testCount(suite));
  finishOrders(options, suite, history, listed, changes, results);
  results.elapsedSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return printResults(options, suite, results);
}

namespace {

// A COST script serves the order it was written with. Written anew, its
// stamp from an earlier order goes; not written (bad input, a failed write,
// a stop), a script of ours from an earlier run is replaced by one that sets
// nothing, so that ctest does not run that run's selection again. A file
// that is not ours stays as it is.
void settleCostScript(const std::string& path, bool written) {
  std::error_code status;
  std::filesystem::remove(std::filesystem::u8path(costScriptStamp(path)), status);
  if (written) return;
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  std::string start(64, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  if (!isCostScript(start)) return;
  std::vector<OutputFile> files(1);
  std::string reason;
  if (openOutput(files[0], path, reason)) {
    printEmptyCostScript(files[0].out);
    if (closeOutput(files[0], reason)) {
      std::string failedPath;
      commitOutputs(files, failedPath, reason);
    }
  }
  discardOutputs(files);
  if (!reason.empty()) {
    say("could not empty %s: %s", printable(path).c_str(), printable(reason).c_str());
  }
}

}  // namespace

int orderSuite(const Options& options) {
  const int status = orderAndWrite(options);
  if (!options.ctestPropertiesFile.empty())
    settleCostScript(options.ctestPropertiesFile, status == 0);
  return status;
}

}  // namespace antorder
