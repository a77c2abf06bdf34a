// antorder-suite: orders the tests of a suite read from a file with the ant
// colony, and prints how early each order reveals the faults.
//
// Exit status: 0 done; 1 a result could not be written; 2 bad usage or input.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "ordering/baselines.h"
#include "ordering/suite_colony.h"
#include "platform/random.h"
#include "reading/suite_reader.h"
#include "suite_driver/summary.h"

namespace {

constexpr const char* PROGRAM = "antorder-suite";

struct Options {
  std::string file;
  SuiteFormat format = SuiteFormat::DETECT;
  SearchSettings search;
  std::uint32_t seed = 12345u;
  std::string orderFile;
  bool trace = false;
};

// Closes a stream the program wrote, and says why when what it wrote is lost.
bool finishWriting(std::FILE* out, const std::string& what) {
  errno = 0;
  const bool flushed = std::fflush(out) == 0 && std::ferror(out) == 0;
  const int error = errno;
  const bool closed = out == stdout || std::fclose(out) == 0;
  if (flushed && closed) return true;
  std::fprintf(stderr, "%s: could not write %s: %s\n", PROGRAM, what.c_str(),
               error != 0 ? std::strerror(error) : "unknown error");
  return false;
}

bool writeOrderFile(const std::string& path, const SparseSuite& suite,
                    const std::vector<int>& order) {
  errno = 0;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "%s: could not write %s: %s\n", PROGRAM, path.c_str(),
                 std::strerror(errno));
    return false;
  }
  printOrder(out, suite, order);
  return finishWriting(out, path);
}

int run(const Options& options) {
  SparseSuite suite;
  ReadError error;
  if (!readSuiteFile(options.file, options.format, suite, error)) {
    if (error.line > 0) {
      std::fprintf(stderr, "%s: %s:%ld: %s\n", PROGRAM, options.file.c_str(), error.line,
                   error.reason.c_str());
    } else {
      std::fprintf(stderr, "%s: %s: %s\n", PROGRAM, options.file.c_str(), error.reason.c_str());
    }
    return 2;
  }

  const FaultColumns columns = buildFaultColumns(suite);
  const OrderScores scores = {
      computeSuiteApfd(suite, givenOrder(suite).data()),
      computeSuiteApfd(suite, additionalGreedyOrder(suite, columns).data())};
  seedRandom(options.seed);
  const SearchResult result = runSuiteSearch(suite, options.search);

  if (!options.orderFile.empty() && !writeOrderFile(options.orderFile, suite, result.bestOrder)) {
    return 1;
  }
  if (options.trace) printTrace(stdout, result);
  printSummary(stdout, options.file, suite, scores, result, options.search.iterationCount);
  return finishWriting(stdout, "the summary") ? 0 : 1;
}

// Reads the options and runs; every bad input is handled in run itself.
int parseAndRun(int argc, char** argv) {
  CLI::App app{
      "Orders the tests of a suite with an ant colony so that its faults are revealed "
      "early, and scores the order by APFD against the given order and additional "
      "greedy.",
      PROGRAM};
  app.footer(
      "Formats: CSV (a header row, then a row per test: its name, optional cost and severity "
      "columns, and 0 or 1 per fault), a SIR fault matrix, or lists (line k is test t<k>, with "
      "the ids of the faults it reveals).\n"
      "Exit status: 0 done, 1 a result could not be written, 2 bad usage or input.\n");
  // The same options on every platform: "/x" is a path, not an option, on Windows too.
  app.allow_windows_style_options(false);
  Options options;
  std::string format;
  app.set_version_flag("--version", std::string(PROGRAM) + " " + ANTORDER_VERSION);
  app.add_option("FILE", options.file, "The suite: a CSV matrix, a SIR fault matrix or lists")
      ->required()
      ->option_text(" ");
  app.add_option("--input", format,
                 "The file's format; by default SIR by its first line, CSV by a .csv name, "
                 "otherwise lists")
      ->check(CLI::IsMember({"csv", "sir", "lists"}))
      ->option_text("csv|sir|lists");
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
  app.add_option("--order", options.orderFile, "Write the colony's best order here, a test a line")
      ->option_text("FILE");
  app.add_flag("--trace", options.trace, "Print each iteration's selected APFD before the summary");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& usage) {
    if (usage.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(usage);
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", PROGRAM, usage.what(),
                 PROGRAM);
    return 2;
  }
  options.format = format == "csv"     ? SuiteFormat::CSV
                   : format == "sir"   ? SuiteFormat::SIR
                   : format == "lists" ? SuiteFormat::LISTS
                                       : SuiteFormat::DETECT;
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
