#include "suite/aligned_suite.h"

#include <cstddef>
#include <unordered_map>

namespace antorder {

bool alignToSuite(const SparseSuite& suite, const SparseSuite& other, SparseSuite& aligned,
                  std::string& unknownTest) {
  std::unordered_map<std::string, std::size_t> testOfName;
  for (std::size_t test = 0; test < suite.testNames.size(); ++test) {
    testOfName.emplace(suite.testNames[test], test);
  }
  std::vector<int> otherTestOf(suite.testNames.size(), -1);
  for (std::size_t test = 0; test < other.testNames.size(); ++test) {
    const auto found = testOfName.find(other.testNames[test]);
    if (found == testOfName.end()) {
      unknownTest = other.testNames[test];
      return false;
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
  return true;
}

}  // namespace antorder
