#pragma once

// The colony's float formulas, shared by the built-in program and the one for
// any suite, so that both round every step in the same place. Each function
// states which steps are float and which double; callers store results in float.

#include <cstdint>

#include "platform/random.h"

constexpr double EXPLOIT_THRESHOLD = 0.5;     // draws below it exploit the trail
constexpr double EVAPORATION = 0.8;           // weight of the new term in trail updates
constexpr unsigned int RANDOM_SEED = 12345u;  // the seed of every run unless one is given

// The weight an update keeps of the old level: 1 - 0.8 in double, which is
// 0.19999999999999996, not 0.2.
constexpr double KEPT_SHARE = 1.0 - EVAPORATION;

// The initial trail level tau0 from the length of the reference cycle: the
// product rounds in float, the reciprocal is taken in double.
inline float initialLevel(float referenceLength, std::int64_t testCount) {
  const float scaledLength = referenceLength * static_cast<float>(testCount);
  return static_cast<float>(1.0 / static_cast<double>(scaledLength));
}

// What the local update adds to every level after a step: tau0 * 0.8 in double.
inline double localPull(float tau0) {
  return static_cast<double>(tau0) * EVAPORATION;
}

// What the global update adds along the selected tour: (1 / apfd) * 0.8 in double.
inline double globalDeposit(float apfd) {
  return (1.0 / static_cast<double>(apfd)) * EVAPORATION;
}

// A level after an update that keeps KEPT_SHARE of it and adds the pull or the
// deposit: computed in double, rounded to float.
inline float updatedLevel(float level, double added) {
  return static_cast<float>(static_cast<double>(level) * KEPT_SHARE + added);
}

// The exploit score of a move: its level per squared cost, product and quotient in float.
inline float trailScore(float level, float cost) {
  return level / (cost * cost);
}

// The greedy score of a test: half its new faults plus half its severity,
// computed in double from the integers and rounded to float.
inline float greedyScore(std::int64_t newFaults, std::int64_t severity) {
  return static_cast<float>(0.5 * static_cast<double>(newFaults) +
                            0.5 * static_cast<double>(severity));
}

// The share q in [0, 1] that a draw decides the next-test rule by, in float.
inline float drawnShare(int draw) {
  return static_cast<float>(draw) / static_cast<float>(RANDOM_MAX);
}

// Whether the share q picks the trail's choice rather than the greedy one.
inline bool exploitsTrail(float q) {
  return static_cast<double>(q) < EXPLOIT_THRESHOLD;
}

// APFD from the mean of the 1-based positions at which each fault is first
// revealed, in float: 1 - mean + 1 / (2n), each step rounding to float.
inline float apfdFromMeanPosition(float meanPosition, std::int64_t testCount) {
  const float uncovered = 1.0f - meanPosition;
  const float halfStep = 1.0f / static_cast<float>(2 * testCount);
  return uncovered + halfStep;
}

// APFD from the float sum of those positions, as the built-in program keeps it.
inline float apfdFromPositionSum(float positionSum, std::int64_t testCount,
                                 std::int64_t faultCount) {
  return apfdFromMeanPosition(positionSum / static_cast<float>(testCount * faultCount), testCount);
}

// APFD from their exact sum: the mean is taken in double and rounded to float
// once. Where the sum and n x m are below 2^24 this is apfdFromPositionSum's
// number bit for bit (a float quotient of exact values and a double quotient
// rounded to float are the same number); above, a float sum would lose whole
// positions, and this stays right.
inline float apfdFromExactPositionSum(std::int64_t positionSum, std::int64_t testCount,
                                      std::int64_t faultCount) {
  const double mean =
      static_cast<double>(positionSum) / static_cast<double>(testCount * faultCount);
  return apfdFromMeanPosition(static_cast<float>(mean), testCount);
}
