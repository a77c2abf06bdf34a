#include "suite/aligned_suite.h"

#include <cstddef>
#include <unordered_map>

#include "suite/test_names.h"

namespace antorder {

namespace {

// Moves the faults no test reveals to the unrevealed ones, renumbering the rest.
void leaveOutUnrevealedFaults(SparseSuite& suite) {
  std::vector<int> newIndex(suite.faultNames.size(), -1);
  for (const int fault : suite.revealedFaults) newIndex[static_cast<std::size_t>(fault)] = 0;
  std::vector<std::string> names;
  std::vector<int> weights;
  for (std::size_t fault = 0; fault < suite.faultNames.size(); ++fault) {
    if (newIndex[fault] < 0) {
      suite.unrevealedFaultNames.push_back(suite.faultNames[fault]);
      continue;
    }
    newIndex[fault] = static_cast<int>(names.size());
    names.push_back(suite.faultNames[fault]);
    if (!suite.faultWeight.empty()) weights.push_back(suite.faultWeight[fault]);
  }
  for (int& fault : suite.revealedFaults) fault = newIndex[static_cast<std::size_t>(fault)];
  suite.faultNames = std::move(names);
  suite.faultWeight = std::move(weights);
}

}  // namespace

std::vector<std::string> alignToSuite(const SparseSuite& suite, const SparseSuite& other,
                                      SparseSuite& aligned) {
  std::unordered_map<std::string, std::size_t> testOfName;
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    testOfName.emplace(suite.testNames[test], test);
  }
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    testOfName.emplace(junitKeyOf(suite.testNames[test]), test);
  }
  std::vector<int> otherTestOf(suite.testNames.size(), -1);
  std::vector<std::string> leftOut;
  for (std::size_t test = 0; test < other.testNames.size(); ++test) {
    auto found = testOfName.find(other.testNames[test]);
    if (found == testOfName.end()) found = testOfName.find(junitKeyOf(other.testNames[test]));
    if (found == testOfName.end()) {
      leftOut.push_back(other.testNames[test]);
      continue;
    }
    otherTestOf[found->second] = static_cast<int>(test);
  }
  aligned = SparseSuite{};
  aligned.testNames = suite.testNames;
  aligned.testCost = suite.testCost;
  aligned.testSeverity = suite.testSeverity;
  aligned.faultNames = other.faultNames;
  aligned.faultWeight = other.faultWeight;
  aligned.unrevealedFaultNames = other.unrevealedFaultNames;
  aligned.itemNoun = other.itemNoun;
  aligned.firstRevealed.push_back(0);
  for (const int from : otherTestOf) {
    if (from >= 0) {
      const auto f = static_cast<std::size_t>(from);
      aligned.revealedFaults.insert(
          aligned.revealedFaults.end(),
          other.revealedFaults.begin() + static_cast<std::ptrdiff_t>(other.firstRevealed[f]),
          other.revealedFaults.begin() + static_cast<std::ptrdiff_t>(other.firstRevealed[f + 1]));
    }
    aligned.firstRevealed.push_back(aligned.revealedFaults.size());
  }
  if (!leftOut.empty()) leaveOutUnrevealedFaults(aligned);
  return leftOut;
}

}  // namespace antorder
