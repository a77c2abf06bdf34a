// Writes a seeded random suite to standard output, as CSV or as lists, for
// measuring antorder-suite on suites of a real suite's shape:
//   antorder_generate_suite --tests 13585 --faults 38 --density 0.17 > shaped.csv

#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "bench/suite_generator.h"

using namespace antorder;

namespace {

void writeCsv(const SparseSuite& suite) {
  std::printf("test");
  for (const std::string& fault : suite.faultNames) std::printf(",%s", fault.c_str());
  std::printf("\n");
  std::string row;
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    row.assign(2 * suite.faultNames.size(), '0');
    for (std::size_t column = 0; column < suite.faultNames.size(); ++column) row[2 * column] = ',';
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      row[2 * static_cast<std::size_t>(suite.revealedFaults[one]) + 1] = '1';
    }
    std::printf("%s%s\n", suite.testNames[test].c_str(), row.c_str());
  }
}

void writeLists(const SparseSuite& suite) {
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    const char* separator = "";
    for (std::size_t one = suite.firstRevealed[test]; one < suite.firstRevealed[test + 1]; ++one) {
      std::printf("%s%d", separator, suite.revealedFaults[one]);
      separator = " ";
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) try {
  CLI::App app{"Writes a seeded random suite: every fault revealed by some test."};
  SuiteShape shape;
  std::string format = "csv";
  app.add_option("--tests", shape.tests)->check(CLI::Range(1, 10000000));
  app.add_option("--faults", shape.faults)->check(CLI::Range(1, 1000000));
  app.add_option("--density", shape.density)->check(CLI::Range(0.0, 1.0));
  app.add_option("--seed", shape.seed);
  app.add_option("--format", format)->check(CLI::IsMember({"csv", "lists"}));
  CLI11_PARSE(app, argc, argv);
  const SparseSuite suite = generateSuite(shape);
  if (format == "csv") {
    writeCsv(suite);
  } else {
    writeLists(suite);
  }
  return 0;
} catch (const std::exception& failure) {
  std::fprintf(stderr, "antorder_generate_suite: %s\n", failure.what());
  return 1;
}
