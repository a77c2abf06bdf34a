#pragma once

// A suite of any size, as read from a file: tests in file order, the faults
// that some test reveals, and which test reveals which, stored sparsely (only
// the ones), so memory follows the tests and the ones, not tests x faults.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace antorder {

struct SparseSuite {
  std::vector<std::string> testNames;  // unique, in file order
  std::vector<float> testCost;         // each above 0
  std::vector<int> testSeverity;       // each from 1 to MAX_SEVERITY
  // Faults some test reveals, in file order; faults that exactly the same
  // tests reveal are one, named by the first, weighted by their number.
  std::vector<std::string> faultNames;
  std::vector<int> faultWeight;                   // by fault; empty when every weight is 1
  std::vector<std::string> unrevealedFaultNames;  // faults no test reveals: left out of every score
  // The faults test t reveals, ascending: revealedFaults[firstRevealed[t] ..
  // firstRevealed[t + 1]). firstRevealed has one entry more than there are tests.
  std::vector<std::size_t> firstRevealed;
  std::vector<int> revealedFaults;
  std::string itemNoun = "faults";  // what the faults are, in the summary's words
  std::vector<std::string> notes;   // lines the reader adds to the summary
};

constexpr int MAX_SEVERITY = 1000000;

inline int testCount(const SparseSuite& suite) {
  return static_cast<int>(suite.testNames.size());
}

// The distinct faults: what the colony and the scores work on.
inline int faultCount(const SparseSuite& suite) {
  return static_cast<int>(suite.faultNames.size());
}

inline int faultWeight(const SparseSuite& suite, std::size_t fault) {
  return suite.faultWeight.empty() ? 1 : suite.faultWeight[fault];
}

// Every fault, merged ones counted each: the m of APFD. O(faults).
std::int64_t totalFaultWeight(const SparseSuite& suite);

// Merges faults that exactly the same tests reveal into one of their number's
// weight, which changes no score and no step of the colony, and shrinks the
// work to the distinct columns. O(ones) expected.
void mergeIdenticalFaults(SparseSuite& suite);

// The tests that reveal each fault, ascending: tests[first[f] .. first[f + 1]).
struct FaultColumns {
  std::vector<std::size_t> first;
  std::vector<int> tests;
};

// O(tests + ones).
FaultColumns buildFaultColumns(const SparseSuite& suite);

// The 1-based position in the order of the first test that reveals each
// fault, by fault. O(n + ones) at most; the scan stops once every fault is found.
std::vector<int> firstRevealingPositions(const SparseSuite& suite, const int* order);

// APFD of an order of all the suite's tests: the exact sum over the faults
// (each by its weight) of the 1-based position of the first test that
// reveals it, its mean over n x m in double rounded to float, then the steps
// of the APFD formula in float.
float computeSuiteApfd(const SparseSuite& suite, const int* order);

// The cost-cognizant APFD of an order, every fault of severity 1: over the
// faults, the cost of the tests from the first that reveals it to the end,
// less half that test's cost, divided by the whole cost times the faults.
// Computed in double, given as float.
float computeSuiteApfdc(const SparseSuite& suite, const int* order);

// True when every test costs the same, so that APFDc equals APFD.
bool costsAllEqual(const SparseSuite& suite);

}  // namespace antorder
