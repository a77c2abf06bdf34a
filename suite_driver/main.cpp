// antorder-suite: orders the tests of a suite read from a file with the ant
// colony, and prints how early each order reveals the faults.
//
// Exit status: 0 done; 1 a result could not be written; 2 bad usage or input;
// 130 interrupted (Ctrl-C), 143 terminated.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#ifndef _WIN32
#include <signal.h>
#endif

#include "ordering/suite_colony.h"
#include "platform/random.h"
#include "reading/suite_reader.h"
#include "reading/test_costs.h"
#include "reporting/json_results.h"
#include "reporting/order_table.h"
#include "reporting/run_results.h"
#include "reporting/summary.h"
#include "reporting/svg_plot.h"
#include "suite_driver/command_line.h"
#include "suite_driver/output_files.h"
#include "suite_driver/progress.h"

namespace {

constexpr const char* PROGRAM = "antorder-suite";

struct Options {
  std::string file;
  SuiteFormat format = SuiteFormat::DETECT;
  ReadOptions reading;
  SearchSettings search;
  std::uint32_t seed = 12345u;
  std::string objective;  // "apfd", "apfdc", or empty for the suite's default
  std::int64_t effortMillions = DEFAULT_SEARCH_EFFORT / 1000000;
  std::string costsFile;  // costs for the suite's tests, from another file
  std::string orderFile;
  std::string plotFile;
  std::string csvFile;
  bool json = false;
  bool trace = false;
  bool quiet = false;
};

// The signal that asked the run to stop, or 0. The run stops at the next
// iteration, removes its temporary files and exits with 128 + the signal.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" {
static void onStopSignal(int signal) {
  stopSignal = signal;
}
}

void catchStopSignals() {
#ifdef _WIN32
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
#else
  // Without SA_RESTART, so that a read of standard input waiting on a terminal ends too.
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

int stoppedStatus() {
  return 128 + stopSignal;
}

// Flushes standard output, and says why when what it wrote is lost.
bool finishStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return true;
  std::fprintf(stderr, "%s: could not write the summary: %s\n", PROGRAM,
               errno != 0 ? std::strerror(errno) : "unknown error");
  return false;
}

using PrintFile = void (*)(std::FILE*, const SparseSuite&, const RunResults&);

void printBestOrder(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  printOrder(out, suite, results.best.order);
}

// Writes every file asked for, each through a temporary file; they are moved
// into place only when all are complete. Returns the exit status.
int writeFiles(const Options& options, const SparseSuite& suite, const RunResults& results) {
  const std::pair<const std::string*, PrintFile> requests[] = {{&options.orderFile, printBestOrder},
                                                               {&options.plotFile, printSvgPlot},
                                                               {&options.csvFile, printOrderTable}};
  std::vector<OutputFile> files;
  std::string failedPath;
  std::string reason;
  for (const auto& [path, print] : requests) {
    if (path->empty()) continue;
    files.emplace_back();
    if (!openOutput(files.back(), *path, reason)) {
      failedPath = *path;
      break;
    }
    print(files.back().out, suite, results);
    if (!closeOutput(files.back(), reason)) {
      failedPath = *path;
      break;
    }
  }
  if (failedPath.empty() && stopSignal == 0) commitOutputs(files, failedPath, reason);
  discardOutputs(files);
  if (stopSignal != 0) return stoppedStatus();
  if (failedPath.empty()) return 0;
  std::fprintf(stderr, "%s: could not write %s: %s\n", PROGRAM, failedPath.c_str(), reason.c_str());
  return 1;
}

// A history in which nothing failed: nothing to search for, and the
// cheapest tests go first, ties in the given order.
int runWithoutFaults(const Options& options, const SparseSuite& suite, RunResults& results) {
  orderWithoutFaults(suite, results);
  const int written = writeFiles(options, suite, results);
  if (written != 0) return written;
  if (options.json) {
    std::fputs(resultsJson(suite, results).c_str(), stdout);
  } else {
    printSummary(stdout, suite, results);
  }
  return finishStandardOutput() ? 0 : 1;
}

// Reads the suite, and its costs from the file --costs names; false, with the
// file, line and reason on standard error, on bad input.
bool readInput(const Options& options, SparseSuite& suite, SuiteFormat& format) {
  ReadError error;
  bool read = readSuiteFile(options.file, format, suite, error, options.reading);
  std::string readFile = options.file;
  if (read && !options.costsFile.empty()) {
    std::unordered_map<std::string, float> costs;
    readFile = options.costsFile;
    read = readTestCosts(options.costsFile, options.reading, costs, error);
    const int without = read ? applyTestCosts(suite, costs) : 0;
    if (without > 0) {
      std::fprintf(stderr, "%s: %d of %d tests have no cost in %s and keep their own\n", PROGRAM,
                   without, testCount(suite), options.costsFile.c_str());
    }
  }
  if (read) return true;
  const std::string name = error.file.empty() ? displayName(readFile) : error.file;
  if (error.line > 0) {
    std::fprintf(stderr, "%s: %s:%ld: %s\n", PROGRAM, name.c_str(), error.line,
                 error.reason.c_str());
  } else {
    std::fprintf(stderr, "%s: %s: %s\n", PROGRAM, name.c_str(), error.reason.c_str());
  }
  return false;
}

int run(const Options& options) {
  const auto start = std::chrono::steady_clock::now();
  catchStopSignals();
  if (options.file == STANDARD_INPUT) std::ios::sync_with_stdio(false);
  SparseSuite suite;
  SuiteFormat format = options.format;
  const bool read = readInput(options, suite, format);
  if (stopSignal != 0) return stoppedStatus();
  if (!read) return 2;

  RunResults results;
  results.file = options.file;
  results.formatName = formatName(format);
  results.seed = options.seed;
  results.settings = options.search;
  if (faultCount(suite) == 0) return runWithoutFaults(options, suite, results);
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
  results.objective = options.objective == "apfd"    ? Objective::APFD
                      : options.objective == "apfdc" ? Objective::APFDC
                                                     : defaultObjective(suite);
  findBest(suite, results, options.effortMillions * 1000000);
  if (stopSignal != 0) return stoppedStatus();
  results.elapsedSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const int written = writeFiles(options, suite, results);
  if (written != 0) return written;
  if (options.json) {
    std::fputs(resultsJson(suite, results).c_str(), stdout);
  } else {
    if (options.trace) printTrace(stdout, results.search);
    printSummary(stdout, suite, results);
  }
  return finishStandardOutput() ? 0 : 1;
}

// Reads the options and runs; every bad input is handled in run itself.
int parseAndRun(int argc, char** argv) {
  CLI::App app{
      "Orders the tests of a suite with an ant colony so that its faults are revealed "
      "early, improves the colony's order with a local search, and scores the orders by APFD "
      "(and, where costs differ, APFDc) against the given order and additional greedy.",
      PROGRAM};
  app.footer(
      "Formats: CSV (a header row, then a row per test: its name, optional cost and severity "
      "columns, and 0 or 1 per fault), a SIR fault matrix, lists (line k is test t<k>, with "
      "the ids of the faults it reveals), JUnit XML (a report, or a folder of them read as "
      "a history of runs, whose failures are the faults), an lcov tracefile with a test name "
      "per capture, or coverage.py's JSON report with test contexts.\n"
      "Files written with --order, --plot and --csv appear whole or not at all.\n"
      "Exit status: 0 done, 1 a result could not be written, 2 bad usage or input, 130 "
      "interrupted.\n");
  // The same options on every platform: "/x" is a path, not an option, on Windows too.
  app.allow_windows_style_options(false);
  Options options;
  // The formats and coverage items by the names the options take.
  std::map<std::string, SuiteFormat> formats;
  std::vector<std::string> formatNames;
  for (const SuiteFormat format :
       {SuiteFormat::CSV, SuiteFormat::SIR, SuiteFormat::LISTS, SuiteFormat::JUNIT,
        SuiteFormat::LCOV, SuiteFormat::COVERAGE_JSON, SuiteFormat::PIT, SuiteFormat::STRYKER}) {
    formats.emplace(formatName(format), format);
    formatNames.emplace_back(formatName(format));
  }
  const std::map<std::string, CoverageItems> coverageItems = {
      {"lines", CoverageItems::LINES},
      {"branches", CoverageItems::BRANCHES},
      {"functions", CoverageItems::FUNCTIONS}};
  std::string format;
  std::string items = "lines";
  app.set_version_flag("--version", std::string(PROGRAM) + " " + ANTORDER_VERSION);
  app.add_option("FILE", options.file,
                 "The suite: a CSV matrix, a SIR fault matrix, lists, or a JUnit report or folder "
                 "of them; - for standard input")
      ->required()
      ->option_text(" ");
  app.add_option(
         "--input", format,
         "The file's format; by default JUnit for a folder or XML, coverage.py's JSON for JSON, "
         "lcov by a first record TN: "
         "or SF:, SIR by its first line, CSV "
         "by a .csv name (on standard input, by a comma or a # comment in the first line), "
         "otherwise lists")
      ->check(CLI::IsMember(formatNames))
      ->option_text(CLI::detail::join(formatNames, "|"));
  app.add_option("--window", options.reading.window,
                 "Of a JUnit history, the last N runs make the suite (default 50)")
      ->check(CLI::Range(1, 1 << 30))
      ->option_text("N");
  app.add_option("--items", items,
                 "Of coverage, what a test reveals: the lines it runs, the branches it takes "
                 "or the functions it calls (default lines)")
      ->check(CLI::IsMember({"lines", "branches", "functions"}))
      ->option_text("lines|branches|functions");
  app.add_option("--costs", options.costsFile,
                 "Take the tests' costs from this file: a CSV of test,cost, or a JUnit report or "
                 "folder (each test's median time); a pytest node id matches its JUnit key")
      ->option_text("FILE");
  app.add_option("--ants", options.search.antCount,
                 "Ants per iteration, at least 1, at most one per test (default 5)")
      ->check(CLI::Range(1, 1 << 30))
      ->option_text("N");
  app.add_option("--iterations", options.search.iterationCount,
                 "Colony iterations, at least 1 (default 100)")
      ->check(CLI::Range(1, 1 << 30))
      ->option_text("N");
  app.add_option("--seed", options.seed,
                 "Seed of the random generator, 0 to 4294967295 (default 12345)")
      ->option_text("N");
  app.add_option("--objective", options.objective,
                 "What the best order maximises; by default apfdc where the tests' costs differ, "
                 "else apfd")
      ->check(CLI::IsMember({"apfd", "apfdc"}))
      ->option_text("apfd|apfdc");
  app.add_option("--effort", options.effortMillions,
                 "The search for the best order stops after this many million steps, the same "
                 "on every machine (default 100, about a third of a second)")
      ->check(CLI::Range(std::int64_t{1}, std::int64_t{1000000000}))
      ->option_text("N");
  app.add_option("--order", options.orderFile, "Write the best order here, a test a line")
      ->option_text("FILE");
  app.add_option("--plot", options.plotFile,
                 "Draw the orders' fault curves and the colony's search here, as SVG")
      ->option_text("FILE.svg");
  app.add_option("--csv", options.csvFile,
                 "Write the four orders side by side here, as CSV: position, given order, "
                 "additional greedy, ant colony, best order")
      ->option_text("FILE");
  CLI::Option* json = app.add_flag("--json", options.json,
                                   "Print the results as one JSON document instead of the summary");
  app.add_flag("--trace", options.trace, "Print each iteration's selected APFD before the summary")
      ->excludes(json);
  app.add_flag("--quiet", options.quiet, "Show no progress line on a terminal");

  const std::vector<std::string> arguments = commandLineArguments(argc, argv);
  std::vector<const char*> argumentText;
  argumentText.reserve(arguments.size());
  for (const std::string& argument : arguments) argumentText.push_back(argument.c_str());
  try {
    app.parse(static_cast<int>(argumentText.size()), argumentText.data());
  } catch (const CLI::ParseError& usage) {
    if (usage.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(usage);
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", PROGRAM, usage.what(),
                 PROGRAM);
    return 2;
  }
  if (!format.empty()) options.format = formats.at(format);
  options.reading.items = coverageItems.at(items);
  return run(options);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return parseAndRun(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: out of memory\n", PROGRAM);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s: %s\n", PROGRAM, failure.what());
  }
  return 1;
}
