#pragma once

// Collects a suite test by test as a reader finds it, and checks what holds
// for the whole suite once the file is read.

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

// What a test's coverage counts as the items it reveals: lines run, branches
// taken or functions called.
enum class CoverageItems { LINES, BRANCHES, FUNCTIONS };

// What is wrong with an input, and where: line 0 for the file as a whole.
struct ReadError {
  long line = 0;
  std::string reason;
  std::string file;  // the file it is in, where not the one given (a report in a folder)

  ReadError() = default;
  ReadError(long where, std::string why) : line(where), reason(std::move(why)) {}
};

struct SuiteBuilder {
  // The tests so far; until finishSuite, revealedFaults holds raw indices
  // into rawFaultNames, the faults in file order, revealed or not.
  SparseSuite suite = {{}, {}, {}, {}, {}, {}, {0}, {}, "faults", {}};
  std::vector<std::string> rawFaultNames;
  std::unordered_map<std::string, long> lineOfTest;
  // A history in which nothing failed is still a suite to order.
  bool nothingRevealedIsFine = false;
};

// Takes a test's name, read on `line`, into `lineOfTest`, the names taken
// so far; false, with the reason, when it is empty, cannot be written a
// test a line, or is taken.
bool takeTestName(std::unordered_map<std::string, long>& lineOfTest, const std::string& name,
                  long line, ReadError& error);

// Adds a test with the raw indices of the faults it reveals, in any order and
// with repeats; false, with the reason, when the name is empty or taken.
bool addTest(SuiteBuilder& builder, const std::string& name, float cost, int severity,
             std::vector<int>& rawFaults, long line, ReadError& error);

// Leaves out the faults no test reveals, merges those that the same tests
// reveal, and hands over the suite; false, with
// the reason, when there is nothing to order (no test, or no fault revealed
// unless that is fine) or the suite is too large to order exactly.
bool finishSuite(SuiteBuilder& builder, SparseSuite& suite, ReadError& error);

}  // namespace antorder
