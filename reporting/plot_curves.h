#pragma once

// The curves of the picture, as points in the data's own units, with at most
// a few thousand points however long the suite or the run.

#include <vector>

#include "suite/sparse_suite.h"

namespace antorder {

struct PlotPoint {
  double x;
  double y;
};

// Two curves are one where every point is.
inline bool operator==(const PlotPoint& a, const PlotPoint& b) {
  return a.x == b.x && a.y == b.y;
}

// The share of the faults revealed against the share of the tests run, a
// step curve from (0, 0) to (1, 1). The step for a fault first revealed at
// position k stands at (k - 1/2) / n, so the area under the curve is the
// order's APFD. By cost, the share is of the suite's cost instead, and the
// step stands halfway through the revealing test's cost, so the area is the
// order's APFDc. Steps closer than 1 / maxSteps are drawn as one.
std::vector<PlotPoint> revealCurve(const SparseSuite& suite, const std::vector<int>& order,
                                   int maxSteps, bool byCost = false);

// Where the curve stands at xEnd: its part up to there, cut at xEnd.
std::vector<PlotPoint> cutCurve(const std::vector<PlotPoint>& points, double xEnd);

// The value of each iteration (x from 1), or where there are more than
// maxPoints of them, the least and the greatest value of each stretch.
std::vector<PlotPoint> iterationCurve(const std::vector<float>& values, int maxPoints);

// The best value so far of each iteration, as a step curve with at most
// maxSteps steps.
std::vector<PlotPoint> bestSoFarCurve(const std::vector<float>& values, int maxSteps);

}  // namespace antorder
