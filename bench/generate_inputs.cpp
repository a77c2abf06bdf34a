// Writes seeded inputs in the shapes real tools write, for measuring
// antorder-suite's readers as whole processes:
//   antorder_generate_input junit-history DIR --runs 50 --tests 2000 [--first-tests 1500]
//     [--tests-per-run 2 --broken-share 0.43 --new-fail-share 0.4 --long-times]
//   antorder_generate_input lcov --tests 1000 --files 2000 > coverage.info
//   antorder_generate_input coverage-json --tests 1000 --lines 100000 > coverage.json
// The same options and seed give the same bytes on every platform.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace {

// A uniform draw from 0 to bound - 1 from the engine's raw output, which the
// standard fixes for every platform (its distributions it does not).
std::uint32_t drawBelow(std::mt19937& engine, std::uint32_t bound) {
  return static_cast<std::uint32_t>(engine() % bound);
}

bool drawWith(std::mt19937& engine, double share) {
  return engine() < static_cast<std::uint32_t>(share * 4294967295.0);
}

struct HistoryShape {
  int runs = 50;
  int tests = 2000;     // in the last run
  int firstTests = -1;  // in the first run, the suite growing evenly to `tests`; -1: all

  double failShare = 0.002;  // of the tests that passed in their last run
  double againShare = 0.3;   // of the tests that failed in their last run
  std::uint32_t seed = 1;
  // Each run runs only some of the tests, near the newest: this many at the
  // median, from 1/256 to 256 times as many; 0: every test.
  int testsPerRun = 0;
  double brokenShare = 0.0;    // of the runs, failing every test they run (a broken build)
  double newFailShare = -1.0;  // of the tests in their first run; -1: as failShare
  bool longTimes = false;      // times of 1 s to 36 h rather than 1 ms to 2 s
};

// The tests a run runs, in report order: all present, or a stretch of them
// near the newest, its length drawn around the median asked for.
std::vector<std::size_t> testsOfRun(std::mt19937& engine, const HistoryShape& shape,
                                    std::size_t present) {
  std::vector<std::size_t> tests;
  if (shape.testsPerRun <= 0) {
    for (std::size_t test = 0; test < present; ++test) tests.push_back(test);
    return tests;
  }
  const double ratio = static_cast<double>(1u << drawBelow(engine, 9)) /
                       static_cast<double>(1u << drawBelow(engine, 9));
  const auto size = static_cast<std::size_t>(
      std::min(static_cast<double>(present), std::max(1.0, shape.testsPerRun * ratio)));
  const std::size_t reach = std::min(present, std::max<std::size_t>(size, 200));
  const std::size_t first =
      present - reach + drawBelow(engine, static_cast<std::uint32_t>(reach - size + 1));
  for (std::size_t test = first; test < first + size; ++test) tests.push_back(test);
  return tests;
}

// Each test's usual time: 1 ms to 2 s, or 1 s to 36 h.
std::vector<double> drawTestSeconds(std::mt19937& engine, const HistoryShape& shape) {
  std::vector<double> seconds(static_cast<std::size_t>(shape.tests));
  for (double& time : seconds) {
    time = shape.longTimes ? static_cast<double>(1u << drawBelow(engine, 18))
                           : 0.001 * (1 + drawBelow(engine, 2000));
  }
  return seconds;
}

// The tests present in a run: the suite grows as the project does, from its
// first tests to all of them by the last run.
std::size_t testsPresent(const HistoryShape& shape, int run) {
  if (shape.runs == 1) return static_cast<std::size_t>(shape.tests);
  const int first = shape.firstTests < 0 ? shape.tests : std::min(shape.firstTests, shape.tests);
  return static_cast<std::size_t>(first + static_cast<long long>(shape.tests - first) * (run - 1) /
                                              (shape.runs - 1));
}

// One test's result, pytest-shaped.
void writeTestcase(std::FILE* out, std::size_t test, double time, bool failed) {
  std::fprintf(out,
               "<testcase classname=\"tests.test_module_%zu\" name=\"test_case_%zu\" "
               "file=\"tests/test_module_%zu.py\" line=\"%zu\" time=\"%.3f\">",
               test / 20, test, test / 20, 10 + test % 20 * 7, time);
  if (failed) {
    std::fprintf(out,
                 "<failure message=\"AssertionError: assert 3 == 4\">def test_case_%zu():\n"
                 "&gt;       assert compute() == 4\nE       AssertionError: assert 3 == 4\n"
                 "</failure>",
                 test);
  } else {
    std::fputs(
        "<system-out>setting up fixtures, connecting to the test database, loading "
        "the sample catalogue of 120 items and the price list</system-out>",
        out);
  }
  std::fputs("</testcase>\n", out);
}

// A history of pytest-shaped reports, run-0001.xml on: failures cluster, as
// a test that failed in its last run fails again far more often.
void writeHistory(const std::string& folder, const HistoryShape& shape) {
  std::mt19937 engine(shape.seed);
  std::filesystem::create_directories(folder);
  const auto tests = static_cast<std::size_t>(shape.tests);
  const std::vector<double> seconds = drawTestSeconds(engine, shape);
  std::vector<char> failedLast(tests, 0);
  std::vector<char> ranBefore(tests, 0);
  for (int run = 1; run <= shape.runs; ++run) {
    char name[32];
    std::snprintf(name, sizeof name, "/run-%04d.xml", run);
    std::FILE* out = std::fopen((folder + name).c_str(), "w");
    if (out == nullptr) throw std::runtime_error("cannot write " + folder + name);
    const std::vector<std::size_t> ran = testsOfRun(engine, shape, testsPresent(shape, run));
    const bool broken = shape.brokenShare > 0.0 && drawWith(engine, shape.brokenShare);
    std::fprintf(out,
                 "<?xml version=\"1.0\" encoding=\"utf-8\"?><testsuites><testsuite "
                 "name=\"pytest\" tests=\"%zu\">\n",
                 ran.size());
    for (const std::size_t test : ran) {
      const double share = ranBefore[test] == 0 && shape.newFailShare >= 0.0 ? shape.newFailShare
                           : failedLast[test] != 0                           ? shape.againShare
                                                                             : shape.failShare;
      const bool failed = broken || drawWith(engine, share);
      failedLast[test] = failed ? 1 : 0;
      ranBefore[test] = 1;
      writeTestcase(out, test, seconds[test] * (0.8 + 0.4 * drawBelow(engine, 1000) / 1000.0),
                    failed);
    }
    std::fputs("</testsuite></testsuites>\n", out);
    std::fclose(out);
  }
}

struct CoverageShape {
  int tests = 1000;
  int files = 2000;
  int linesPerFile = 50;
  double share = 0.2;  // of the blocks (lcov) or lines (coverage.py) a test runs
  std::uint32_t seed = 1;
};

// Each file's lines in blocks of 10 to 50 (the last one shorter) that run together.
std::vector<std::vector<int>> drawBlocks(std::mt19937& engine, const CoverageShape& shape) {
  std::vector<std::vector<int>> blockEnd(static_cast<std::size_t>(shape.files));
  for (auto& ends : blockEnd) {
    for (int line = 0; line < shape.linesPerFile;) {
      line = std::min(shape.linesPerFile, line + 10 + static_cast<int>(drawBelow(engine, 41)));
      ends.push_back(line);
    }
  }
  return blockEnd;
}

// An lcov tracefile of one capture per test: each file's lines fall in
// blocks of 10 to 50 that run together.
void writeLcov(const CoverageShape& shape) {
  std::mt19937 engine(shape.seed);
  const std::vector<std::vector<int>> blockEnd = drawBlocks(engine, shape);
  std::string record;
  for (int test = 1; test <= shape.tests; ++test) {
    std::printf("TN:test_%d\n", test);
    for (std::size_t file = 0; file < blockEnd.size(); ++file) {
      record.clear();
      int first = 1;
      for (const int end : blockEnd[file]) {
        if (drawWith(engine, shape.share)) {
          for (int line = first; line <= end; ++line) {
            record += "DA:" + std::to_string(line) + "," + std::to_string(1 + line % 7) + "\n";
          }
        }
        first = end + 1;
      }
      if (record.empty()) continue;
      std::printf("SF:/src/project/module_%zu/source_%zu.c\n%send_of_record\n", file / 100, file,
                  record.c_str());
    }
  }
}

// coverage.py's JSON with contexts: each block of lines run by each test with
// the share given (or, unblocked, each line), its contexts as pytest-cov
// names them.
// The contexts of a line, as JSON strings after the empty context's: each
// test with the share given.
void drawContexts(std::mt19937& engine, const CoverageShape& shape, std::string& contexts) {
  contexts.clear();
  for (int test = 1; test <= shape.tests; ++test) {
    if (!drawWith(engine, shape.share)) continue;
    contexts += ", \"tests/test_module_" + std::to_string(test / 20) + ".py::test_case_" +
                std::to_string(test) + "|run\"";
  }
}

void writeCoverageJson(const CoverageShape& shape, bool blocks) {
  std::mt19937 engine(shape.seed);
  const std::vector<std::vector<int>> blockEnd = drawBlocks(engine, shape);
  std::printf(
      "{\"meta\": {\"version\": \"7.2.7\", \"timestamp\": \"2026-12-01T10:00:00\", "
      "\"branch_coverage\": false, \"show_contexts\": true}, \"files\": {");
  std::string contexts;
  for (std::size_t file = 0; file < blockEnd.size(); ++file) {
    std::printf("%s\"src/project/module_%zu.py\": {\"executed_lines\": [], \"contexts\": {",
                file == 0 ? "" : ", ", file);
    int first = 1;
    for (const int end : blockEnd[file]) {
      for (int line = first; line <= end; ++line) {
        if (line == first || !blocks) drawContexts(engine, shape, contexts);
        std::printf("%s\"%d\": [\"\"%s]", line == 1 ? "" : ", ", line, contexts.c_str());
      }
      first = end + 1;
    }
    std::printf("}}");
  }
  std::printf("}}\n");
}

}  // namespace

int main(int argc, char** argv) try {
  CLI::App app{"Writes seeded inputs in the shapes real tools write."};
  app.require_subcommand(1);
  HistoryShape history;
  std::string folder;
  CLI::App* junit = app.add_subcommand("junit-history", "A folder of JUnit reports, a run each");
  junit->add_option("DIR", folder)->required();
  junit->add_option("--runs", history.runs)->check(CLI::Range(1, 100000));
  junit->add_option("--tests", history.tests)->check(CLI::Range(1, 10000000));
  junit->add_option("--first-tests", history.firstTests, "Tests in the first run (default: all)")
      ->check(CLI::Range(1, 10000000));
  junit
      ->add_option("--fail-share", history.failShare,
                   "Chance that a test fails after passing its last run (default 0.002)")
      ->check(CLI::Range(0.0, 1.0));
  junit
      ->add_option("--again-share", history.againShare,
                   "Chance that a test fails again after failing its last run (default 0.3)")
      ->check(CLI::Range(0.0, 1.0));
  junit->add_option("--seed", history.seed);
  junit
      ->add_option("--tests-per-run", history.testsPerRun,
                   "Each run runs a stretch of the newest tests, this many at the median "
                   "(default: every test)")
      ->check(CLI::Range(0, 10000000));
  junit
      ->add_option("--broken-share", history.brokenShare,
                   "Chance that a run fails every test it runs (default 0)")
      ->check(CLI::Range(0.0, 1.0));
  junit
      ->add_option("--new-fail-share", history.newFailShare,
                   "Chance that a test fails in its first run (default: as --fail-share)")
      ->check(CLI::Range(0.0, 1.0));
  junit->add_flag("--long-times", history.longTimes,
                  "Test times of 1 s to 36 h, as a system test's, not 1 ms to 2 s");
  CoverageShape lcov;
  CLI::App* lcovCommand = app.add_subcommand("lcov", "An lcov tracefile, a capture per test");
  lcovCommand->add_option("--tests", lcov.tests)->check(CLI::Range(1, 1000000));
  lcovCommand->add_option("--files", lcov.files)->check(CLI::Range(1, 1000000));
  lcovCommand->add_option("--seed", lcov.seed);
  CoverageShape json{1000, 1000, 100, 0.02, 1};
  CLI::App* jsonCommand =
      app.add_subcommand("coverage-json", "coverage.py's JSON report with contexts");
  jsonCommand->add_option("--tests", json.tests)->check(CLI::Range(1, 1000000));
  jsonCommand->add_option("--files", json.files)->check(CLI::Range(1, 1000000));
  jsonCommand->add_option("--seed", json.seed);
  bool lineByLine = false;
  jsonCommand->add_flag("--lines-apart", lineByLine,
                        "Each line run on its own draw, rather than in blocks that run together");
  CLI11_PARSE(app, argc, argv);
  if (junit->parsed()) writeHistory(folder, history);
  if (lcovCommand->parsed()) writeLcov(lcov);
  if (jsonCommand->parsed()) writeCoverageJson(json, !lineByLine);
  return 0;
} catch (const std::exception& failure) {
  std::fprintf(stderr, "antorder_generate_input: %s\n", failure.what());
  return 1;
}
