#include "reporting/summary.h"

#include <cstddef>

void printTrace(std::FILE* out, const SearchResult& result) {
  for (std::size_t iteration = 0; iteration < result.iterationApfd.size(); ++iteration) {
    std::fprintf(out, " Iteration=%zu, APFD = %f\n", iteration + 1,
                 static_cast<double>(result.iterationApfd[iteration]));
  }
}

void printSummary(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  const char* noun = suite.itemNoun.c_str();
  std::fprintf(out, "suite: %s\n", displayName(results.file).c_str());
  std::fprintf(out, "tests: %d\n", testCount(suite));
  // Faults that the same tests reveal count each, and are searched as one.
  const std::int64_t faults = totalFaultWeight(suite);
  std::fprintf(out, "%s: %lld", noun, static_cast<long long>(faults));
  if (faultCount(suite) < faults)
    std::fprintf(out, " (%d distinct by the tests that reveal them)", faultCount(suite));
  std::fputc('\n', out);
  for (const std::string& note : suite.notes) std::fprintf(out, "%s\n", note.c_str());
  if (suite.itemNoun == "faults" || !suite.unrevealedFaultNames.empty()) {
    std::fprintf(out, "%s revealed by no test, left out: %zu", noun,
                 suite.unrevealedFaultNames.size());
    const char* separator = " (";
    for (const std::string& name : suite.unrevealedFaultNames) {
      std::fprintf(out, "%s%s", separator, name.c_str());
      separator = ", ";
    }
    std::fprintf(out, "%s\n", suite.unrevealedFaultNames.empty() ? "" : ")");
  }
  if (faultCount(suite) == 0) {
    std::fprintf(out, "no %s to reveal: the order runs the cheapest tests first\n", noun);
    return;
  }
  const auto printScores = [&](const char* name, const ScoredOrder& scored) {
    std::fprintf(out, "%-19sAPFD %f", name, static_cast<double>(scored.apfd));
    if (results.costsDiffer) std::fprintf(out, "  APFDc %f", static_cast<double>(scored.apfdc));
  };
  printScores("given order", results.given);
  std::fputc('\n', out);
  printScores("additional greedy", results.greedy);
  std::fputc('\n', out);
  printScores("ant colony", results.colony);
  std::fprintf(out, "  (found in iteration %d of %d)\n", results.search.bestIteration,
               results.settings.iterationCount);
  printScores("best order", results.best);
  std::fprintf(out, "  (%s)\n", bestMethodText(results).c_str());
}

void printOrder(std::FILE* out, const SparseSuite& suite, const std::vector<int>& order) {
  for (const int test : order) {
    std::fprintf(out, "%s\n", suite.testNames[static_cast<std::size_t>(test)].c_str());
  }
}
