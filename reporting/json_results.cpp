#include "reporting/json_results.h"

#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

#include "reporting/summary.h"

namespace antorder {

namespace {

// Keys keep the order written here; floats are stored as float, so that each prints as the shortest
// text that reads back as the same float.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                  std::int64_t, std::uint64_t, float>;

Json scoreJson(const ScoredOrder& scored, const RunResults& results) {
  Json json = {{"apfd", scored.apfd}};
  if (results.orders.costsDiffer) json["apfdc"] = scored.apfdc;
  if (results.evaluated) {
    json["evaluation"] = {{"apfd", scored.evaluatedApfd}};
    if (results.orders.costsDiffer) json["evaluation"]["apfdc"] = scored.evaluatedApfdc;
  }
  return json;
}

// Test names in an order.
Json orderJson(const SparseSuite& suite, const std::vector<int>& order) {
  Json names = Json::array();
  for (const int test : order) names.push_back(suite.testNames[static_cast<std::size_t>(test)]);
  return names;
}

// The failure model's order, what it learned from, and its evidence.
Json predictionJson(const SparseSuite& suite, const RunResults& results) {
  const NextRunPrediction& prediction = results.plan.prediction;
  Json json = Json::object();
  // Of listed tests, the scores are of the model's order of the window's tests.
  if (faultCount(suite) > 0 && !results.plan.model.order.empty()) {
    json = scoreJson(results.plan.model, results);
  }
  json["learned_from_runs"] = prediction.learnedFromRuns;
  json["any_failure"] = prediction.anyFailure;
  if (prediction.anyFailure) {
    // With no run to score, there are no means.
    const auto means = [&](const OrderMeans& of) {
      if (prediction.evidenceRuns == 0) return Json(nullptr);
      return Json{{"apfd", static_cast<float>(of.apfd)}, {"apfdc", static_cast<float>(of.apfdc)}};
    };
    json["replayed"] = {{"failing_runs", prediction.evidenceRuns},
                        {"given", means(prediction.given)},
                        {"recently_failed", means(prediction.recentlyFailed)},
                        {"failure_model", means(prediction.model)}};
  }
  if (results.plan.changeGiven) {
    json["changes_no_test_is_known_to_depend_on"] = results.plan.unplacedChanges;
    json["changes_ignored"] = results.plan.ignoredChanges;
  }
  json["order"] = results.plan.names;
  return json;
}

// This shard, its share, and every shard's expected time.
Json shardJson(const RunResults& results) {
  const NextRunPlan& plan = results.plan;
  std::vector<float> seconds;
  for (const double each : plan.shardSeconds) seconds.push_back(static_cast<float>(each));
  return {{"index", plan.shard},
          {"count", plan.shardCount},
          {"tests", writtenNames(plan)},
          {"shard_seconds", seconds},
          {"bound_seconds", static_cast<float>(plan.shardBound)}};
}

// The budget's selection: its size and expected time, the rest by name.
Json budgetJson(const RunResults& results) {
  const BudgetSelection& selection = results.plan.selection;
  Json json = {{"seconds", static_cast<float>(*results.plan.budgetSeconds)},
               {"tests", selection.selected.size()},
               {"expected_seconds", static_cast<float>(selection.selectedSeconds)},
               {"total_seconds", static_cast<float>(selection.totalSeconds)}};
  if (results.plan.windowFailingRuns >= 0) {
    json["window_failing_runs"] = results.plan.windowFailingRuns;
    json["window_failing_runs_caught"] = results.plan.windowRunsCaught;
  }
  if (results.plan.changeGiven) {
    json["unsafe"] = selectionUnsafe(results.plan);
    json["failed_closed"] = results.plan.failedClosed;
  }
  json["rest"] = restNames(results.plan);
  return json;
}

std::string printed(const Json& document) {
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

// Of a runner with a coarser unit: the unit, how many the order holds, and
// the order scored (the model's, else the best) test by test and by unit.
Json runnerJson(const RunResults& results) {
  const NextRunPlan& plan = results.plan;
  Json json = {
      {"name", results.runner}, {"unit", orderUnitName(plan.unit)}, {"units", plan.unitCount}};
  if (plan.byUnit.order.empty()) return json;
  Json perTest = {{"apfd", plan.perTest.apfd}};
  Json byUnit = {{"apfd", plan.byUnit.apfd}};
  if (results.orders.costsDiffer) {
    perTest["apfdc"] = plan.perTest.apfdc;
    byUnit["apfdc"] = plan.byUnit.apfdc;
  }
  json["test_by_test"] = perTest;
  json["by_unit"] = byUnit;
  return json;
}

std::string resultsJson(const SparseSuite& suite, const RunResults& results) {
  // The faults under the reader's name for them ("failures" of a history).
  Json input = {{"file", results.file},
                {"format", results.formatName},
                {"tests", testCount(suite)},
                {suite.itemNoun, totalFaultWeight(suite)}};
  if (faultCount(suite) < totalFaultWeight(suite)) input["distinct"] = faultCount(suite);
  if (!suite.notes.empty()) input["notes"] = suite.notes;
  input["faults_left_out"] = suite.unrevealedFaultNames;
  if (results.coverageRead) {
    input["coverage"] = {{"tests", results.coverageTests}, {"matched", results.coverageMatched}};
  }
  if (results.evaluated) {
    const SparseSuite& evaluation = results.evaluation;
    input["evaluation"] = {{"file", results.evaluationFile},
                           {evaluation.itemNoun, totalFaultWeight(evaluation)},
                           {"faults_left_out", evaluation.unrevealedFaultNames}};
  }
  if (faultCount(suite) == 0) {
    Json cheapest = {{"order", orderJson(suite, results.orders.best.order)}};
    if (results.evaluated) {
      cheapest["evaluation"] = scoreJson(results.orders.best, results)["evaluation"];
    }
    Json orders = {{"cheapest_first", cheapest}};
    if (results.plan.predicted) orders["failure_model"] = predictionJson(suite, results);
    Json document = {{"input", input}, {"orders", orders}};
    if (results.plan.budgetSeconds) document["budget"] = budgetJson(results);
    if (results.plan.shard > 0) document["shard"] = shardJson(results);
    if (results.plan.unit != OrderUnit::TEST) document["runner"] = runnerJson(results);
    return printed(document);
  }
  Json colony = scoreJson(results.orders.colony, results);
  colony["found_in_iteration"] = results.orders.search.bestIteration;
  colony["iteration_apfd"] = results.orders.search.iterationApfd;
  colony["order"] = orderJson(suite, results.orders.colony.order);
  Json best = scoreJson(results.orders.best, results);
  best["method"] = bestMethodText(results);
  best["exact"] = results.orders.bestFound.exact;
  best["stopped_at_effort_bound"] = results.orders.bestFound.effortSpent;
  best["order"] = orderJson(suite, results.orders.best.order);

  Json document = {{"input", input},
                   {"options",
                    {{"seed", results.seed},
                     {"iterations", results.settings.iterationCount},
                     {"ants", results.settings.antCount},
                     {"objective", results.objective == Objective::APFD ? "apfd" : "apfdc"}}},
                   {"orders",
                    {{"given", scoreJson(results.orders.given, results)},
                     {"additional_greedy", scoreJson(results.orders.greedy, results)},
                     {"ant_colony", colony},
                     {"best", best}}},
                   {"elapsed_seconds", static_cast<float>(results.elapsedSeconds)}};
  if (results.plan.predicted) document["orders"]["failure_model"] = predictionJson(suite, results);
  if (results.plan.budgetSeconds) document["budget"] = budgetJson(results);
  if (results.plan.shard > 0) document["shard"] = shardJson(results);
  if (results.plan.unit != OrderUnit::TEST) document["runner"] = runnerJson(results);
  return printed(document);
}

}  // namespace antorder
