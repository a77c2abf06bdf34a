#include "reporting/plot_curves.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace antorder {

namespace {

// A step curve from `start`, rising to each event's y at its x (ascending),
// flat to xEnd. Events whose x falls in the same of maxSteps equal stretches
// of [xFirst, xEnd] share the first one's step.
struct StepCurve {
  std::vector<PlotPoint> points;
  double xFirst;
  double xEnd;
  int maxSteps;
  long lastStretch = -1;
};

void riseTo(StepCurve& curve, double x, double y) {
  const double span = curve.xEnd - curve.xFirst;
  const long stretch =
      span > 0.0 ? static_cast<long>((x - curve.xFirst) / span * curve.maxSteps) : 0;
  if (stretch == curve.lastStretch) {
    curve.points.back().y = y;
    return;
  }
  curve.points.push_back({x, curve.points.back().y});
  curve.points.push_back({x, y});
  curve.lastStretch = stretch;
}

std::vector<PlotPoint> finish(StepCurve& curve) {
  curve.points.push_back({curve.xEnd, curve.points.back().y});
  return std::move(curve.points);
}

}  // namespace

std::vector<PlotPoint> revealCurve(const SparseSuite& suite, const std::vector<int>& order,
                                   int maxSteps, bool byCost) {
  // costBefore[k]: the cost of the tests before position k + 1, a cost of 1 each unless by cost.
  std::vector<double> costBefore(order.size() + 1, 0.0);
  for (std::size_t position = 0; position < order.size(); ++position) {
    const auto test = static_cast<std::size_t>(order[position]);
    costBefore[position + 1] =
        costBefore[position] + (byCost ? static_cast<double>(suite.testCost[test]) : 1.0);
  }
  // The faults by the position that first reveals them, each with its weight.
  const std::vector<int> positions = firstRevealingPositions(suite, order.data());
  std::vector<std::pair<int, int>> steps;
  for (std::size_t fault = 0; fault < positions.size(); ++fault) {
    steps.emplace_back(positions[fault], faultWeight(suite, fault));
  }
  std::sort(steps.begin(), steps.end());
  const double total = costBefore.back();
  const auto faults = static_cast<double>(totalFaultWeight(suite));
  StepCurve curve{{{0.0, 0.0}}, 0.0, 1.0, maxSteps};
  std::int64_t revealed = 0;
  for (const auto& [position, weight] : steps) {
    const auto at = static_cast<std::size_t>(position);
    const double middle = (costBefore[at - 1] + costBefore[at]) / 2.0;
    revealed += weight;
    riseTo(curve, middle / total, static_cast<double>(revealed) / faults);
  }
  return finish(curve);
}

std::vector<PlotPoint> cutCurve(const std::vector<PlotPoint>& points, double xEnd) {
  std::vector<PlotPoint> cut;
  for (const PlotPoint& point : points) {
    if (point.x > xEnd) {
      if (cut.empty() || cut.back().x < xEnd)
        cut.push_back({xEnd, cut.empty() ? point.y : cut.back().y});
      return cut;
    }
    cut.push_back(point);
  }
  return cut;
}

std::vector<PlotPoint> iterationCurve(const std::vector<float>& values, int maxPoints) {
  std::vector<PlotPoint> points;
  const std::size_t count = values.size();
  const auto most = static_cast<std::size_t>(maxPoints);
  const std::size_t stretch = count <= most ? 1 : (2 * count + most - 1) / most;
  for (std::size_t first = 0; first < count; first += stretch) {
    std::size_t low = first;
    std::size_t high = first;
    for (std::size_t at = first; at < std::min(count, first + stretch); ++at) {
      if (values[at] < values[low]) low = at;
      if (values[at] > values[high]) high = at;
    }
    // Each stretch's two extremes in the order they came.
    for (const std::size_t at : {std::min(low, high), std::max(low, high)}) {
      const double x = static_cast<double>(at) + 1.0;
      if (points.empty() || points.back().x != x)
        points.push_back({x, static_cast<double>(values[at])});
    }
  }
  return points;
}

std::vector<PlotPoint> bestSoFarCurve(const std::vector<float>& values, int maxSteps) {
  if (values.empty()) return {};
  StepCurve curve{{{1.0, static_cast<double>(values.front())}},
                  1.0,
                  static_cast<double>(values.size()),
                  maxSteps};
  float best = values.front();
  for (std::size_t at = 1; at < values.size(); ++at) {
    if (values[at] > best) {
      best = values[at];
      riseTo(curve, static_cast<double>(at) + 1.0, static_cast<double>(best));
    }
  }
  return finish(curve);
}

}  // namespace antorder
