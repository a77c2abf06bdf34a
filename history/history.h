#pragma once

// A project's test runs as its reports recorded them, the oldest first, and
// the times they give each test.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace antorder {

constexpr int DEFAULT_WINDOW = 50;
constexpr double MIN_SECONDS = 0.001;  // the least cost a test's times give it

// One test's result in one run.
struct TestResult {
  int key;  // into History::keys
  double seconds;
  bool ran;
  bool failed;
  // The test's place in the order its runner collected the run's tests, 0
  // for the first, where the report records it (the pytest plugin's
  // antorder_position); -1 where it does not.
  int position = -1;
};

struct TestRun {
  std::string name;                 // the report's file name without .xml, or its folder's name
  std::vector<TestResult> results;  // in report order, one per key
  // The change the run tested, against the run before it: the diff beside
  // its report (run-0042.diff by run-0042.xml) or changes.diff in its
  // folder; empty where it has none.
  std::string changeFile;
  // Whether results are in the order the runner collected them rather than
  // the report's (see putRunsInCollectionOrder).
  bool collectionOrder = false;
};

// A run of a folder whose report could not be read, and why.
struct LeftOutRun {
  std::string file;  // the report, or the run's folder
  long line = 0;     // 0 for the file as a whole
  std::string reason;
};

// A run of a folder as its name orders it, read or left out, with the files
// kept for it: the coverage is carried through every run's diff, whether or
// not its results count.
struct RunFiles {
  std::string name;
  int run = -1;              // into History::runs; -1 for a run left out
  std::string changeFile;    // its diff, as TestRun::changeFile; empty for none
  std::string coverageFile;  // a coverage snapshot taken at it; empty for none
  // Of a run written by shards, the shard numbers its reports carry
  // (run-0042-shard-3.xml is 3), ascending; empty for a run not sharded.
  std::vector<int> shards;
};

struct History {
  std::vector<std::string> keys;
  std::unordered_map<std::string, int> keyIndex;
  std::vector<TestRun> runs;        // oldest first
  std::vector<LeftOutRun> leftOut;  // in name order
  // Tests met in two shards' reports of one run, each named with both files.
  std::vector<std::string> doubled;
  // Of a folder, every run in name order (empty for a single report).
  std::vector<RunFiles> timeline;
  // Diffs and coverage snapshots of the folder that no run takes, and why:
  // a link, a shard's own, one without a run of its name.
  std::vector<LeftOutRun> filesUnread;
  // A test's own file, by key, where its report names it (a testcase's
  // file attribute, as jest-junit and GoogleTest write it); the latest run's.
  std::map<int, std::string> fileOfKey;
};

// Puts each run's results whose reports record their collection positions
// in that order, those without a position after them in report order: the
// order the runner would have run without being reordered. A run that
// records none keeps its report order, which is the runner's own there.
// Returns how many runs were put in collection order.
int putRunsInCollectionOrder(History& history);

// The median of the values, the mean of the two middle ones for an even
// count; 0 for none.
double medianOf(std::vector<double> values);

// The same, reordering the values instead of copying them.
double medianInPlace(std::vector<double>& values);

// By key, the median of its times over the last `window` runs in which it
// ran (the mean of the two middle ones for an even count), at least
// MIN_SECONDS; -1 for a key that did not run in them.
std::vector<double> medianSeconds(const History& history, int window);

// The same over the runs from firstRun up to, not including, endRun.
std::vector<double> medianSecondsOf(const History& history, int firstRun, int endRun);

// The tests the next run is expected to hold: every test that ran in the
// last `window` runs, those of the latest in its report order, then those
// only earlier runs ran, the latest of those runs first. A run that left a
// test out (a budget's selection, a run stopped at its first failure) does
// not make it gone.
std::vector<int> windowKeys(const History& history, int window);

// Where the newest run read is written by shards and some seem missing (its
// shard numbers not 1 to k, or fewer than the sharded run before it had),
// what is read of it, "run-0015: shards 1 of 3"; empty otherwise.
std::string incompleteShards(const History& history);

// A hash of the runs as read (names, tests, results and times), the same on
// every platform, folded into `hash` (FNV-1a, 64 bits).
void fingerprintHistory(const History& history, std::uint64_t& hash);

// Folds a text, its bytes and an end, into the hash.
void fingerprintText(const std::string& text, std::uint64_t& hash);

// Folds a number into the hash, as its eight bytes from the lowest.
void fingerprintNumber(std::uint64_t number, std::uint64_t& hash);

// Folds a double into the hash by its bits.
void fingerprintSeconds(double seconds, std::uint64_t& hash);

constexpr std::uint64_t FINGERPRINT_START = 14695981039346656037ull;

// Of the runs from firstRun up to, not including, endRun in which a test
// failed (their number in `failingRuns`), how many had one of `keys` fail.
int failingRunsCaught(const History& history, int firstRun, int endRun,
                      const std::vector<int>& keys, int& failingRuns);

}  // namespace antorder
