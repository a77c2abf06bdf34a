#pragma once

// Reads a suite from a file in one of these formats:
// - CSV: a header row, then one row per test: its name, optional cost and
//   severity columns, and a 0 or 1 for each fault column;
// - SIR fault matrix: "<V> listversions", "<T> listtests", T lines of test
//   inputs, then for each test a block "unitest<k>:" of V pairs "v<j>:" and 0 or 1;
// - lists: line k is test t<k> and holds the ids of the faults it reveals;
// - JUnit XML: a report, or a folder of them, read as a history of runs
//   (see junit_history.h);
// - lcov tracefiles with a test name per capture: the lines (or branches,
//   or functions) each test runs;
// - coverage.py JSON reports with contexts: the lines each test runs;
// - PIT's mutations.xml and Stryker's mutation-testing report: the mutants
//   each test kills.
// Memory follows the tests and the ones, not what a header announces.

#include <istream>
#include <string>

#include "reading/junit_history.h"
#include "suite/sparse_suite.h"
#include "suite/suite_builder.h"

namespace antorder {

enum class SuiteFormat { DETECT, CSV, SIR, LISTS, JUNIT, LCOV, COVERAGE_JSON, PIT, STRYKER };

// What a format's reading takes besides the file.
struct ReadOptions {
  int window = DEFAULT_WINDOW;                 // runs of a history, at least 1
  CoverageItems items = CoverageItems::LINES;  // of coverage
};

// The path that names standard input.
constexpr const char* STANDARD_INPUT = "-";

// The format a file is in, when not given: JUnit (or PIT, by its root
// <mutations>) by a first line that starts with "<", coverage.py JSON (or
// Stryker's, by its "schemaVersion") by "{", lcov by a first record TN: or SF:, SIR by its first
// line, CSV by a name ending in .csv (on standard input, by a first line that holds a comma or
// starts a # comment), otherwise lists.
SuiteFormat detectFormat(const std::string& name, const std::string& firstLine);

// "csv", "sir", "lists", "junit", "lcov", "coverage-json", "pit" or "stryker";
// "detect" for DETECT.
const char* formatName(SuiteFormat format);

// Every format, in the order the help lists them.
constexpr SuiteFormat FORMATS[] = {
    SuiteFormat::CSV,  SuiteFormat::SIR,           SuiteFormat::LISTS, SuiteFormat::JUNIT,
    SuiteFormat::LCOV, SuiteFormat::COVERAGE_JSON, SuiteFormat::PIT,   SuiteFormat::STRYKER};

// What a file of the format holds, and how it is told from the others.
const char* formatDescription(SuiteFormat format);

// Reads the suite from the stream; `name` serves to detect the format, and
// DETECT becomes the format found. False, with the line and the reason, on
// input that is not a suite.
bool readSuite(std::istream& in, const std::string& name, SuiteFormat& format, SparseSuite& suite,
               ReadError& error, const ReadOptions& options = {});

// Opens the file, named in UTF-8, or standard input for "-", and reads the
// suite, `format` becoming the format read; a path that cannot be read is an
// error of line 0. A history of runs (see readHistory) gives the suite of
// its last options.window runs; a caller that wants the runs too reads it
// with readHistory.
bool readSuiteFile(const std::string& path, SuiteFormat& format, SparseSuite& suite,
                   ReadError& error, const ReadOptions& options = {});

// What a file is read as a history for; each option tells a history its own way.
enum class HistoryUse {
  // The file to order, and --evaluate: a folder, or JUnit XML given or
  // detected (XML whose root is not <mutations>); standard input never is.
  SUITE,
  // --costs: a folder, or a file or standard input whose first byte is "<";
  // standard input holds one report.
  COSTS,
  // --replay: anything but a file that is not JUnit XML as SUITE tells it.
  RUNS,
};

enum class HistoryRead { NOT_A_HISTORY, READ, REFUSED };

// Whether the path is a history of runs for `use` and, where it is, its
// runs read: shards of one run joined, each run's diff and coverage
// snapshot kept once (see readJunitPath), `jobs` reports at a time.
// `format` becomes JUNIT for a history; for SUITE, where it was DETECT, the
// format the file's start tells. REFUSED, with the file, line and reason in
// `error`, for a history that cannot be read; NOT_A_HISTORY leaves the
// input unread.
HistoryRead readHistory(const std::string& path, SuiteFormat& format, HistoryUse use,
                        History& history, ReadError& error, int jobs = 1);

// The suite of a history's last `window` runs (see buildHistorySuite).
bool suiteOfHistory(const History& history, int window, SparseSuite& suite, ReadError& error);

// Reads a history's runs, and its suite over the last options.window runs.
bool readHistorySuite(const std::string& path, History& history, SparseSuite& suite,
                      ReadError& error, const ReadOptions& options = {});

}  // namespace antorder
