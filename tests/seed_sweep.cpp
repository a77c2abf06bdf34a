// Runs the whole search as the program does, without printing, for every seed
// from 0 to SEED_COUNT - 1. Prints the number of seeds, how many of them ended
// at a tour that is not a best order, and one digest of everything their
// reports would print together with the final trail's bits. Exits 1 when some
// seed ended away from a best order. Then runs the same seeds through the
// colony for any suite, on the built-in suite, and prints the same digest of
// it, which must be equal.
//
// The digest is 64-bit FNV-1a over 32-bit words, each taken byte by byte from
// its low end, so it does not depend on the machine's byte order.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo/colony.h"
#include "demo/suite.h"
#include "ordering/suite_colony.h"
#include "platform/random.h"

using namespace antorder;

namespace {

constexpr unsigned int SEED_COUNT = 10000u;

constexpr std::uint64_t FNV_OFFSET_BASIS = 14695981039346656037ull;
constexpr std::uint64_t FNV_PRIME = 1099511628211ull;
constexpr int BITS_PER_BYTE = 8;

std::uint64_t addWord(std::uint64_t digest, std::uint32_t word) {
  for (std::size_t byte = 0; byte < sizeof word; ++byte) {
    digest ^= (word >> (BITS_PER_BYTE * byte)) & 0xFFu;
    digest *= FNV_PRIME;
  }
  return digest;
}

std::uint64_t addFloat(std::uint64_t digest, float value) {
  static_assert(sizeof(float) == sizeof(std::uint32_t), "a float is a 32-bit word");
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return addWord(digest, bits);
}

// The built-in suite as the colony for any suite reads it.
SparseSuite builtInAsSparse() {
  SparseSuite sparse;
  sparse.firstRevealed.push_back(0);
  for (int test = 0; test < TEST_COUNT; ++test) {
    sparse.testNames.push_back(std::to_string(test + 1));
    sparse.testCost.push_back(BUILT_IN_SUITE.testCost[test]);
    sparse.testSeverity.push_back(BUILT_IN_SUITE.testSeverity[test]);
    for (int fault = 0; fault < FAULT_COUNT; ++fault) {
      if (BUILT_IN_SUITE.faultMatrix[test][fault] == 1) sparse.revealedFaults.push_back(fault);
    }
    sparse.firstRevealed.push_back(sparse.revealedFaults.size());
  }
  for (int fault = 0; fault < FAULT_COUNT; ++fault)
    sparse.faultNames.push_back(std::to_string(fault));
  return sparse;
}

// The digest of the sweep, from the colony for any suite.
std::uint64_t sweepSuiteColony() {
  const SparseSuite suite = builtInAsSparse();
  const int given[TEST_COUNT] = {0, 1, 2, 3, 4};
  std::uint64_t digest = addFloat(FNV_OFFSET_BASIS, computeSuiteApfd(suite, given));
  for (unsigned int seed = 0; seed < SEED_COUNT; ++seed) {
    seedRandom(seed);
    SuiteColony colony = createSuiteColony(suite, ANT_COUNT);
    for (int iteration = 1; iteration <= ITERATION_COUNT; ++iteration) {
      digest = addFloat(digest, runSuiteIteration(colony));
    }
    for (const int test : selectedTour(colony))
      digest = addWord(digest, static_cast<std::uint32_t>(test));
    for (int from = 0; from < TEST_COUNT; ++from) {
      for (int to = 0; to < TEST_COUNT; ++to)
        digest = addFloat(digest, trailLevel(colony, from, to));
    }
  }
  return digest;
}

void printDigest(const char* label, std::uint64_t digest) {
  std::printf("%s: %08lx%08lx\n", label, static_cast<unsigned long>(digest >> 32u),
              static_cast<unsigned long>(digest & 0xFFFFFFFFu));
}

}  // namespace

int main() {
  // The baseline line is the same for every seed: the score of the given order,
  // the first of the orders tried for the highest possible score.
  int order[TEST_COUNT];
  for (int position = 0; position < TEST_COUNT; ++position) order[position] = position;
  std::uint64_t digest = addFloat(FNV_OFFSET_BASIS, computeApfd(BUILT_IN_SUITE, order));
  float highestApfd = 0.0f;
  do {
    highestApfd = std::max(highestApfd, computeApfd(BUILT_IN_SUITE, order));
  } while (std::next_permutation(order, order + TEST_COUNT));

  unsigned int seedsAwayFromBest = 0;
  for (unsigned int seed = 0; seed < SEED_COUNT; ++seed) {
    seedRandom(seed);
    TestSuite suite = BUILT_IN_SUITE;
    Colony colony = {};
    runSearch(suite, colony, [&digest](int /*iteration*/, const Colony& searched) {
      digest = addFloat(digest, searched.bestApfd);
    });
    for (const int test : colony.bestTour)
      digest = addWord(digest, static_cast<std::uint32_t>(test));
    for (int from = 0; from < TEST_COUNT; ++from) {
      for (int to = 0; to < TEST_COUNT; ++to) digest = addFloat(digest, colony.pheromone[from][to]);
    }
    if (colony.bestApfd < highestApfd) ++seedsAwayFromBest;
  }

  std::printf("seeds: %u\n", SEED_COUNT);
  std::printf("seeds ending away from a best order: %u\n", seedsAwayFromBest);
  printDigest("digest", digest);
  printDigest("digest of the colony for any suite", sweepSuiteColony());
  return seedsAwayFromBest == 0 ? 0 : 1;
}
