#include "suite/suite_builder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "suite/field_values.h"

namespace antorder {

namespace {

// The start draw reaches 2^30 tests, from two 15-bit draws.
constexpr std::int64_t MAX_TESTS = std::int64_t{1} << 30;
// The greedy score, half of newFaults + severity, is exact in float below this.
constexpr std::int64_t MAX_GREEDY_KEY = std::int64_t{1} << 24;

}  // namespace

bool takeTestName(std::unordered_map<std::string, long>& lineOfTest, const std::string& name,
                  long line, ReadError& error) {
  if (name.empty()) {
    error = {line, "a test needs a name"};
    return false;
  }
  // Orders are written a test a line.
  if (const std::string refusal = nameRefusal(name); !refusal.empty()) {
    error = {line, refusal};
    return false;
  }
  const auto [earlier, added] = lineOfTest.emplace(name, line);
  if (!added) {
    error = {line, "two tests named \"" + name + "\" (the first on line " +
                       std::to_string(earlier->second) + ")"};
    return false;
  }
  return true;
}

bool addTest(SuiteBuilder& builder, const std::string& name, float cost, int severity,
             std::vector<int>& rawFaults, long line, ReadError& error) {
  if (!takeTestName(builder.lineOfTest, name, line, error)) return false;
  SparseSuite& suite = builder.suite;
  suite.testNames.push_back(name);
  suite.testCost.push_back(cost);
  suite.testSeverity.push_back(severity);
  std::sort(rawFaults.begin(), rawFaults.end());
  rawFaults.erase(std::unique(rawFaults.begin(), rawFaults.end()), rawFaults.end());
  suite.revealedFaults.insert(suite.revealedFaults.end(), rawFaults.begin(), rawFaults.end());
  suite.firstRevealed.push_back(suite.revealedFaults.size());
  return true;
}

bool finishSuite(SuiteBuilder& builder, SparseSuite& suite, ReadError& error) {
  SparseSuite& built = builder.suite;
  if (built.testNames.empty()) {
    error = {0, "the file holds no tests"};
    return false;
  }
  if (static_cast<std::int64_t>(built.testNames.size()) > MAX_TESTS) {
    error = {0, "more than " + std::to_string(MAX_TESTS) + " tests"};
    return false;
  }

  // Revealed faults keep their file order under new, dense indices.
  std::vector<int> newIndex(builder.rawFaultNames.size(), 0);
  for (const int raw : built.revealedFaults) newIndex[static_cast<std::size_t>(raw)] = 1;
  int revealed = 0;
  for (std::size_t raw = 0; raw < newIndex.size(); ++raw) {
    if (newIndex[raw] != 0) {
      newIndex[raw] = revealed++;
      built.faultNames.push_back(std::move(builder.rawFaultNames[raw]));
    } else {
      newIndex[raw] = -1;
      built.unrevealedFaultNames.push_back(std::move(builder.rawFaultNames[raw]));
    }
  }
  if (revealed == 0 && !builder.nothingRevealedIsFine) {
    error = {0, built.itemNoun == "faults"
                    ? "no test reveals any fault: there is nothing to order"
                    : "no test has any " + built.itemNoun + ": there is nothing to order"};
    return false;
  }
  for (int& fault : built.revealedFaults) fault = newIndex[static_cast<std::size_t>(fault)];
  mergeIdenticalFaults(built);

  for (std::size_t test = 0; test < built.testNames.size(); ++test) {
    std::int64_t faults = 0;
    for (std::size_t one = built.firstRevealed[test]; one < built.firstRevealed[test + 1]; ++one) {
      faults += faultWeight(built, static_cast<std::size_t>(built.revealedFaults[one]));
    }
    if (faults + built.testSeverity[test] >= MAX_GREEDY_KEY) {
      error = {0, "test \"" + built.testNames[test] +
                      "\" reveals too many faults for its severity: faults plus severity must "
                      "stay below " +
                      std::to_string(MAX_GREEDY_KEY) + " for exact scores"};
      return false;
    }
  }
  suite = std::move(built);
  return true;
}

}  // namespace antorder
