#include "reporting/replay_report.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "reporting/svg_drawing.h"
#include "text/shown_text.h"

namespace antorder {

namespace {

using Index = std::size_t;
using Json = nlohmann::ordered_json;

// The table's order.
constexpr Strategy STRATEGIES[STRATEGY_COUNT] = {
    Strategy::GIVEN,           Strategy::SHORTEST_FIRST, Strategy::FAILURE_COUNT,
    Strategy::RECENTLY_FAILED, Strategy::CHANGED_FIRST,  Strategy::ADDITIONAL_GREEDY,
    Strategy::ANT_COLONY,      Strategy::BEST_ORDER,     Strategy::FAILURE_MODEL,
    Strategy::HINDSIGHT};

// Colours told apart with any colour vision, and line styles that tell the
// curves apart where colours fail: one per strategy, by strategy.
constexpr const char* COLOURS[STRATEGY_COUNT] = {"#7F7F7F", "#E69F00", "#56B4E9", "#D55E00",
                                                 "#0072B2", "#009E73", "#CC79A7", "#7A3E9D",
                                                 "#000000", "#F0A0C0"};
constexpr double WIDTHS[STRATEGY_COUNT] = {2.0, 2.0, 2.5, 2.0, 2.0, 4.5, 2.0, 3.0, 2.5, 3.0};
constexpr const char* DASHES[STRATEGY_COUNT] = {
    " stroke-dasharray=\"8 4\"",     "",
    " stroke-dasharray=\"2 2\"",     "",
    " stroke-dasharray=\"6 3\"",     "",
    " stroke-dasharray=\"9 3 2 3\"", "",
    " stroke-dasharray=\"1 3\"",     " stroke-dasharray=\"4 2 1 2\""};
// The bound first, at the back, then the thicker curves under the thinner
// and dashed ones, so that a curve that runs along another still shows.
constexpr int DRAWING_ORDER[STRATEGY_COUNT] = {8, 5, 7, 9, 2, 0, 1, 3, 4, 6};

bool hasPassingTest(const ReplayedRun& run) {
  return run.failing < run.tests;
}

// Changed first is a strategy only where the runs carry changes.
bool shown(const ReplayReport& report, Strategy strategy) {
  return strategy != Strategy::CHANGED_FIRST || report.settings.changes != nullptr;
}

bool counts(const ReplayedRun& run, RunsCounted runs) {
  switch (runs) {
    case RunsCounted::ALL:
      return true;
    case RunsCounted::WITH_A_PASSING_TEST:
      return hasPassingTest(run);
    case RunsCounted::WITH_A_FIRST_FAILURE:
      return run.firstFailures > 0;
  }
  return true;
}

void printTable(std::FILE* out, const ReplayReport& report, RunsCounted runs) {
  const bool budget = report.settings.budgetSeconds.has_value();
  const bool shards = report.settings.shards > 1;
  std::fprintf(out, "%-19s %10s %11s %22s %6s", "strategy", "mean APFD", "mean APFDc",
               "median first failure", "runs");
  if (shards) std::fprintf(out, "  %s", "longest shard / bound");
  if (budget) {
    char heading[64];
    std::snprintf(heading, sizeof heading, "failing within %g s", *report.settings.budgetSeconds);
    std::fprintf(out, "  %s", heading);
    std::snprintf(heading, sizeof heading, "caught within %g s", *report.settings.budgetSeconds);
    std::fprintf(out, "  %s", heading);
  }
  std::fputc('\n', out);
  for (const Strategy strategy : STRATEGIES) {
    if (!shown(report, strategy)) continue;
    const StrategySummary summary = summarise(report, strategy, runs);
    std::fprintf(out, "%-19s %10.6f %11.6f %20.3f s %6d", strategyName(strategy), summary.meanApfd,
                 summary.meanApfdc, summary.medianFirstFailureSeconds, summary.runs);
    if (shards) std::fprintf(out, "  %21.4f", summary.meanShardRatio);
    if (budget) {
      char heading[64];
      const int width = std::snprintf(heading, sizeof heading, "failing within %g s",
                                      *report.settings.budgetSeconds);
      std::fprintf(out, "  %*.1f%%", width - 1, summary.withinBudget * 100.0);
      std::fprintf(out, "  %*.1f%%", width - 2, summary.caughtWithinBudget * 100.0);
    }
    std::fputc('\n', out);
  }
}

Json summaryJson(const StrategySummary& summary, bool budget, bool changes, bool shards) {
  Json json = {{"mean_apfd", summary.meanApfd},
               {"mean_apfdc", summary.meanApfdc},
               {"median_first_failure_seconds", summary.medianFirstFailureSeconds},
               {"runs", summary.runs}};
  if (shards) json["mean_longest_shard_over_bound"] = summary.meanShardRatio;
  if (changes) {
    json["first_failures"] = summary.firstFailures;
    json["first_failures_in_first_tenth"] = summary.firstFailuresEarly;
  }
  if (budget) {
    json["within_budget"] = summary.withinBudget;
    json["caught_within_budget"] = summary.caughtWithinBudget;
  }
  return json;
}

// The names of the failing tests a selection left out: the run's tests
// that ran are the order's indices.
Json missedNames(const History& history, const TestRun& run, const RunScore& score) {
  std::vector<int> keys;
  for (const TestResult& result : run.results) {
    if (result.ran) keys.push_back(result.key);
  }
  Json names = Json::array();
  for (const int test : score.missedWithinBudget) {
    names.push_back(history.keys[static_cast<Index>(keys[static_cast<Index>(test)])]);
  }
  return names;
}

}  // namespace

StrategySummary summarise(const ReplayReport& report, Strategy strategy, RunsCounted runs) {
  StrategySummary summary;
  std::vector<double> firstFailures;
  int withinBudget = 0;
  int caught = 0;
  int timedRuns = 0;
  for (const ReplayedRun& run : report.runs) {
    if (!counts(run, runs)) continue;
    const RunScore& score = run.scores[static_cast<Index>(strategy)];
    summary.firstFailures += run.firstFailures;
    summary.firstFailuresEarly += score.firstFailuresEarly;
    summary.meanApfd += score.apfd;
    summary.meanApfdc += score.apfdc;
    firstFailures.push_back(score.firstFailureSeconds);
    const std::optional<double>& budget = report.settings.budgetSeconds;
    withinBudget += budget && score.firstFailureSeconds <= *budget ? 1 : 0;
    // A run whose tests all took no time has no ratio.
    if (score.shardBoundSeconds > 0.0) {
      summary.meanShardRatio += score.longestShardSeconds / score.shardBoundSeconds;
      ++timedRuns;
    }
    caught += score.caughtWithinBudget ? 1 : 0;
    ++summary.runs;
  }
  if (summary.runs == 0) return summary;
  const auto count = static_cast<double>(summary.runs);
  summary.meanApfd /= count;
  summary.meanApfdc /= count;
  if (timedRuns > 0) summary.meanShardRatio /= timedRuns;
  summary.medianFirstFailureSeconds = medianOf(firstFailures);
  summary.withinBudget = static_cast<double>(withinBudget) / count;
  summary.caughtWithinBudget = static_cast<double>(caught) / count;
  return summary;
}

namespace {

// Which order the given row is, and every order's ties go to, where the
// reports record their tests' collection order; nothing where none does, the
// reports' order being the runner's own there.
void printGivenOrder(std::FILE* out, const History& history, const ReplayReport& report) {
  const long collected =
      static_cast<long>(std::count_if(report.runs.begin(), report.runs.end(), [&](const auto& run) {
        return history.runs[static_cast<Index>(run.run)].collectionOrder;
      }));
  if (collected == 0) return;
  std::fputs("given, and every order's ties: the collection order the reports record", out);
  if (collected < static_cast<long>(report.runs.size())) {
    std::fprintf(out, " in %ld of the %zu runs, the reports' order in the others", collected,
                 report.runs.size());
  }
  std::fputc('\n', out);
}

}  // namespace

namespace {

// Of a coarser unit, each strategy's mean APFD and APFDc over every run,
// were its order run test by test: what the unit costs.
std::array<double, 2> perTestMeans(const ReplayReport& report, Strategy strategy) {
  std::array<double, 2> means{};
  for (const ReplayedRun& run : report.runs) {
    means[0] += run.perTestApfd[static_cast<Index>(strategy)];
    means[1] += run.perTestApfdc[static_cast<Index>(strategy)];
  }
  if (report.runs.empty()) return means;
  const auto count = static_cast<double>(report.runs.size());
  return {means[0] / count, means[1] / count};
}

void printPerTest(std::FILE* out, const ReplayReport& report) {
  std::fputs("\nthe same orders run test by test, mean APFD and mean APFDc:\n", out);
  for (const Strategy strategy : STRATEGIES) {
    if (!shown(report, strategy)) continue;
    const std::array<double, 2> means = perTestMeans(report, strategy);
    std::fprintf(out, "%-19s %10.6f %11.6f\n", strategyName(strategy), means[0], means[1]);
  }
}

}  // namespace

void printReplaySummary(std::FILE* out, const History& history, const ReplayReport& report) {
  const long withPassing =
      static_cast<long>(std::count_if(report.runs.begin(), report.runs.end(), hasPassingTest));
  std::fprintf(out, "history: %s\n", report.folder.c_str());
  std::fprintf(out, "runs: %zu\n", history.runs.size());
  if (!history.leftOut.empty()) {
    std::fprintf(out, "reports left out, unreadable: %zu\n", history.leftOut.size());
  }
  std::fprintf(out, "window: the last %d runs before each\n", report.settings.window);
  if (report.settings.shards > 1) {
    std::fprintf(out,
                 "shards: %d, each order split by the expected times; the first failure is the "
                 "first on any shard\n",
                 report.settings.shards);
  }
  const bool byUnit = report.settings.unit != OrderUnit::TEST;
  if (byUnit) {
    const char* unit = orderUnitName(report.settings.unit);
    std::fprintf(out, "runner %s: each order scored as it runs, %s by %s\n",
                 printable(report.settings.runner).c_str(), unit, unit);
  }
  std::fprintf(
      out, "failing runs replayed: %zu (those with a run before them), %ld with a passing test\n",
      report.runs.size(), withPassing);
  if (report.runs.empty()) {
    std::fputs("no run failed after the first: there is nothing to replay\n", out);
    return;
  }
  std::fputc('\n', out);
  printTable(out, report, RunsCounted::ALL);
  if (byUnit) printPerTest(out, report);
  printGivenOrder(out, history, report);
  std::fprintf(out, "\nthe failing runs that also have a passing test: %ld", withPassing);
  if (withPassing == static_cast<long>(report.runs.size())) {
    std::fputs(", all of them\n", out);
  } else {
    std::fputc('\n', out);
    if (withPassing > 0) printTable(out, report, RunsCounted::WITH_A_PASSING_TEST);
  }
  if (report.settings.changes == nullptr) return;
  const long withFirst = static_cast<long>(std::count_if(
      report.runs.begin(), report.runs.end(),
      [](const ReplayedRun& run) { return counts(run, RunsCounted::WITH_A_FIRST_FAILURE); }));
  std::fprintf(out, "\nthe failing runs in which a test fails for the first time: %ld\n",
               withFirst);
  if (withFirst > 0) printTable(out, report, RunsCounted::WITH_A_FIRST_FAILURE);
}

namespace {

// One replayed run's figures and each shown strategy's scores in it.
Json runJson(const History& history, const ReplayReport& report, const ReplayedRun& run) {
  const bool budget = report.settings.budgetSeconds.has_value();
  const bool shards = report.settings.shards > 1;
  Json scores = Json::object();
  const TestRun& tested = history.runs[static_cast<Index>(run.run)];
  for (const Strategy strategy : STRATEGIES) {
    if (!shown(report, strategy)) continue;
    const RunScore& score = run.scores[static_cast<Index>(strategy)];
    Json& entry = scores[strategyName(strategy)];
    entry = {{"apfd", score.apfd},
             {"apfdc", score.apfdc},
             {"first_failure_seconds", score.firstFailureSeconds}};
    // The dry run: the failures the selection within the budget leaves out.
    if (budget) entry["missed_within_budget"] = missedNames(history, tested, score);
    if (shards) {
      entry["longest_shard_seconds"] = score.longestShardSeconds;
      entry["shard_bound_seconds"] = score.shardBoundSeconds;
    }
  }
  Json entry = {{"run", tested.name},
                {"tests", run.tests},
                {"failing", run.failing},
                {"seconds", run.seconds}};
  if (report.settings.changes != nullptr) entry["first_failures"] = run.firstFailures;
  if (tested.collectionOrder) entry["given"] = "collection order";
  entry["scores"] = scores;
  return entry;
}

}  // namespace

std::string replayJson(const History& history, const ReplayReport& report) {
  const bool budget = report.settings.budgetSeconds.has_value();
  Json options = {{"window", report.settings.window},
                  {"seed", report.settings.seed},
                  {"iterations", report.settings.search.iterationCount},
                  {"ants", report.settings.search.antCount},
                  {"effort_millions", report.settings.effort / 1000000},
                  {"objective", !report.settings.objectiveGiven                ? "default"
                                : report.settings.objective == Objective::APFD ? "apfd"
                                                                               : "apfdc"}};
  if (budget) options["budget_seconds"] = *report.settings.budgetSeconds;
  Json strategies = Json::array();
  const bool changes = report.settings.changes != nullptr;
  const bool shards = report.settings.shards > 1;
  if (shards) options["shards"] = report.settings.shards;
  const bool byUnit = report.settings.unit != OrderUnit::TEST;
  if (byUnit) {
    options["runner"] = report.settings.runner;
    options["unit"] = orderUnitName(report.settings.unit);
  }
  for (const Strategy strategy : STRATEGIES) {
    if (!shown(report, strategy)) continue;
    Json entry = {{"name", strategyName(strategy)}};
    if (byUnit) {
      const std::array<double, 2> means = perTestMeans(report, strategy);
      entry["test_by_test"] = {{"mean_apfd", means[0]}, {"mean_apfdc", means[1]}};
    }
    entry["all"] =
        summaryJson(summarise(report, strategy, RunsCounted::ALL), budget, changes, shards);
    entry["with_a_passing_test"] = summaryJson(
        summarise(report, strategy, RunsCounted::WITH_A_PASSING_TEST), budget, changes, shards);
    if (changes) {
      entry["with_a_first_failure"] = summaryJson(
          summarise(report, strategy, RunsCounted::WITH_A_FIRST_FAILURE), budget, changes, shards);
    }
    strategies.push_back(entry);
  }
  Json runs = Json::array();
  for (const ReplayedRun& run : report.runs) runs.push_back(runJson(history, report, run));
  const Json document = {{"history",
                          {{"folder", report.folder},
                           {"runs", history.runs.size()},
                           {"reports_left_out", history.leftOut.size()}}},
                         {"options", options},
                         {"strategies", strategies},
                         {"runs", runs}};
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

namespace {

// Each strategy's share of failing runs with a failure shown, by the share
// of the run's time spent.
std::array<std::vector<PlotPoint>, STRATEGY_COUNT> firstFailureCurves(const ReplayReport& report) {
  std::array<std::vector<PlotPoint>, STRATEGY_COUNT> curves;
  for (int at = 0; at < STRATEGY_COUNT; ++at) {
    std::vector<double> shares;
    for (const ReplayedRun& run : report.runs) {
      shares.push_back(run.scores[static_cast<Index>(at)].firstFailureShare);
    }
    std::sort(shares.begin(), shares.end());
    std::vector<PlotPoint>& points = curves[static_cast<Index>(at)];
    points = {{0.0, 0.0}};
    const auto count = static_cast<double>(shares.size());
    for (std::size_t k = 0; k < shares.size(); ++k) {
      if (k + 1 < shares.size() && shares[k + 1] == shares[k]) continue;
      points.push_back({shares[k], points.back().y});
      points.push_back({shares[k], static_cast<double>(k + 1) / count});
    }
    points.push_back({1.0, points.back().y});
  }
  return curves;
}

}  // namespace

void printReplayPlot(std::FILE* out, const ReplayReport& report) {
  constexpr int WIDTH = 1080;
  constexpr int HEIGHT = 560;
  printSvgStart(out, WIDTH, HEIGHT);
  const std::string name = report.folder.substr(report.folder.find_last_of("/\\") + 1);
  char heading[160];
  std::snprintf(heading, sizeof heading, " (%s replayed, window %d)",
                counted(static_cast<long long>(report.runs.size()), "failing runs").c_str(),
                report.settings.window);
  printText(out, 20, 30, "start", 19, "antorder-suite --replay: " + xmlText(name) + heading,
            " font-weight=\"bold\"");
  const Panel panel{90, 90, 520, 380, 0.0, 1.0, 0.0, 1.0};
  printAxes(out, panel, "How soon the first failure shows", "time spent (% of the run's)",
            "failing runs with a failure shown", true);
  double y = 110;
  // The mean of the score the strategies were asked to order by.
  const bool byApfd =
      report.settings.objectiveGiven && report.settings.objective == Objective::APFD;
  printText(out, 660, y - 20, "start", 16, byApfd ? "Strategy, mean APFD" : "Strategy, mean APFDc",
            " font-weight=\"bold\"");
  const std::array<std::vector<PlotPoint>, STRATEGY_COUNT> curves = firstFailureCurves(report);
  for (const int at : DRAWING_ORDER) {
    if (!shown(report, static_cast<Strategy>(at))) continue;
    printCurve(out, panel, curves[static_cast<Index>(at)], COLOURS[at], WIDTHS[at], DASHES[at]);
  }
  for (const Strategy strategy : STRATEGIES) {
    if (!shown(report, strategy)) continue;
    const auto at = static_cast<int>(strategy);
    y += 30;
    std::string text = strategyName(strategy);
    char score[32];
    const StrategySummary summary = summarise(report, strategy, RunsCounted::ALL);
    std::snprintf(score, sizeof score, ", %.4f", byApfd ? summary.meanApfd : summary.meanApfdc);
    text += score;
    // A curve drawn under another of the same points is hidden: say which.
    const int* drawn = std::find(DRAWING_ORDER, DRAWING_ORDER + STRATEGY_COUNT, at);
    for (const int* later = DRAWING_ORDER + STRATEGY_COUNT - 1; later > drawn; --later) {
      if (shown(report, static_cast<Strategy>(*later)) &&
          curves[static_cast<Index>(*later)] == curves[static_cast<Index>(at)]) {
        text += std::string(" (= ") + strategyName(static_cast<Strategy>(*later)) + ")";
        break;
      }
    }
    printLegendEntry(out, 660, y, COLOURS[at], WIDTHS[at], DASHES[at], text);
  }
  y += 40;
  printText(out, 660, y, "start", 14, "The higher and further left a curve,",
            " font-style=\"italic\"");
  printText(out, 660, y + 20, "start", 14, "the sooner its failures show.",
            " font-style=\"italic\"");
  std::fputs("</svg>\n", out);
}

}  // namespace antorder
