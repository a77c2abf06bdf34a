// Feeds any bytes to one reader (the format is fixed at build time), which
// must hold up under the sanitizers and give a suite every later step can
// take: names that are one line of text, faults in range. Built with
// FUZZ_WHOLE, the format is told from the bytes and a suite read goes on
// through the baselines, a short colony run, a short search for the best
// order and every form of the results.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "ordering/suite_orders.h"
#include "reading/suite_reader.h"
#include "reporting/json_results.h"
#include "reporting/order_table.h"
#include "reporting/summary.h"
#include "reporting/svg_plot.h"
#include "text/shown_text.h"

using namespace antorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  SuiteFormat format = SuiteFormat::FUZZ_FORMAT;
  SparseSuite suite;
  ReadError error;
  if (!readSuite(in, "fuzz", format, suite, error)) return 0;
  for (const std::string& name : suite.testNames) {
    if (name.empty()) std::abort();
    for (const char c : name) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    }
  }
  if (suite.firstRevealed.size() != suite.testNames.size() + 1) std::abort();
  for (const int fault : suite.revealedFaults) {
    if (fault < 0 || fault >= faultCount(suite)) std::abort();
  }
#ifdef FUZZ_WHOLE
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
#endif
  return 0;
}
