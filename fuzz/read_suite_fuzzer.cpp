// Feeds any bytes to one reader (the format is fixed at build time) and, when
// they read as a suite, through the baselines, a short colony run, a short
// search for the best order and every form of the results, which must all
// hold up under the sanitizers.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "ordering/suite_orders.h"
#include "reading/suite_reader.h"
#include "reporting/json_results.h"
#include "reporting/order_table.h"
#include "reporting/run_results.h"
#include "reporting/summary.h"
#include "reporting/svg_plot.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  SuiteFormat format = SuiteFormat::FUZZ_FORMAT;
  SparseSuite suite;
  ReadError error;
  if (!readSuite(in, "fuzz", format, suite, error)) return 0;

  RunResults results;
  results.settings = {2, 2};
  if (faultCount(suite) == 0) {
    results.orders = ordersWithoutFaults(suite);
  } else {
    OrderingSettings ordering;
    ordering.search = results.settings;
    ordering.seed = 1u;
    ordering.jobs = 1;  // a thread an input would slow the fuzzer down
    ordering.best.objective = results.objective = defaultObjective(suite);
    ordering.best.effort = 100000;
    results.orders = findSuiteOrders(suite, ordering);
  }

  static std::FILE* const sink = std::fopen("/dev/null", "w");
  printSummary(sink, suite, results);
  printOrderTable(sink, suite, results);
  printSvgPlot(sink, suite, results);
  std::fputs(resultsJson(suite, results).c_str(), sink);
  return 0;
}
