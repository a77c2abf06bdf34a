#include "reporting/json_results.h"

#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

// Keys keep the order written here; floats are stored as float, so that each prints as the shortest
// text that reads back as the same float.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                  std::int64_t, std::uint64_t, float>;

Json scoreJson(const ScoredOrder& scored, bool costsDiffer) {
  Json json = {{"apfd", scored.apfd}};
  if (costsDiffer) json["apfdc"] = scored.apfdc;
  return json;
}

}  // namespace

std::string resultsJson(const SparseSuite& suite, const RunResults& results) {
  Json colony = scoreJson(results.colony, results.costsDiffer);
  colony["found_in_iteration"] = results.search.bestIteration;
  colony["iteration_apfd"] = results.search.iterationApfd;
  Json& names = colony["order"] = Json::array();
  for (const int test : results.colony.order) {
    names.push_back(suite.testNames[static_cast<std::size_t>(test)]);
  }

  Json best = scoreJson(results.best, results.costsDiffer);
  best["method"] = bestMethodText(results);
  best["exact"] = results.bestFound.exact;
  best["effort_spent"] = results.bestFound.effortSpent;
  Json& bestNames = best["order"] = Json::array();
  for (const int test : results.best.order) {
    bestNames.push_back(suite.testNames[static_cast<std::size_t>(test)]);
  }

  const Json document = {{"input",
                          {{"file", results.file},
                           {"format", results.formatName},
                           {"tests", testCount(suite)},
                           {"faults", faultCount(suite)},
                           {"faults_left_out", suite.unrevealedFaultNames}}},
                         {"options",
                          {{"seed", results.seed},
                           {"iterations", results.settings.iterationCount},
                           {"ants", results.settings.antCount},
                           {"objective", results.objective == Objective::APFD ? "apfd" : "apfdc"}}},
                         {"orders",
                          {{"given", scoreJson(results.given, results.costsDiffer)},
                           {"additional_greedy", scoreJson(results.greedy, results.costsDiffer)},
                           {"ant_colony", colony},
                           {"best", best}}},
                         {"elapsed_seconds", static_cast<float>(results.elapsedSeconds)}};
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
