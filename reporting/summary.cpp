#include "reporting/summary.h"

#include <cstddef>
#include <string>
#include <utility>

#include "text/shown_text.h"

namespace antorder {

std::string bestMethodText(const RunResults& results) {
  const BestOrder& found = results.orders.bestFound;
  const char* objective = results.objective == Objective::APFD ? "APFD" : "APFDc";
  std::string text;
  if (found.exact) {
    text = "exact search: no order scores higher";
    if (results.orders.costsDiffer) text += std::string(" by ") + objective;
    return text;
  }
  text = found.start == OrderStart::ANT_COLONY          ? "ant colony"
         : found.start == OrderStart::ADDITIONAL_GREEDY ? "additional greedy"
                                                        : "look-ahead";
  text += found.improved ? " + local search" : ", not improved by the local search";
  if (results.orders.costsDiffer) text += std::string(", by ") + objective;
  if (found.effortSpent) text += ", stopped at its effort bound";
  return text;
}

void printTrace(std::FILE* out, const SearchResult& result) {
  for (std::size_t iteration = 0; iteration < result.iterationApfd.size(); ++iteration) {
    std::fprintf(out, " Iteration=%zu, APFD = %f\n", iteration + 1,
                 static_cast<double>(result.iterationApfd[iteration]));
  }
}

namespace {

// What was read: the suite, its faults, the reader's notes, and the other
// matrix of --evaluate.
void printInput(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
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
      std::fprintf(out, "%s%s", separator, printable(name).c_str());
      separator = ", ";
    }
    std::fprintf(out, "%s\n", suite.unrevealedFaultNames.empty() ? "" : ")");
  }
  if (results.coverageRead) {
    std::fprintf(out, "coverage: %s, %lld matched\n",
                 counted(results.coverageTests, "tests").c_str(), results.coverageMatched);
  }
  if (!results.evaluated) return;
  const SparseSuite& evaluation = results.evaluation;
  std::fprintf(out, "scored also against: %s, %s: %lld",
               displayName(results.evaluationFile).c_str(), evaluation.itemNoun.c_str(),
               static_cast<long long>(totalFaultWeight(evaluation)));
  if (!evaluation.unrevealedFaultNames.empty()) {
    std::fprintf(out, " (and %zu no test reveals, left out)",
                 evaluation.unrevealedFaultNames.size());
  }
  std::fputc('\n', out);
}

// One order's line: its name and scores, without the line end. Where there
// are two sets of scores, each is labelled by what it counts, or by its file
// where both count the same kind.
void printScores(std::FILE* out, const SparseSuite& suite, const RunResults& results,
                 const char* name, const ScoredOrder& scored) {
  std::fprintf(out, "%-19s", name);
  const SparseSuite& evaluation = results.evaluation;
  const bool sameKind = evaluation.itemNoun == suite.itemNoun;
  if (results.evaluated) {
    std::fprintf(out, "%s: ", (sameKind ? baseName(results.file) : suite.itemNoun).c_str());
  }
  if (faultCount(suite) > 0) {
    std::fprintf(out, "APFD %f", static_cast<double>(scored.apfd));
    if (results.orders.costsDiffer)
      std::fprintf(out, "  APFDc %f", static_cast<double>(scored.apfdc));
  } else {
    std::fputs("-", out);
  }
  if (!results.evaluated) return;
  std::fprintf(out, "  %s: APFD %f",
               (sameKind ? baseName(results.evaluationFile) : evaluation.itemNoun).c_str(),
               static_cast<double>(scored.evaluatedApfd));
  if (results.orders.costsDiffer) {
    std::fprintf(out, "  APFDc %f", static_cast<double>(scored.evaluatedApfdc));
  }
}

// The failure model's line, and how it did on the history's own failing runs.
void printPrediction(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  const NextRunPrediction& prediction = results.plan.prediction;
  if (!prediction.anyFailure) {
    std::fputs("no failure in the history: the failure model has nothing to learn from\n", out);
    return;
  }
  // Of listed tests, the score is of the model's order of the window's tests.
  const bool scored = faultCount(suite) > 0 && !results.plan.model.order.empty();
  if (scored) {
    printScores(out, suite, results, "failure model", results.plan.model);
    std::fputs("  ", out);
  } else {
    std::fprintf(out, "%-19s", "failure model");
  }
  std::fprintf(
      out, "(learned from %d run%s: the order written%s)\n", prediction.learnedFromRuns,
      prediction.learnedFromRuns == 1 ? "" : "s",
      scored && results.plan.listed ? ", of the listed tests; scored on the window's" : "");
  // A failure only in the first run leaves no failing run with a run before it.
  if (prediction.evidenceRuns == 0) {
    std::fputs("replayed on no failing run: none has a run before it, so nothing to score\n", out);
    return;
  }
  std::fprintf(out,
               "replayed on the last %d failing run%s, each ordered from the runs before it:\n",
               prediction.evidenceRuns, prediction.evidenceRuns == 1 ? "" : "s");
  const std::pair<const char*, const OrderMeans*> rows[] = {
      {"given order", &prediction.given},
      {"recently failed", &prediction.recentlyFailed},
      {"failure model", &prediction.model}};
  for (const auto& [name, means] : rows) {
    std::fprintf(out, "  %-17s mean APFD %f  mean APFDc %f\n", name, means->apfd, means->apfdc);
  }
}

// With a budget: what the selection holds, and of a history how often it
// would have held a failing test.
void printListed(std::FILE* out, const RunResults& results) {
  std::fprintf(out, "the next run's tests: %s listed, %d new, %d gone since\n",
               counted(static_cast<long long>(results.plan.names.size()), "tests").c_str(),
               results.plan.newTests, results.plan.goneTests);
}

// Of a runner with a coarser unit: the units the positions hold, as
// " (2 of 5 classes)", or " (2 classes)" without a whole.
// Of a runner with a coarser unit of order than the test, how many units the
// positions hold.
std::size_t unitsAt(const NextRunPlan& plan, const std::vector<int>& positions) {
  std::vector<char> seen(static_cast<std::size_t>(plan.unitCount), 0);
  std::size_t count = 0;
  for (const int at : positions) {
    char& unit = seen[static_cast<std::size_t>(plan.unitOf[static_cast<std::size_t>(at)])];
    count += unit == 0 ? 1 : 0;
    unit = 1;
  }
  return count;
}

std::string countedUnits(OrderUnit unit, std::size_t count) {
  const char* noun = unit == OrderUnit::CLASS ? (count == 1 ? "class" : "classes")
                                              : (count == 1 ? "file" : "files");
  return std::to_string(count) + " " + noun;
}

std::string unitsText(const NextRunPlan& plan, const std::vector<int>& part,
                      const std::vector<int>* whole) {
  if (plan.unit == OrderUnit::TEST) return std::string();
  const std::size_t count = unitsAt(plan, part);
  if (whole == nullptr) return " (" + countedUnits(plan.unit, count) + ")";
  return " (" + std::to_string(count) + " of " + countedUnits(plan.unit, unitsAt(plan, *whole)) +
         ")";
}

void printBudget(std::FILE* out, const RunResults& results) {
  const BudgetSelection& selection = results.plan.selection;
  // Split over shards, the shard's tests and time alike.
  const std::vector<int> selectable = selectablePositions(results.plan);
  std::fprintf(out, "budget %g s: %zu of %zu tests selected%s, %.3f s expected of %.3f s",
               *results.plan.budgetSeconds, selection.selected.size(), selectable.size(),
               unitsText(results.plan, selection.selected, &selectable).c_str(),
               selection.selectedSeconds, selection.totalSeconds);
  if (results.plan.windowFailingRuns > 0) {
    std::fprintf(out, "; %sa failing test in %d of the window's %d failing runs (%.1f%%)",
                 results.plan.shard > 0 ? "over every shard, " : "", results.plan.windowRunsCaught,
                 results.plan.windowFailingRuns,
                 100.0 * results.plan.windowRunsCaught / results.plan.windowFailingRuns);
  }
  std::fputc('\n', out);
  if (results.plan.failedClosed) {
    std::fputs("  every test: failing closed on a change no test is known to depend on\n", out);
  } else if (selectionUnsafe(results.plan)) {
    std::fputs("  unsafe: a change no test is known to depend on may break a test left out\n", out);
  }
}

// The next run's change: what no test is known to depend on.
void printChange(std::FILE* out, const RunResults& results) {
  const std::vector<std::string>& unplaced = results.plan.unplacedChanges;
  std::fprintf(out, "changes no test is known to depend on:%s\n", unplaced.empty() ? " none" : "");
  for (const std::string& file : unplaced) std::fprintf(out, "  %s\n", printable(file).c_str());
  const std::vector<std::string>& ignored = results.plan.ignoredChanges;
  if (ignored.empty()) return;
  constexpr std::size_t SHOWN = 3;
  std::fprintf(out, "changes ignored: %zu (", ignored.size());
  for (std::size_t at = 0; at < ignored.size() && at < SHOWN; ++at) {
    std::fprintf(out, "%s%s", at == 0 ? "" : ", ", printable(ignored[at]).c_str());
  }
  std::fprintf(out, "%s)\n", ignored.size() > SHOWN ? ", ..." : "");
}

// Split over shards: this shard's share, and how evenly the shards finish.
void printShard(std::FILE* out, const RunResults& results) {
  const NextRunPlan& plan = results.plan;
  const auto ours = static_cast<std::size_t>(plan.shard - 1);
  const std::vector<int> positions = selectablePositions(plan);
  const auto tests = static_cast<long>(positions.size());
  const double longest = *std::max_element(plan.shardSeconds.begin(), plan.shardSeconds.end());
  std::fprintf(out,
               "shard %d of %d: %s%s, %.3f s expected; the longest shard %.3f s, the bound %.3f s "
               "(%.1f%% above)\n",
               plan.shard, plan.shardCount, counted(tests, "tests").c_str(),
               unitsText(plan, positions, nullptr).c_str(), plan.shardSeconds[ours], longest,
               plan.shardBound,
               plan.shardBound > 0.0 ? 100.0 * (longest / plan.shardBound - 1.0) : 0.0);
}

// Of a runner with a coarser unit: how it runs the order, and what running
// it so costs the order scored (the model's, else the best).
void printRunnerUnit(std::FILE* out, const RunResults& results) {
  const NextRunPlan& plan = results.plan;
  const char* unit = orderUnitName(plan.unit);
  std::fprintf(out, "runner %s: the order runs %s by %s (%s)", printable(results.runner).c_str(),
               unit, unit,
               countedUnits(plan.unit, static_cast<std::size_t>(plan.unitCount)).c_str());
  if (!plan.byUnit.order.empty()) {
    std::fprintf(out, "; APFD %f test by test, %f %s by %s", static_cast<double>(plan.perTest.apfd),
                 static_cast<double>(plan.byUnit.apfd), unit, unit);
    if (results.orders.costsDiffer) {
      std::fprintf(out, "; APFDc %f, %f", static_cast<double>(plan.perTest.apfdc),
                   static_cast<double>(plan.byUnit.apfdc));
    }
  }
  std::fputc('\n', out);
}

// What the plan for the next run says beyond the orders.
void printPlan(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  if (results.plan.predicted) printPrediction(out, suite, results);
  if (results.plan.unit != OrderUnit::TEST) printRunnerUnit(out, results);
  if (results.plan.changeGiven) printChange(out, results);
  if (results.plan.listed) printListed(out, results);
  if (results.plan.shard > 0) printShard(out, results);
  if (results.plan.budgetSeconds) printBudget(out, results);
}

}  // namespace

void printSummary(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  printInput(out, suite, results);
  if (faultCount(suite) == 0) {
    if (!results.plan.predicted || !results.plan.prediction.anyFailure) {
      std::fprintf(out, "no %s to reveal: the order runs the cheapest tests first\n",
                   suite.itemNoun.c_str());
    } else {
      std::fprintf(out, "no %s in the window to reveal\n", suite.itemNoun.c_str());
    }
    if (results.evaluated) {
      printScores(out, suite, results, "given order", results.orders.given);
      std::fputc('\n', out);
      printScores(out, suite, results, "cheapest first", results.orders.best);
      std::fputc('\n', out);
    }
    printPlan(out, suite, results);
    return;
  }
  printScores(out, suite, results, "given order", results.orders.given);
  std::fputc('\n', out);
  printScores(out, suite, results, "additional greedy", results.orders.greedy);
  std::fputc('\n', out);
  printScores(out, suite, results, "ant colony", results.orders.colony);
  std::fprintf(out, "  (found in iteration %d of %d", results.orders.search.bestIteration,
               results.settings.iterationCount);
  if (results.antsAsked > results.settings.antCount) {
    std::fprintf(out, "; %d ants, one per test, of the %d asked", results.settings.antCount,
                 results.antsAsked);
  }
  std::fputs(")\n", out);
  printScores(out, suite, results, "best order", results.orders.best);
  std::fprintf(out, "  (%s)\n", bestMethodText(results).c_str());
  printPlan(out, suite, results);
}

void printOrder(std::FILE* out, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    std::fwrite(name.data(), 1, name.size(), out);
    std::fputc('\n', out);
  }
}

}  // namespace antorder
