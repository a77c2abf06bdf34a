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
  const SparseSuite& evaluation = results.evaluation;
  if (results.evaluated) {
    std::fprintf(out, "scored also against: %s, %s: %lld", displayName(results.evaluationFile).c_str(),
                 evaluation.itemNoun.c_str(),
                 static_cast<long long>(totalFaultWeight(evaluation)));
    if (!evaluation.unrevealedFaultNames.empty()) {
      std::fprintf(out, " (and %zu no test reveals, left out)",
                   evaluation.unrevealedFaultNames.size());
    }
    std::fputc('\n', out);
  }
  // Scores labelled by what they count where there are two sets of them, or
  // by their files where both count the same kind.
  const bool sameKind = evaluation.itemNoun == suite.itemNoun;
  const std::string label = sameKind ? baseName(results.file) : suite.itemNoun;
  const std::string evaluationLabel =
      sameKind ? baseName(results.evaluationFile) : evaluation.itemNoun;
  const auto printScores = [&](const char* name, const ScoredOrder& scored) {
    std::fprintf(out, "%-19s", name);
    if (results.evaluated) std::fprintf(out, "%s: ", label.c_str());
    if (faultCount(suite) > 0) {
      std::fprintf(out, "APFD %f", static_cast<double>(scored.apfd));
      if (results.costsDiffer) std::fprintf(out, "  APFDc %f", static_cast<double>(scored.apfdc));
    } else {
      std::fputs("-", out);
    }
    if (!results.evaluated) return;
    std::fprintf(out, "  %s: APFD %f", evaluationLabel.c_str(),
                 static_cast<double>(scored.evaluatedApfd));
    if (results.costsDiffer) {
      std::fprintf(out, "  APFDc %f", static_cast<double>(scored.evaluatedApfdc));
    }
  };
  if (faultCount(suite) == 0) {
    std::fprintf(out, "no %s to reveal: the order runs the cheapest tests first\n", noun);
    if (results.evaluated) {
      printScores("given order", results.given);
      std::fputc('\n', out);
      printScores("cheapest first", results.best);
      std::fputc('\n', out);
    }
    return;
  }
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
