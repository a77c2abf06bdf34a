#pragma once

// What a history tells of each test, and a model, learned from it, of the
// chance that a test fails in the next run.
//
// Each test's past holds its verdicts smoothed at four speeds, its runs and
// failures, the runs since it last failed, how often its verdict flipped and
// its latest times. The model is a logistic regression over what the past
// says of a test (FEATURE_COUNT signals, below), trained online: once a run
// has been predicted, each of its tests in report order takes one gradient
// step, so a run's prediction depends on the runs before it alone. Every step
// is plain double arithmetic, so the same history gives the same
// probabilities on every platform.

#include <array>
#include <cstddef>
#include <vector>

#include "history/change_signals.h"
#include "history/history.h"

namespace antorder {

// How fast each smoothed verdict forgets: v = RATE x failed + KEPT x v, KEPT
// written as the decimal 1 - RATE (in binary 1 - 0.8 is not 0.2). The first
// is the recently-failed heuristic's: p = 0.8 x failed + 0.2 x p.
constexpr std::array<double, 3> SMOOTHING_RATES = {0.8, 0.2, 0.05};
constexpr std::array<double, 3> SMOOTHING_KEPT = {0.2, 0.8, 0.95};

// What the runs so far say of one test.
struct TestPast {
  int runs = 0;  // in which it ran
  int failures = 0;
  int runsSinceFailure = -1;  // of its runs since its last failure; -1: never failed
  int flips = 0;              // times its verdict differed from its run before
  bool lastFailed = false;
  std::array<double, SMOOTHING_RATES.size()> smoothed{};  // failure, smoothed at each rate
  double secondsSum = 0.0;
  std::vector<double> recentSeconds;  // its times in its last DEFAULT_WINDOW runs, a ring
  double recentMedian = 0.0;          // their median, kept as they change
};

// What the runs so far say of every test, by key.
struct HistoryPast {
  std::vector<TestPast> tests;
  int runs = 0;
  std::vector<double> scratch;  // where a test's recent times are reordered for their median
};

// Adds a run's results to the past.
void addRun(HistoryPast& past, const TestRun& run);

// A test's expected time: the median of its recent times, at least
// MIN_SECONDS; -1 for a test never run.
double expectedSeconds(const HistoryPast& past, int key);

// The signals, each near 0 to 1: a constant; the verdict smoothed at each
// rate; 1 / (1 + runs since the last failure), 0 if none; the share of its
// runs whose verdict flipped; whether it is new; log(1 + runs) / 10; the
// share of runs it failed; whether it never failed; log of the failure
// share, half a failure added, / 10; log of its expected time / 10. Then,
// where the run carries a change (all 0 where it does not): whether the
// change touches the test; log(1 + the changed lines it covers) / 5; their
// share of its lines; log(1 + their specificity) / 5; whether its own file
// changed; whether its name matches a changed file; log(1 + the change's
// lines) / 10; whether it is touched and never failed (or is new); its
// specificity over the highest of the change's tests; for a test untouched
// that failed before, k / (1 + k), k its runs since its last failure (how
// stale that failure is); for a touched one, 1 / (1 + k).
constexpr std::size_t HISTORY_FEATURES = 12;
constexpr std::size_t CHANGE_FEATURES = 11;
constexpr std::size_t FEATURE_COUNT = HISTORY_FEATURES + CHANGE_FEATURES;
using Features = std::array<double, FEATURE_COUNT>;

// A key the past does not know yet (or never ran) is a new test; under a
// change, a new test is touched. `topSpecificity` is the change's
// topSpecificityOf, taken once a run.
Features featuresOf(const HistoryPast& past, int key, const RunChange* change = nullptr,
                    double topSpecificity = 0.0);

// The highest specificity of any test under the change, 0 where none.
double topSpecificityOf(const RunChange& change);

// The model starts out as the recently-failed heuristic, a test that failed
// lately likelier to fail again, and learns from there: on a short history
// it has seen too little to do better alone. Its prior on a change puts a
// test the change touches ahead of one it does not that did not fail in the
// last run (-3 + 2 against at most -3 + 4 x 0.2), the most specific of them
// first (+1 x its share of the highest specificity), until the runs that
// carry changes teach it better. Without changes those weights never count,
// and they keep their prior until a run with a change is learned.
struct FailureModel {
  Features weights = {-3.0, 4.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0,
                      2.0,  0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0};
  double learningRate = 0.1;
  double decay = 0.0001;       // of the weights, each step
  bool learnedChange = false;  // a run that carried a change has been learned
};

double failureProbability(const FailureModel& model, const Features& features);

// One gradient step of the log loss on each test's features and verdict, in
// the order given, the weights decaying at each. `changeCarried`: the run
// carried a change; until one has, the change's weights keep their prior.
void learnRun(FailureModel& model, const std::vector<Features>& features,
              const std::vector<bool>& failed, bool changeCarried = false);

// The tests by their chance of failing, highest first. With perSecond, by
// the chance over the expected time raised to TIME_POWER (the failures to
// expect per second of running, damped: probabilities are not calibrated
// enough for the plain ratio); otherwise ties go to the cheaper. Remaining
// ties keep the given order. Indices into the vectors.
constexpr double TIME_POWER = 0.25;
std::vector<int> orderByFailureChance(const std::vector<double>& probability,
                                      const std::vector<double>& seconds, bool perSecond);

// Moves each test of `order` marked `fixed` that comes before the last one
// marked `touched` to just after it, keeping the order within each part: a
// test the change touches goes ahead of one it does not touch whose failure
// has been fixed (it passed its runs since), whatever the learned weights
// say. A change is news; a failure that has held fixed since, on code the
// change leaves alone, is not. The other tests keep their places. `touched`
// and `fixed` are by index into the vectors `order` indexes.
void putTouchedAheadOfFixed(std::vector<int>& order, const std::vector<char>& touched,
                            const std::vector<char>& fixed);

// e^x and ln x from + - x / alone, so that every platform rounds alike.
double portableExp(double x);
double portableLog(double x);  // x > 0

}  // namespace antorder
