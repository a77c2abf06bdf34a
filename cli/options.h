#pragma once

// antorder-suite's options, as read from the command line: one set for
// every mode, each mode taking those that apply to it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formulas/formulas.h"
#include "ordering/order_units.h"
#include "ordering/suite_colony.h"
#include "reading/suite_reader.h"

namespace antorder {

enum class Mode {
  ORDER,    // order a suite, or a history's next run
  REPLAY,   // replay a history's failing runs
  COLLECT,  // collect per-test coverage from a build's ctest tests
};

struct Options {
  Mode mode = Mode::ORDER;
  std::string file;  // the suite, or the history replayed
  SuiteFormat format = SuiteFormat::DETECT;
  ReadOptions reading;
  SearchSettings search;
  std::uint32_t seed = RANDOM_SEED;
  std::string objective;                       // "apfd", "apfdc", or empty for the default
  std::optional<std::int64_t> effortMillions;  // else each mode's own
  std::string costsFile;                       // costs for the suite's tests, from another file
  std::string evaluateFile;                    // another matrix to score every order against
  std::string testsFile;                       // the next run's tests, as a runner lists them
  std::optional<double> budgetSeconds;         // the order files then hold what fits
  std::string changesFile;                     // the change the next run tests, a diff
  std::string coverageFile;                    // per-test coverage, to place changes by
  std::vector<std::string> changesIgnored;     // --changes-ignore: paths no test depends on
  bool failClosed = false;           // a change no test is known to depend on selects every test
  int jobs = 1;                      // runs replayed at once
  int shard = 0;                     // of --shard I/N, I counted from 1; 0 without it
  int shardCount = 1;                // N of --shard I/N, or of --shards with --replay
  std::string runner;                // --runner: the runner named, empty without it
  OrderUnit unit = OrderUnit::TEST;  // the unit that runner orders by
  // Where to write: empty, not asked for.
  std::string orderFile;
  std::string plotFile;
  std::string csvFile;
  std::string ctestCostsFile;       // the order as ctest's cost-data file
  std::string ctestPropertiesFile;  // the order as a CMake script of COST properties
  std::string restFile;             // the tests the budget leaves out, in order
  // Of --collect-coverage: the build folder, the tracefile written, the
  // sources kept and the gcov that reads the counters.
  std::string collectFolder;
  std::string outputFile;
  std::vector<std::string> includeSources;
  std::vector<std::string> excludeSources;
  std::string gcov = "gcov";
  bool json = false;
  bool trace = false;
  bool quiet = false;
  bool windowGiven = false;  // --window and --items were given: refused where they do not apply
  bool itemsGiven = false;
};

}  // namespace antorder
