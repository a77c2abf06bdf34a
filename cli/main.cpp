// antorder-suite: orders the tests of a suite read from a file with the ant
// colony, and prints how early each order reveals the faults; or replays a
// history of CI runs to show how early each way of ordering would have
// revealed their failures. This file reads the options and hands each mode
// to its own file.
//
// Exit status: 0 done; 1 a result could not be written; 2 bad usage or input;
// 130 interrupted (Ctrl-C), 143 terminated.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/collect_coverage.h"
#include "cli/command_line.h"
#include "cli/messages.h"
#include "cli/options.h"
#include "cli/order_suite.h"
#include "cli/outputs.h"
#include "cli/replay_history.h"
#include "reading/junit_history.h"
#include "runners/runners.h"
#include "text/shown_text.h"

namespace antorder {

namespace {

// A whole number from `least` to `most` in decimal digits, said so in full
// when it is not: a number too large for any type included. It is handed on
// without its leading zeros, so that 010 is ten, not eight as the options'
// own reading would take it; 0x10 and +3 are refused, as every number is
// read the one way.
CLI::Validator wholeNumberFrom(std::uint64_t least, std::uint64_t most) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        std::uint64_t value = 0;
        const char* end = text.data() + text.size();
        const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
          return c >= '0' && c <= '9';
        });
        const auto [stop, status] = std::from_chars(text.data(), end, value);
        if (digits && status == std::errc() && stop == end && value >= least && value <= most) {
          text = std::to_string(value);
          return "";
        }
        return "must be a whole number from " + std::to_string(least) + " to " +
               std::to_string(most) + ", found " + text;
      },
      "N");
}

// A number of seconds above 0, finite.
CLI::Validator positiveSeconds() {
  return CLI::Validator(
      [](const std::string& text) -> std::string {
        double value = 0.0;
        const char* end = text.data() + text.size();
        const auto [stop, status] = std::from_chars(text.data(), end, value);
        if (status == std::errc() && stop == end && std::isfinite(value) && value > 0.0) return "";
        return "must be a number of seconds above 0, found " + text;
      },
      "SECONDS");
}

// The first option of those that take a value given twice, or null.
const CLI::Option* givenTwice(const CLI::App& app, const std::vector<std::string>& arguments) {
  std::vector<const CLI::Option*> seen;
  for (std::size_t at = 1; at < arguments.size(); ++at) {
    const std::string& argument = arguments[at];
    if (argument == "--") break;
    if (argument.rfind("--", 0) != 0) continue;
    const CLI::Option* option = app.get_option_no_throw(argument.substr(0, argument.find('=')));
    // A repeatable option gathers each value it is given.
    if (option == nullptr || option->get_items_expected_min() == 0 ||
        option->get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll ||
        option->get_expected_max() > 1) {
      continue;
    }
    if (std::find(seen.begin(), seen.end(), option) != seen.end()) return option;
    seen.push_back(option);
  }
  return nullptr;
}

// Whether two paths name one file: the same file where both exist, else the
// same path made absolute.
bool sameFile(const std::string& first, const std::string& second) {
  namespace fs = std::filesystem;
  const fs::path a = fs::u8path(first);
  const fs::path b = fs::u8path(second);
  std::error_code status;
  return fs::equivalent(a, b, status) ||
         fs::absolute(a, status).lexically_normal() == fs::absolute(b, status).lexically_normal();
}

using NamedFiles = std::vector<std::pair<const char*, std::string>>;

// Refuses an output named but empty, two outputs at one path, and an output
// at an input's path, which writing would destroy; true when they are apart.
bool outputsApart(const NamedFiles& outputs, const NamedFiles& inputs, const CLI::App& app) {
  for (std::size_t first = 0; first < outputs.size(); ++first) {
    const auto& [option, path] = outputs[first];
    if (path.empty() && app.count(option) > 0) {
      say("%s needs a file name", option);
      return false;
    }
    if (path.empty()) continue;
    for (std::size_t second = first + 1; second < outputs.size(); ++second) {
      if (outputs[second].second.empty() || !sameFile(path, outputs[second].second)) continue;
      say("%s and %s name one file: %s", option, outputs[second].first,
          printable(outputs[second].second).c_str());
      return false;
    }
    for (const auto& [input, inputPath] : inputs) {
      if (inputPath.empty() || inputPath == STANDARD_INPUT) continue;
      if (sameFile(path, inputPath)) {
        say("%s would write over the file %s reads: %s", option, input, printable(path).c_str());
        return false;
      }
      // A history is its folder's reports, diffs and snapshots, and
      // whatever its runs' folders hold.
      if (insideHistory(inputPath, path)) {
        say("%s would write over a file of the history %s reads: %s", option, input,
            printable(path).c_str());
        return false;
      }
    }
  }
  return true;
}

// The runners --runner takes, by their unit of order, the finest first, then
// by name.
std::vector<const Runner*> runnersByUnit() {
  std::vector<const Runner*> sorted = runners();
  const auto rank = [](const Runner* runner) {
    OrderUnit unit = OrderUnit::TEST;
    orderUnitNamed(runner->unit, unit);
    return static_cast<int>(unit);
  };
  std::stable_sort(sorted.begin(), sorted.end(), [&](const Runner* one, const Runner* other) {
    const int oneRank = rank(one);
    const int otherRank = rank(other);
    return oneRank != otherRank ? oneRank < otherRank
                                : std::string(one->name) < std::string(other->name);
  });
  return sorted;
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t at = 0; at < items.size(); ++at) {
    if (at > 0) text += at + 1 == items.size() ? " and " : ", ";
    text += items[at];
  }
  return text;
}

// --runner's help, from the runners' rows: what a coarser unit changes, and
// which runners run test by test.
std::string runnerHelp() {
  std::vector<std::string> together;
  std::vector<std::string> byUnit;
  std::vector<std::string> wholeUnits;
  std::vector<std::string> byTest;
  for (const Runner* runner : runnersByUnit()) {
    const std::string unit = runner->unit;
    if (unit == orderUnitName(OrderUnit::TEST)) {
      byTest.emplace_back(runner->name);
      continue;
    }
    std::string clause = runner->name;
    clause += together.empty() ? " runs a " : " a ";
    clause += unit;
    clause += together.empty() ? "'s tests together" : "'s";
    together.push_back(clause);
    std::string steps = unit;
    steps += " by ";
    steps += unit;
    byUnit.push_back(steps);
    wholeUnits.push_back(unit + (unit.back() == 's' ? "es" : "s"));
  }
  std::string help = "The runner that runs the order: ";
  if (!together.empty()) {
    const auto firstAndOthers = [](const std::vector<std::string>& items) {
      const std::vector<std::string> others(items.begin() + 1, items.end());
      return others.empty() ? items[0] : items[0] + " (" + listed(others) + ")";
    };
    help += listed(together) + ", so the order written is regrouped " + firstAndOthers(byUnit) +
            ", the budget and the shards take whole " + firstAndOthers(wholeUnits) +
            ", and the summary scores the order as it runs; ";
  }
  return help + listed(byTest) + " run test by test (default)";
}

// The help's sections after the options, each a heading alone on its line,
// as help2man makes sections of the manual from them.
std::string helpFooter() {
  std::string text = "Formats:\n";
  for (const SuiteFormat format : FORMATS) {
    text += "  " + std::string(formatName(format)) + "\n      " + formatDescription(format) + "\n";
  }
  text +=
      "\nHistory:\n"
      "  A folder of JUnit reports is a history of runs: each .xml file directly inside is a "
      "run, each folder inside a run of every .xml file under it, runs in name order (run-9 "
      "before run-10), the oldest first. A run whose report cannot be read, or in which no test "
      "ran, is left out with a warning. The last --window runs make the suite: every test that "
      "ran in them, each failure a fault. The order written is the failure model's, learned "
      "from every run; --replay replays the failing runs, each ordered from the runs before "
      "it.\n"
      "\nFiles:\n"
      "  The files of --order, --plot and --csv appear whole or not at all, once standard "
      "output is written too.\n"
      "\nExit status:\n"
      "  0    done\n"
      "  1    a result could not be written (the reason on standard error)\n"
      "  2    bad usage or bad input\n"
      "  130  stopped by Ctrl-C (SIGINT)\n"
      "  143  stopped by SIGTERM\n"
      "\nExamples:\n"
      "  antorder-suite faults.csv --order order.txt\n"
      "  antorder-suite coverage.info --costs ci-reports/ --evaluate faults.csv\n"
      "  antorder-suite ci-reports/ --order order.txt\n"
      "  antorder-suite ci-reports/ --coverage coverage.json --changes next.diff --order "
      "order.txt\n"
      "  antorder-suite --replay ci-reports/ --budget 60\n"
      "  antorder-suite --collect-coverage build/ --output coverage.info\n";
  return text;
}

// What the options are read into before they are checked and kept.
struct Parsing {
  std::map<std::string, SuiteFormat> formats;  // by the names --input takes
  std::string format;
  std::string items = "lines";
  double budgetSeconds = 0.0;
  std::int64_t effortMillions = 0;
  std::string shard;  // I/N
  bool replay = false;
  CLI::Option* budget = nullptr;
  CLI::Option* effort = nullptr;
  CLI::Option* replayFlag = nullptr;
  CLI::Option* collect = nullptr;
  CLI::Option* jobs = nullptr;
};

// The file and how it is read.
void addInputOptions(CLI::App& app, Options& options, Parsing& parsing) {
  std::vector<std::string> formatNames;
  for (const SuiteFormat format : FORMATS) {
    parsing.formats.emplace(formatName(format), format);
    formatNames.emplace_back(formatName(format));
  }
  app.add_option("FILE", options.file,
                 "The suite, in any of the formats below; - for standard input")
      ->option_text(" ");
  app.add_option(
         "--input", parsing.format,
         "The file's format; by default JUnit for a folder or XML, coverage.py's JSON for JSON, "
         "lcov by a first record TN: "
         "or SF:, SIR by its first line, CSV "
         "by a .csv name (on standard input, by a comma or a # comment in the first line), "
         "otherwise lists")
      ->check(CLI::IsMember(formatNames))
      ->option_text(CLI::detail::join(formatNames, "|"));
  app.add_option("--window", options.reading.window,
                 "Of a JUnit history, the last N runs make the suite (default 50)")
      ->transform(wholeNumberFrom(1, 1u << 30))
      ->option_text("N");
  app.add_option("--items", parsing.items,
                 "Of coverage, what a test reveals: the lines it runs, the branches it takes "
                 "or the functions it calls (default lines)")
      ->check(CLI::IsMember({"lines", "branches", "functions"}))
      ->option_text("lines|branches|functions");
  app.add_option("--costs", options.costsFile,
                 "Take the tests' costs from this file: a CSV of test,cost, or a JUnit report or "
                 "folder (each test's median time); a pytest node id matches its JUnit key")
      ->option_text("FILE");
}

// The colony's and the best order's.
void addSearchOptions(CLI::App& app, Options& options, Parsing& parsing) {
  app.add_option("--ants", options.search.antCount,
                 "Ants per iteration, at least 1, at most one per test (default 5)")
      ->transform(wholeNumberFrom(1, 1u << 30))
      ->option_text("N");
  app.add_option("--iterations", options.search.iterationCount,
                 "Colony iterations, at least 1 (default 100)")
      ->transform(wholeNumberFrom(1, 1u << 30))
      ->option_text("N");
  app.add_option("--seed", options.seed,
                 "Seed of the random generator, 0 to 4294967295 (default " +
                     std::to_string(RANDOM_SEED) + ")")
      ->transform(wholeNumberFrom(0, 4294967295u))
      ->option_text("N");
  app.add_option("--objective", options.objective,
                 "What the best order maximises; by default apfdc where the tests' costs differ, "
                 "else apfd")
      ->check(CLI::IsMember({"apfd", "apfdc"}))
      ->option_text("apfd|apfdc");
  parsing.effort =
      app.add_option("--effort", parsing.effortMillions,
                     "The search for the best order stops after this many million steps, the "
                     "same on every machine (default 100, about a third of a second; with "
                     "--replay 1 per run)")
          ->transform(wholeNumberFrom(1, 1000000000))
          ->option_text("N");
}

// The files written and what is printed.
void addOutputOptions(CLI::App& app, Options& options) {
  app.add_option("--order", options.orderFile,
                 "Write the best order here, a test a line (of a history, the failure model's)")
      ->option_text("FILE");
  app.add_option("--plot", options.plotFile,
                 "Draw the orders' fault curves and the colony's search here, as SVG")
      ->option_text("FILE.svg");
  app.add_option("--csv", options.csvFile,
                 "Write the orders side by side here, as CSV: position, given order, "
                 "additional greedy, ant colony, best order (and of a history, failure model)")
      ->option_text("FILE");
  app.add_option("--tests", options.testsFile,
                 "The next run's tests, as ctest --show-only=json-v1, pytest --collect-only -q, "
                 "a GoogleTest binary's --gtest_list_tests or a name a line list them: the "
                 "order holds exactly these")
      ->option_text("FILE");
  app.add_option("--ctest-costs", options.ctestCostsFile,
                 "Write the order as ctest's cost-data file, which ctest -j N starts its tests "
                 "by: BUILD/Testing/Temporary/CTestCostData.txt")
      ->option_text("FILE");
  app.add_option("--ctest-properties", options.ctestPropertiesFile,
                 "Write the order as a CMake script of each test's COST, which a serial ctest "
                 "runs by: include it last in the top-level CMakeLists.txt")
      ->option_text("FILE");
  CLI::Option* json =
      app.add_flag(
             "--json", options.json,
             "Print the results as one JSON document instead of the summary; not with --trace")
          ->option_text(" ");
  app.add_flag("--trace", options.trace, "Print each iteration's selected APFD before the summary")
      ->excludes(json)
      ->option_text(" ");
  app.add_flag("--quiet", options.quiet, "Show no progress line on a terminal")->option_text(" ");
}

// The evaluation, the replay, the budget and the replay's threads.
void addModeOptions(CLI::App& app, Options& options, Parsing& parsing) {
  CLI::Option* evaluate =
      app.add_option("--evaluate", options.evaluateFile,
                     "Score every order also against this matrix (of real faults, say), in any "
                     "of the formats, its tests matched by name")
          ->option_text("FILE");
  parsing.replayFlag =
      app.add_flag("--replay", parsing.replay,
                   "FILE is a folder of JUnit runs: replay each failing run, ordering its tests "
                   "from the runs before it by every strategy, and score how soon each shows "
                   "its failures; not with --evaluate")
          ->excludes(evaluate)
          ->option_text(" ");
  parsing.budget =
      app.add_option("--budget", parsing.budgetSeconds,
                     "Select from the order the tests whose expected times fit this many "
                     "seconds, first fit: the order files hold them; with --replay, also give "
                     "the share of failing runs whose first failure shows within that time")
          ->check(positiveSeconds())
          ->option_text("SECONDS");
  app.add_option("--rest", options.restFile,
                 "With --budget or --shard: write the tests left out here, in order, a test a "
                 "line")
      ->option_text("FILE");
  std::vector<std::string> runnerNames;
  for (const Runner* runner : runnersByUnit()) runnerNames.emplace_back(runner->name);
  app.add_option("--runner", options.runner, runnerHelp())
      ->check(CLI::IsMember(runnerNames))
      ->option_text("NAME");
  options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  parsing.jobs = app.add_option("--jobs", options.jobs,
                                "With --replay: replay this many runs at once; with "
                                "--collect-coverage: run this many tests at once (default: the "
                                "machine's hardware threads); the results are the same for any "
                                "number")
                     ->transform(wholeNumberFrom(1, 1024))
                     ->option_text("N");
}

// The change under test, and the coverage it is placed on tests by.
void addChangeOptions(CLI::App& app, Options& options, const Parsing& parsing) {
  CLI::Option* changes =
      app.add_option("--changes", options.changesFile,
                     "The change the next run tests, a diff as git diff writes it (- for "
                     "standard input): the tests it touches go first where the history "
                     "has not learned better; not with --replay, which reads each run's "
                     "RUN.diff beside its report")
          ->excludes(parsing.replayFlag)
          ->option_text("DIFF");
  app.add_option("--coverage", options.coverageFile,
                 "Per-test coverage (lcov with a test per TN:, or coverage.py JSON with "
                 "contexts), measured before the history's first diff: a change touches "
                 "the tests that cover its lines")
      ->option_text("FILE");
  app.add_option("--changes-ignore", options.changesIgnored,
                 "A path no test depends on, as a .gitignore names it (*.md at any depth, "
                 "docs/ a folder, a/b anchored at the root, ** across folders); repeatable. "
                 "Such changed files are neither placed nor listed, unless a test has one "
                 "for its own file")
      ->check([](const std::string& pattern) -> std::string {
        if (pattern.empty() || pattern.find_first_not_of('/') == std::string::npos) {
          return "an empty pattern names no path";
        }
        if (pattern[0] == '!') return "a pattern that excepts (!) is not read: name what to ignore";
        return "";
      })
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->option_text("GLOB");
  app.add_flag("--fail-closed", options.failClosed,
               "With --changes and --budget: where a change touches no test known to depend "
               "on it (a build file, conftest.py), select every test")
      ->needs(changes)
      ->needs(parsing.budget)
      ->option_text(" ");
}

// Reads --shard's I/N, leading zeros alike (0003/4 is 3/4); false where it
// is not two whole numbers with 1 <= I <= N <= 1024.
bool readShard(const std::string& text, int& shard, int& count) {
  const auto number = [](const std::string& part, int& value) {
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::size_t first = std::min(part.find_first_not_of('0'), part.size());
    if (part.size() - first > 4) return false;
    value = first == part.size() ? 0 : std::stoi(part.substr(first));
    return true;
  };
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos || !number(text.substr(0, slash), shard) ||
      !number(text.substr(slash + 1), count)) {
    return false;
  }
  return shard >= 1 && shard <= count && count <= 1024;
}

// The machines a suite is split over: the shard to run, or with --replay
// how many to score each order split over.
void addShardOptions(CLI::App& app, Options& options, Parsing& parsing) {
  app.add_option("--shard", parsing.shard,
                 "Split the order over N machines, each starting with its share of the likely "
                 "failures and all finishing together; the order files hold shard I's tests "
                 "(with --budget its selection within the budget), --rest every other test, "
                 "and --ctest-properties labels each test antorder-shard-I")
      ->check(CLI::Validator(
          [](const std::string& text) {
            int shard = 0;
            int count = 0;
            if (readShard(text, shard, count)) return std::string();
            return "a shard is I/N, from 1/N to N/N, N at most 1024: " + text;
          },
          "I/N"))
      ->excludes(parsing.replayFlag)
      ->option_text("I/N");
  app.add_option("--shards", options.shardCount,
                 "With --replay: score each order split over N machines, the first failure "
                 "being the first on any of them")
      ->transform(wholeNumberFrom(1, 1024))
      ->needs(parsing.replayFlag)
      ->option_text("N");
}

// Per-test coverage of a CMake build's ctest tests.
void addCollectOptions(CLI::App& app, Options& options, Parsing& parsing) {
  parsing.collect =
      app.add_option("--collect-coverage", options.collectFolder,
                     "Instead of ordering, run each of the ctest tests of this CMake build "
                     "(built with --coverage) on its own, --jobs at a time, and write their "
                     "per-test coverage to --output as lcov, a TN: a test named as ctest names "
                     "it")
          ->option_text("BUILD_DIR");
  app.add_option("--output", options.outputFile,
                 "With --collect-coverage: the lcov tracefile to write (- for standard output)")
      ->needs(parsing.collect)
      ->option_text("FILE");
  app.add_option("--include", options.includeSources,
                 "With --collect-coverage: keep the sources under this path, or matching this "
                 "glob (* crosses /); repeatable (default: under the build's source folder, "
                 "outside the build folder)")
      ->needs(parsing.collect)
      ->option_text("PATH");
  app.add_option("--exclude", options.excludeSources,
                 "With --collect-coverage: leave out the sources under this path, or matching "
                 "this glob; repeatable")
      ->needs(parsing.collect)
      ->option_text("PATH");
  app.add_option("--gcov", options.gcov,
                 "With --collect-coverage: the gcov of the compiler the build used (default "
                 "gcov)")
      ->needs(parsing.collect)
      ->option_text("PROGRAM");
}

// With --collect-coverage only its own options, and --output; true when so.
bool collectOptionsHoldTogether(const CLI::App& app, const Options& options) {
  std::vector<std::string> own = {
      "--collect-coverage", "--include", "--exclude", "--gcov", "--jobs", "--quiet"};
  NamedFiles outputs;
  for (const OutputOption& output : outputOptions()) {
    if (!takesOutput(output, Mode::COLLECT)) continue;
    if (!standardOutputFits(output, options)) return false;
    own.emplace_back(output.option);
    outputs.emplace_back(output.option, options.*output.path);
  }
  for (const CLI::Option* option : app.get_options()) {
    if (option->count() == 0) continue;
    const std::string name = option->get_name();
    if (std::find(own.begin(), own.end(), name) != own.end()) continue;
    refuseUsage("%s cannot be used with --collect-coverage", name.c_str());
    return false;
  }
  if (options.outputFile.empty()) {
    refuseUsage("--collect-coverage requires --output");
    return false;
  }
  return outputsApart(outputs, {}, app);
}

// Refuses what the mode does not take, or two outputs to one file; true
// when the options hold together.
bool optionsHoldTogether(const CLI::App& app, const Options& options) {
  if (options.mode == Mode::COLLECT) return collectOptionsHoldTogether(app, options);
  if (app.count("FILE") == 0) {
    refuseUsage("FILE is required");
    return false;
  }
  if (app.count("--jobs") > 0 && options.mode != Mode::REPLAY) {
    refuseUsage("--jobs requires --replay or --collect-coverage");
    return false;
  }
  // Every output of ordering or replaying is checked in either mode: one
  // the replay does not take is refused below, after a clash of files.
  NamedFiles outputs;
  std::vector<const char*> orderingOnly = {"--input", "--items", "--costs"};
  for (const OutputOption& output : outputOptions()) {
    if (!takesOutput(output, Mode::ORDER) && !takesOutput(output, Mode::REPLAY)) continue;
    if (!standardOutputFits(output, options)) return false;
    outputs.emplace_back(output.option, options.*output.path);
    if (!takesOutput(output, Mode::REPLAY)) orderingOnly.push_back(output.option);
  }
  orderingOnly.insert(orderingOnly.end(), {"--trace", "--tests"});
  if (!outputsApart(outputs,
                    {{"FILE", options.file},
                     {"--costs", options.costsFile},
                     {"--evaluate", options.evaluateFile},
                     {"--tests", options.testsFile},
                     {"--changes", options.changesFile},
                     {"--coverage", options.coverageFile}},
                    app)) {
    return false;
  }
  const std::vector<std::string> inputs = {options.file,         options.costsFile,
                                           options.evaluateFile, options.testsFile,
                                           options.changesFile,  options.coverageFile};
  if (std::count(inputs.begin(), inputs.end(), std::string(STANDARD_INPUT)) > 1) {
    refuseUsage("only one input can be read from standard input (-)");
    return false;
  }
  if (!options.restFile.empty() && !options.budgetSeconds && options.shard == 0) {
    refuseUsage("--rest requires --budget or --shard");
    return false;
  }
  if (options.mode != Mode::REPLAY) return true;
  // The replay's budget and shards count tests; a runner of a coarser unit
  // would run whole units of them, which they do not yet score.
  if (options.unit != OrderUnit::TEST && (options.budgetSeconds || options.shardCount > 1)) {
    refuseUsage("--runner %s cannot be used with --replay and --budget or --shards",
                options.runner.c_str());
    return false;
  }
  // Of the ordering options, the replay takes the colony's and the best order's.
  const auto given = std::find_if(orderingOnly.begin(), orderingOnly.end(),
                                  [&](const char* other) { return app.count(other) > 0; });
  if (given == orderingOnly.end()) return true;
  refuseUsage("%s cannot be used with --replay", *given);
  return false;
}

// Reads the options; -1 when they are read, else the exit status (0 for
// --help and --version).
int parseOptions(int argc, char** argv, Options& options) {
  CLI::App app{
      "Orders the tests of a suite with an ant colony so that its faults are revealed "
      "early, improves the colony's order with a local search, and scores the orders by APFD "
      "(and, where costs differ, APFDc) against the given order and additional greedy. With "
      "--replay, replays a history of JUnit runs instead: how soon each way of ordering would "
      "have shown each failing run's failures.",
      PROGRAM};
  app.footer(helpFooter());
  // The same options on every platform: "/x" is a path, not an option, on Windows too.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string(PROGRAM) + " " + ANTORDER_VERSION);
  Parsing parsing;
  addInputOptions(app, options, parsing);
  addSearchOptions(app, options, parsing);
  addOutputOptions(app, options);
  addModeOptions(app, options, parsing);
  addChangeOptions(app, options, parsing);
  addShardOptions(app, options, parsing);
  addCollectOptions(app, options, parsing);

  const std::vector<std::string> arguments = commandLineArguments(argc, argv);
  std::vector<const char*> argumentText;
  argumentText.reserve(arguments.size());
  for (const std::string& argument : arguments) argumentText.push_back(argument.c_str());
  if (const CLI::Option* twice = givenTwice(app, arguments)) {
    refuseUsage("%s is given twice", twice->get_name().c_str());
    return 2;
  }
  try {
    app.parse(static_cast<int>(argumentText.size()), argumentText.data());
  } catch (const CLI::ParseError& usage) {
    if (usage.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(usage);
    refuseUsage("%s", usage.what());
    return 2;
  }
  if (!parsing.format.empty()) options.format = parsing.formats.at(parsing.format);
  const std::map<std::string, CoverageItems> coverageItems = {
      {"lines", CoverageItems::LINES},
      {"branches", CoverageItems::BRANCHES},
      {"functions", CoverageItems::FUNCTIONS}};
  options.reading.items = coverageItems.at(parsing.items);
  options.windowGiven = app.count("--window") > 0;
  options.itemsGiven = app.count("--items") > 0;
  if (parsing.budget->count() > 0) options.budgetSeconds = parsing.budgetSeconds;
  if (parsing.effort->count() > 0) options.effortMillions = parsing.effortMillions;
  if (const Runner* runner = runnerNamed(options.runner); runner != nullptr) {
    orderUnitNamed(runner->unit, options.unit);
  }
  if (!parsing.shard.empty()) {
    readShard(parsing.shard, options.shard, options.shardCount);
  }
  options.mode = parsing.collect->count() > 0 ? Mode::COLLECT
                 : parsing.replay             ? Mode::REPLAY
                                              : Mode::ORDER;
  return optionsHoldTogether(app, options) ? -1 : 2;
}

// Reads the options and hands them to the mode asked for; every bad input
// is handled there.
int parseAndRun(int argc, char** argv) {
  Options options;
  const int status = parseOptions(argc, argv, options);
  if (status >= 0) return status;
  if (options.mode == Mode::COLLECT) return collectCoverageMode(options);
  return options.mode == Mode::REPLAY ? replayRuns(options) : orderSuite(options);
}

}  // namespace

}  // namespace antorder

int main(int argc, char** argv) {
  try {
    return antorder::parseAndRun(argc, argv);
  } catch (const std::bad_alloc&) {
    antorder::say("out of memory");
  } catch (const std::exception& failure) {
    antorder::say("%s", failure.what());
  }
  return 1;
}
