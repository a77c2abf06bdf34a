#include "ordering/additional_greedy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ordering/baselines.h"
#include "ordering/bits.h"

namespace antorder {

namespace {

// The tests of a level: ranks in ascending runs, each run the tests that one
// higher level passed down, in the order it went through them.
struct Bucket {
  std::vector<int> ranks;
  std::vector<std::size_t> runStarts;
};

// The rule's state. A test is known by its rank, its place in tieOrder. In a
// round a test's key (the weight of its faults not yet revealed in the round)
// only falls, so a key once computed bounds it from above. The round goes
// down the keys level by level; at each, the tests whose bound is that level
// come by rank: those not yet looked at in the round (the untaken tests,
// listed by whole weight, then rank) and those whose key last computed was
// that level (its bucket). The first whose key computed afresh still equals
// the level is taken, as no other test's key can be higher, nor equal with a
// lower rank; any other goes down to the bucket of its key or, at 0, is set
// aside until the round ends. A round ends when every fault some untaken
// test reveals has been revealed in it; the next begins with the buckets
// emptied and every test back at its whole weight. So a round looks at each
// test left once or twice, and a restart costs the list's length.
struct GreedyRounds {
  const SparseSuite& suite;
  const std::vector<int>& tieOrder;  // the test of each rank
  std::vector<int> fullKey{};        // by rank
  std::vector<char> taken{};         // by rank
  std::vector<int> listed{};         // by whole weight then rank; the taken left out at a restart
  std::size_t cursor = 0;            // the first in the list not yet looked at in this round
  std::vector<Bucket> bucket{};      // by key
  std::vector<int> levels{};         // a heap of the keys whose buckets hold ranks
  int level = 0;                     // the key being gone through
  std::size_t bucketAt = 0;          // the next rank of bucket[level]
  std::vector<int> scratch{};        // for merging runs
  std::vector<int> untakenRevealing{};  // by fault: untaken tests that reveal it
  std::vector<int> revealedInRound{};   // by fault: the round it was revealed in, 0 none
  // Where a test reveals more faults than there are words of 64 bits to
  // hold them all, each test's faults as a row of such words, by rank, and
  // those revealed in this round: a key is then counted a word at a time.
  std::size_t words = 0;  // a row's; 0: the faults are counted from the lists
  std::vector<std::uint64_t> faultBits{};
  std::vector<std::uint64_t> revealedBits{};
  int round = 0;
  int revealable = 0;  // faults some untaken test reveals
  int pending = 0;     // of those, not yet revealed in this round
};

const int* faultsOf(const GreedyRounds& g, int rank) {
  const auto test = static_cast<std::size_t>(g.tieOrder[static_cast<std::size_t>(rank)]);
  return g.suite.revealedFaults.data() + g.suite.firstRevealed[test];
}

// Asks the processor to fetch the faults of a test looked at soon.
void prefetchFaults(const GreedyRounds& g, int rank) {
#if defined(__GNUC__)
  __builtin_prefetch(faultsOf(g, rank));
#else
  static_cast<void>(g);
  static_cast<void>(rank);
#endif
}

// The position of the lowest bit set, of a word with some bit set.
int lowestBit(std::uint64_t bits) {
#if defined(__GNUC__)
  return __builtin_ctzll(bits);
#else
  int position = 0;
  for (; (bits & 1u) == 0; bits >>= 1u) ++position;
  return position;
#endif
}

// The key from the rank's row of bits, less those revealed.
int keyOfBits(const GreedyRounds& g, int rank) {
  const std::uint64_t* const row = g.faultBits.data() + static_cast<std::size_t>(rank) * g.words;
  int key = 0;
  if (g.suite.faultWeight.empty()) {
    for (std::size_t word = 0; word < g.words; ++word) {
      key += bitCount(row[word] & ~g.revealedBits[word]);
    }
    return key;
  }
  const int* const weight = g.suite.faultWeight.data();
  for (std::size_t word = 0; word < g.words; ++word) {
    const int* const weights = weight + word * 64;
    for (std::uint64_t bits = row[word] & ~g.revealedBits[word]; bits != 0; bits &= bits - 1) {
      key += weights[lowestBit(bits)];
    }
  }
  return key;
}

// The test's key in this round, counted without a branch on each fault,
// whose outcome no processor could predict.
int keyNow(const GreedyRounds& g, int rank) {
  if (g.words > 0) return keyOfBits(g, rank);
  const auto test = static_cast<std::size_t>(g.tieOrder[static_cast<std::size_t>(rank)]);
  const int* fault = faultsOf(g, rank);
  const int* const end = g.suite.revealedFaults.data() + g.suite.firstRevealed[test + 1];
  const int* const revealed = g.revealedInRound.data();
  int key = 0;
  if (g.suite.faultWeight.empty()) {
    for (; fault < end; ++fault) key += static_cast<int>(revealed[*fault] != g.round);
  } else {
    const int* const weight = g.suite.faultWeight.data();
    for (; fault < end; ++fault) key += revealed[*fault] != g.round ? weight[*fault] : 0;
  }
  return key;
}

// Sorts the bucket's ranks by merging its runs, neighbours two at a time.
void mergeRuns(Bucket& b, std::vector<int>& scratch) {
  while (b.runStarts.size() > 1) {
    scratch.resize(b.ranks.size());
    const std::size_t runs = b.runStarts.size();
    std::size_t kept = 0;
    for (std::size_t run = 0; run < runs; run += 2) {
      const auto begin = static_cast<std::ptrdiff_t>(b.runStarts[run]);
      const auto middle =
          static_cast<std::ptrdiff_t>(run + 1 < runs ? b.runStarts[run + 1] : b.ranks.size());
      const auto end =
          static_cast<std::ptrdiff_t>(run + 2 < runs ? b.runStarts[run + 2] : b.ranks.size());
      std::merge(b.ranks.begin() + begin, b.ranks.begin() + middle, b.ranks.begin() + middle,
                 b.ranks.begin() + end, scratch.begin() + begin);
      b.runStarts[kept++] = b.runStarts[run];
    }
    b.runStarts.resize(kept);
    b.ranks.swap(scratch);
  }
}

void clearBucket(Bucket& b) {
  b.ranks.clear();
  b.runStarts.clear();
}

// Moves down to the highest bound of a test not yet gone through, the
// bucket of that level in rank order; to 0 when none is above 0.
void nextLevel(GreedyRounds& g) {
  clearBucket(g.bucket[static_cast<std::size_t>(g.level)]);
  g.bucketAt = 0;
  const int listed =
      g.cursor < g.listed.size() ? g.fullKey[static_cast<std::size_t>(g.listed[g.cursor])] : 0;
  const int demoted = g.levels.empty() ? 0 : g.levels.front();
  g.level = std::max(listed, demoted);
  if (demoted > 0 && demoted == g.level) {
    std::pop_heap(g.levels.begin(), g.levels.end());
    g.levels.pop_back();
    mergeRuns(g.bucket[static_cast<std::size_t>(g.level)], g.scratch);
  }
}

// Puts the rank in the bucket of its key, a level below the one gone through.
void passDown(GreedyRounds& g, int rank, int key) {
  Bucket& lower = g.bucket[static_cast<std::size_t>(key)];
  if (lower.ranks.empty()) {
    g.levels.push_back(key);
    std::push_heap(g.levels.begin(), g.levels.end());
  }
  if (lower.ranks.empty() || lower.ranks.back() > rank)
    lower.runStarts.push_back(lower.ranks.size());
  lower.ranks.push_back(rank);
}

// How far ahead a level's tests are fetched.
constexpr std::size_t FETCH_AHEAD = 8;

// The next rank of the level, the lower of the list's and the bucket's; -1
// when both are gone through.
int nextAtLevel(GreedyRounds& g) {
  const std::vector<int>& ranks = g.bucket[static_cast<std::size_t>(g.level)].ranks;
  const bool listed = g.cursor < g.listed.size() &&
                      g.fullKey[static_cast<std::size_t>(g.listed[g.cursor])] == g.level;
  const bool demoted = g.bucketAt < ranks.size();
  if (listed && (!demoted || g.listed[g.cursor] < ranks[g.bucketAt])) {
    if (g.cursor + FETCH_AHEAD < g.listed.size()) {
      prefetchFaults(g, g.listed[g.cursor + FETCH_AHEAD]);
    }
    return g.listed[g.cursor++];
  }
  if (!demoted) return -1;
  if (g.bucketAt + FETCH_AHEAD < ranks.size()) prefetchFaults(g, ranks[g.bucketAt + FETCH_AHEAD]);
  return ranks[g.bucketAt++];
}

// The untaken rank with the highest key now, the lowest rank on ties; -1
// when no test reveals anything new, which a pending fault rules out.
int nextRank(GreedyRounds& g) {
  while (g.level > 0) {
    const int rank = nextAtLevel(g);
    if (rank < 0) {
      nextLevel(g);
      continue;
    }
    const int key = keyNow(g, rank);
    if (key == g.level) return rank;
    if (key > 0) passDown(g, rank, key);
  }
  return -1;
}

// Takes the rank's test: its faults revealed in this round.
void takeRank(GreedyRounds& g, int rank) {
  g.taken[static_cast<std::size_t>(rank)] = 1;
  const std::uint64_t* const row = g.faultBits.data() + static_cast<std::size_t>(rank) * g.words;
  for (std::size_t word = 0; word < g.words; ++word) g.revealedBits[word] |= row[word];
  const auto test = static_cast<std::size_t>(g.tieOrder[static_cast<std::size_t>(rank)]);
  for (std::size_t one = g.suite.firstRevealed[test]; one < g.suite.firstRevealed[test + 1];
       ++one) {
    const auto fault = static_cast<std::size_t>(g.suite.revealedFaults[one]);
    if (g.revealedInRound[fault] != g.round) {
      g.revealedInRound[fault] = g.round;
      --g.pending;
    }
    if (--g.untakenRevealing[fault] == 0) --g.revealable;
  }
}

// A new round: the taken out of the list, every fault some untaken test
// reveals pending again.
void startRound(GreedyRounds& g) {
  ++g.round;
  for (const int key : g.levels) clearBucket(g.bucket[static_cast<std::size_t>(key)]);
  g.levels.clear();
  g.listed.erase(
      std::remove_if(g.listed.begin(), g.listed.end(),
                     [&](int rank) { return g.taken[static_cast<std::size_t>(rank)] != 0; }),
      g.listed.end());
  g.cursor = 0;
  g.pending = g.revealable;
  std::fill(g.revealedBits.begin(), g.revealedBits.end(), 0);
  nextLevel(g);
}

// The untaken ranks, by whole weight then rank, as the list.
void listUntaken(GreedyRounds& g, const std::vector<char>& placed) {
  const std::vector<int> weights = revealedWeights(g.suite);
  g.listed.reserve(g.tieOrder.size());
  int highest = 0;
  for (std::size_t rank = 0; rank < g.tieOrder.size(); ++rank) {
    const auto test = static_cast<std::size_t>(g.tieOrder[rank]);
    if (placed[test] != 0) continue;
    g.fullKey[rank] = weights[test];
    highest = std::max(highest, weights[test]);
    g.listed.push_back(static_cast<int>(rank));
    for (std::size_t one = g.suite.firstRevealed[test];
         g.words > 0 && one < g.suite.firstRevealed[test + 1]; ++one) {
      const auto fault = static_cast<std::size_t>(g.suite.revealedFaults[one]);
      g.faultBits[rank * g.words + fault / 64] |= std::uint64_t{1} << (fault % 64);
    }
    for (std::size_t one = g.suite.firstRevealed[test]; one < g.suite.firstRevealed[test + 1];
         ++one) {
      if (g.untakenRevealing[static_cast<std::size_t>(g.suite.revealedFaults[one])]++ == 0) {
        ++g.revealable;
      }
    }
  }
  std::stable_sort(g.listed.begin(), g.listed.end(), [&](int a, int b) {
    return g.fullKey[static_cast<std::size_t>(a)] > g.fullKey[static_cast<std::size_t>(b)];
  });
  g.bucket.resize(static_cast<std::size_t>(highest) + 1);
}

}  // namespace

std::vector<int> additionalGreedyOrder(const SparseSuite& suite) {
  return restartingGreedyOrder(suite, givenOrder(suite),
                               std::vector<char>(suite.testNames.size(), 0));
}

std::vector<int> restartingGreedyOrder(const SparseSuite& suite, const std::vector<int>& tieOrder,
                                       const std::vector<char>& placed) {
  const std::size_t tests = tieOrder.size();
  const std::size_t faults = suite.faultNames.size();
  GreedyRounds g{suite, tieOrder};
  g.fullKey.assign(tests, 0);
  g.taken.assign(tests, 0);
  g.untakenRevealing.assign(faults, 0);
  g.revealedInRound.assign(faults, 0);
  // Rows of bits cost a word where a list costs an entry a fault: no more
  // memory than twice the lists'.
  g.words = (faults + 63) / 64;
  if (tests == 0 || g.words * tests > suite.revealedFaults.size()) g.words = 0;
  g.faultBits.assign(tests * g.words, 0);
  g.revealedBits.assign(g.words, 0);
  listUntaken(g, placed);
  const std::size_t untaken = g.listed.size();
  startRound(g);

  std::vector<int> order;
  order.reserve(untaken);
  bool revealedAny = false;  // in this round
  while (order.size() < untaken) {
    if (g.pending == 0 && revealedAny) {
      // Nothing left adds anything new: start afresh.
      startRound(g);
      revealedAny = false;
      continue;
    }
    // With nothing to reveal, every test left reveals nothing: they follow in rank order.
    const int rank = g.pending == 0 ? g.listed[g.cursor++] : nextRank(g);
    if (rank < 0) break;
    order.push_back(tieOrder[static_cast<std::size_t>(rank)]);
    takeRank(g, rank);
    revealedAny = revealedAny || g.fullKey[static_cast<std::size_t>(rank)] > 0;
  }
  return order;
}

}  // namespace antorder
