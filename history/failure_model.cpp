#include "history/failure_model.h"

#include <algorithm>
#include <cmath>

namespace antorder {

namespace {

using Index = std::size_t;

constexpr double LN2 = 0.6931471805599453;
// ln 2 split so that k x LN2_HIGH is exact for any |k| below 2^11.
constexpr double LN2_HIGH = 6.93147180369123816490e-01;
constexpr double LN2_LOW = 1.90821492927058770002e-10;

// Where the model stops trusting its sum: e^-40 is far below any failure share.
constexpr double MAX_LOGIT = 40.0;

double sigmoid(double z) {
  const double bounded = std::min(MAX_LOGIT, std::max(-MAX_LOGIT, z));
  return 1.0 / (1.0 + portableExp(-bounded));
}

double dot(const Features& a, const Features& b) {
  double sum = 0.0;
  for (Index at = 0; at < a.size(); ++at) sum += a[at] * b[at];
  return sum;
}

}  // namespace

double portableExp(double x) {
  // x = k ln 2 + r with |r| <= ln 2 / 2; e^r by its series to the 13th
  // power, whose next term is below a double's precision there.
  const double k = std::floor(x / LN2 + 0.5);
  const double r = (x - k * LN2_HIGH) - k * LN2_LOW;
  double term = 1.0;
  double sum = 1.0;
  for (int power = 1; power <= 13; ++power) {
    term = term * r / power;
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(k));
}

double portableLog(double x) {
  // x = m 2^e with m in [0.5, 1); ln m = 2 atanh(s), s = (m - 1) / (m + 1),
  // |s| <= 1/3, by its series to the 41st power.
  int exponent = 0;
  const double m = std::frexp(x, &exponent);
  const double s = (m - 1.0) / (m + 1.0);
  const double square = s * s;
  double power = s;
  double sum = 0.0;
  for (int odd = 1; odd <= 41; odd += 2) {
    sum += power / odd;
    power *= square;
  }
  return static_cast<double>(exponent) * LN2 + 2.0 * sum;
}

void addRun(HistoryPast& past, const TestRun& run) {
  for (const TestResult& result : run.results) {
    if (!result.ran) continue;
    const auto key = static_cast<Index>(result.key);
    if (key >= past.tests.size()) past.tests.resize(key + 1);
    TestPast& test = past.tests[key];
    const double verdict = result.failed ? 1.0 : 0.0;
    if (test.runs > 0 && test.lastFailed != result.failed) ++test.flips;
    for (Index at = 0; at < SMOOTHING_RATES.size(); ++at) {
      test.smoothed[at] = SMOOTHING_RATES[at] * verdict + SMOOTHING_KEPT[at] * test.smoothed[at];
    }
    if (test.recentSeconds.size() < static_cast<Index>(DEFAULT_WINDOW)) {
      test.recentSeconds.push_back(result.seconds);
    } else {
      test.recentSeconds[static_cast<Index>(test.runs % DEFAULT_WINDOW)] = result.seconds;
    }
    past.scratch = test.recentSeconds;
    test.recentMedian = medianInPlace(past.scratch);
    test.secondsSum += result.seconds;
    ++test.runs;
    test.lastFailed = result.failed;
    if (result.failed) {
      ++test.failures;
      test.runsSinceFailure = 0;
    } else if (test.runsSinceFailure >= 0) {
      ++test.runsSinceFailure;
    }
  }
  ++past.runs;
}

double expectedSeconds(const HistoryPast& past, int key) {
  const auto at = static_cast<Index>(key);
  if (at >= past.tests.size() || past.tests[at].runs == 0) return -1.0;
  return std::max(MIN_SECONDS, past.tests[at].recentMedian);
}

namespace {

// `test` is null for a new test; `top` is the highest specificity of any
// test under the change.
void addChangeFeatures(const RunChange& change, int key, const TestPast* test, double top,
                       Features& features) {
  const ChangeSignals signals = signalsOf(change, key);
  double* const into = features.data() + HISTORY_FEATURES;
  const bool touched = signals.touched || test == nullptr;
  into[0] = touched ? 1.0 : 0.0;
  into[1] = portableLog(1.0 + signals.coveredLines) / 5.0;
  into[2] = signals.coveredShare;
  into[3] = portableLog(1.0 + signals.specificity) / 5.0;
  into[4] = signals.ownFile ? 1.0 : 0.0;
  into[5] = signals.nameMatch ? 1.0 : 0.0;
  into[6] = portableLog(1.0 + static_cast<double>(change.changedLines)) / 10.0;
  // What the test's past says beside the change: a test with no failure of
  // its own that the change touches is where a regression first shows, and
  // how long an untouched test has passed since its last failure says how
  // stale that failure is next to the change.
  const bool failedBefore = test != nullptr && test->runsSinceFailure >= 0;
  const double since = failedBefore ? static_cast<double>(test->runsSinceFailure) : 0.0;
  into[7] = touched && !failedBefore ? 1.0 : 0.0;
  into[8] = top > 0.0 ? signals.specificity / top : 0.0;
  into[9] = !touched && failedBefore ? since / (1.0 + since) : 0.0;
  into[10] = touched && failedBefore ? 1.0 / (1.0 + since) : 0.0;
}

}  // namespace

double topSpecificityOf(const RunChange& change) {
  double top = 0.0;
  for (const ChangeSignals& signals : change.signals) top = std::max(top, signals.specificity);
  return top;
}

Features featuresOf(const HistoryPast& past, int key, const RunChange* change,
                    double topSpecificity) {
  Features features{};
  features[0] = 1.0;
  const auto at = static_cast<Index>(key);
  const bool isNew = at >= past.tests.size() || past.tests[at].runs == 0;
  if (change != nullptr && change->carried)
    addChangeFeatures(*change, key, isNew ? nullptr : &past.tests[at], topSpecificity, features);
  if (isNew) {
    features[6] = 1.0;
    return features;
  }
  const TestPast& test = past.tests[at];
  const auto runs = static_cast<double>(test.runs);
  const auto failures = static_cast<double>(test.failures);
  for (Index rate = 0; rate < SMOOTHING_RATES.size(); ++rate)
    features[1 + rate] = test.smoothed[rate];
  features[4] = test.runsSinceFailure < 0 ? 0.0 : 1.0 / (1.0 + test.runsSinceFailure);
  features[5] = test.flips / runs;
  features[7] = portableLog(1.0 + runs) / 10.0;
  features[8] = failures / runs;
  features[9] = test.failures == 0 ? 1.0 : 0.0;
  features[10] = portableLog((failures + 0.5) / (runs + 1.0)) / 10.0;
  features[11] = portableLog(expectedSeconds(past, key)) / 10.0;
  return features;
}

double failureProbability(const FailureModel& model, const Features& features) {
  return sigmoid(dot(model.weights, features));
}

void learnRun(FailureModel& model, const std::vector<Features>& features,
              const std::vector<bool>& failed, bool changeCarried) {
  // Until a run with a change has been learned, the change's weights hold
  // their prior: their signals are all 0, and the decay alone would wear the
  // prior away over a long history (or a large suite) of runs without diffs.
  if (changeCarried) model.learnedChange = true;
  const Index learned = model.learnedChange ? FEATURE_COUNT : HISTORY_FEATURES;
  for (Index test = 0; test < features.size(); ++test) {
    const double error = failureProbability(model, features[test]) - (failed[test] ? 1.0 : 0.0);
    for (Index at = 0; at < learned; ++at) {
      model.weights[at] -=
          model.learningRate * (error * features[test][at] + model.decay * model.weights[at]);
    }
  }
}

std::vector<int> orderByFailureChance(const std::vector<double>& probability,
                                      const std::vector<double>& seconds, bool perSecond) {
  std::vector<double> key(probability.size());
  for (Index at = 0; at < key.size(); ++at) {
    key[at] = perSecond ? probability[at] / std::sqrt(std::sqrt(seconds[at])) : probability[at];
  }
  std::vector<int> order(probability.size());
  for (Index at = 0; at < order.size(); ++at) order[at] = static_cast<int>(at);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const auto first = static_cast<Index>(a);
    const auto second = static_cast<Index>(b);
    if (key[first] != key[second]) return key[first] > key[second];
    return !perSecond && seconds[first] < seconds[second];
  });
  return order;
}

void putTouchedAheadOfFixed(std::vector<int>& order, const std::vector<char>& touched,
                            const std::vector<char>& fixed) {
  const auto isTouched = [&](int test) { return touched[static_cast<Index>(test)] != 0; };
  const auto lastTouched = std::find_if(order.rbegin(), order.rend(), isTouched);
  if (lastTouched == order.rend()) return;
  const auto end = lastTouched.base();  // just after the last touched test
  const auto isFixed = [&](int test) { return fixed[static_cast<Index>(test)] != 0; };
  // Not fixed first, then fixed, each part in its order: the fixed tests
  // land right after the last touched one.
  std::stable_partition(order.begin(), end, [&](int test) { return !isFixed(test); });
}

}  // namespace antorder
