#include "reading/test_costs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "reading/format_readers.h"
#include "reading/junit_history.h"
#include "reading/line_reader.h"
#include "suite/field_values.h"
#include "suite/test_names.h"

namespace antorder {

bool readTestCosts(const std::string& path, const ReadOptions& options,
                   std::unordered_map<std::string, float>& costs, ReadError& error,
                   bool* fromHistory, std::vector<LeftOutRun>* leftOut) {
  SuiteFormat format = SuiteFormat::CSV;
  History history;
  const HistoryRead runs = readHistory(path, format, HistoryUse::COSTS, history, error);
  if (fromHistory != nullptr) *fromHistory = runs != HistoryRead::NOT_A_HISTORY;
  if (runs != HistoryRead::NOT_A_HISTORY) {
    if (leftOut != nullptr) *leftOut = history.leftOut;
    if (runs == HistoryRead::REFUSED) return false;
    const std::vector<double> seconds = medianSeconds(history, options.window);
    for (std::size_t key = 0; key < seconds.size(); ++key) {
      if (seconds[key] < 0.0) continue;
      costs[history.keys[key]] =
          static_cast<float>(std::min(seconds[key], static_cast<double>(MAX_COST)));
    }
    return true;
  }
  const bool standard = path == STANDARD_INPUT;
  errno = 0;
  std::ifstream named;
  if (!standard) named.open(std::filesystem::u8path(path), std::ios::binary);
  std::istream& in = standard ? standardInput() : named;
  if (!in) {
    error = {0, errno != 0 ? std::strerror(errno) : "cannot be opened"};
    return false;
  }
  // A suite in CSV with no fault columns: its tests and their costs.
  LineReader reader{in, 0, {}, false};
  SuiteBuilder builder;
  builder.nothingRevealedIsFine = true;
  SparseSuite read;
  if (!readCsvSuite(reader, builder, error) || !finishSuite(builder, read, error)) return false;
  for (std::size_t test = 0; test < read.testNames.size(); ++test) {
    costs[read.testNames[test]] = read.testCost[test];
  }
  return true;
}

std::vector<int> applyTestCosts(SparseSuite& suite,
                                const std::unordered_map<std::string, float>& costs) {
  std::vector<int> without;
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    auto found = costs.find(suite.testNames[test]);
    if (found == costs.end()) found = costs.find(junitKeyOf(suite.testNames[test]));
    if (found == costs.end()) {
      without.push_back(static_cast<int>(test));
    } else {
      suite.testCost[test] = found->second;
    }
  }
  return without;
}

}  // namespace antorder
