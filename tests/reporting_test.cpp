#include <algorithm>
#include <cstddef>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bench/suite_generator.h"
#include "formulas/formulas.h"
#include "reporting/plot_curves.h"
#include "suite/sparse_suite.h"

using namespace antorder;

namespace {

// The area under a curve of horizontal and vertical segments.
double areaUnder(const std::vector<PlotPoint>& points) {
  double area = 0.0;
  for (std::size_t at = 1; at < points.size(); ++at) {
    area += (points[at].x - points[at - 1].x) * points[at - 1].y;
  }
  return area;
}

std::vector<int> givenOrderOf(const SparseSuite& suite) {
  std::vector<int> order(suite.testNames.size());
  std::iota(order.begin(), order.end(), 0);
  return order;
}

// The picture's promise: the area under each order's curve is its APFD, or
// against the time spent its APFDc, and a suite of any length is drawn with
// a bounded number of points.
TEST(Reporting, TheAreaUnderTheRevealCurveIsTheApfd) {
  struct Case {
    SuiteShape shape;
    int maxSteps;
    bool byCost;
    double tolerance;
  };
  const Case cases[] = {
      {{5, 5, 0.4, false, false, 1.0f, 1u}, 1000, false, 1e-6},
      {{300, 40, 0.05, true, true, 1.0f, 2u}, 100000, false, 1e-6},
      {{300, 40, 0.05, true, true, 1.0f, 2u}, 100000, true, 1e-6},
      {{6000, 1500, 0.001, false, false, 1.0f, 3u}, 1000, false, 2e-3},
      {{6000, 1500, 0.001, true, false, 1.0f, 3u}, 1000, true, 2e-3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.shape.tests) + (c.byCost ? " by cost" : ""));
    const SparseSuite suite = generateSuite(c.shape);
    std::vector<int> order = givenOrderOf(suite);
    std::reverse(order.begin(), order.end());
    const std::vector<PlotPoint> curve = revealCurve(suite, order, c.maxSteps, c.byCost);
    EXPECT_NEAR(
        areaUnder(curve),
        c.byCost ? computeSuiteApfdc(suite, order.data()) : computeSuiteApfd(suite, order.data()),
        c.tolerance);
    EXPECT_LE(curve.size(), static_cast<std::size_t>(2 * c.maxSteps + 2));
    EXPECT_EQ(curve.back().x, 1.0);
    EXPECT_EQ(curve.back().y, 1.0);
  }
}

// APFD keeps the sum of first positions exact: with 6,000 tests each
// revealing a fault of its own, run in order, the sum (18,003,000) is past
// what a float holds exactly, and APFD is 1/2 exactly.
TEST(Reporting, ApfdStaysExactWhereAFloatSumWouldDrift) {
  constexpr int tests = 6000;
  SparseSuite suite;
  suite.firstRevealed.push_back(0);
  for (int test = 0; test < tests; ++test) {
    suite.testNames.push_back("t" + std::to_string(test));
    suite.testCost.push_back(1.0f);
    suite.testSeverity.push_back(1);
    suite.faultNames.push_back("f" + std::to_string(test));
    suite.revealedFaults.push_back(test);
    suite.firstRevealed.push_back(suite.revealedFaults.size());
  }
  const std::vector<int> order = givenOrderOf(suite);
  EXPECT_EQ(computeSuiteApfd(suite, order.data()), 0.5f);
}

// A curve cut short ends at the cut, at the height it has there.
TEST(Reporting, CutCurvesEndWhereTheyAreCut) {
  const std::vector<PlotPoint> steps = {{0.0, 0.0}, {0.2, 0.0}, {0.2, 0.5},
                                        {0.6, 0.5}, {0.6, 1.0}, {1.0, 1.0}};
  struct Case {
    double cut;
    std::size_t points;
    double lastY;
  };
  const Case cases[] = {{0.1, 2, 0.0}, {0.2, 3, 0.5}, {0.5, 4, 0.5}, {1.0, 6, 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cut);
    const std::vector<PlotPoint> cut = cutCurve(steps, c.cut);
    ASSERT_EQ(cut.size(), c.points);
    EXPECT_EQ(cut.back().x, c.cut);
    EXPECT_EQ(cut.back().y, c.lastY);
  }
}

TEST(Reporting, IterationCurvesKeepTheExtremesInFewPoints) {
  std::vector<float> values(100000);
  for (std::size_t at = 0; at < values.size(); ++at) {
    values[at] = static_cast<float>((at * 7919) % 1000) / 1000.0f;
  }
  values[54321] = 2.0f;  // one high point among many
  const std::vector<PlotPoint> selected = iterationCurve(values, 2000);
  EXPECT_LE(selected.size(), 2000u);
  const auto highest = std::max_element(selected.begin(), selected.end(),
                                        [](PlotPoint a, PlotPoint b) { return a.y < b.y; });
  EXPECT_EQ(highest->x, 54322.0);
  EXPECT_EQ(std::min_element(selected.begin(), selected.end(),
                             [](PlotPoint a, PlotPoint b) { return a.y < b.y; })
                ->y,
            0.0);

  const std::vector<PlotPoint> best = bestSoFarCurve(values, 1000);
  EXPECT_LE(best.size(), 2002u);
  EXPECT_EQ(best.back().x, 100000.0);
  EXPECT_EQ(best.back().y, 2.0);
  EXPECT_TRUE(
      std::is_sorted(best.begin(), best.end(), [](PlotPoint a, PlotPoint b) { return a.y < b.y; }));
}

// APFDc by hand: costs 1, 2, 3 in order; f0 first revealed by the second test,
// f1 by the first: ((5 - 2/2) + (6 - 1/2)) / (6 * 2). With equal costs it is APFD.
TEST(Reporting, CostCognizantApfd) {
  SparseSuite suite;
  suite.testNames = {"a", "b", "c"};
  suite.testCost = {1.0f, 2.0f, 3.0f};
  suite.testSeverity = {1, 1, 1};
  suite.faultNames = {"f0", "f1"};
  suite.firstRevealed = {0, 1, 2, 3};
  suite.revealedFaults = {1, 0, 0};
  const std::vector<int> order = givenOrderOf(suite);
  EXPECT_FLOAT_EQ(computeSuiteApfdc(suite, order.data()), 9.5f / 12.0f);
  EXPECT_FALSE(costsAllEqual(suite));

  const SparseSuite unitCosts = generateSuite({200, 30, 0.05, false, true, 3.0f, 4u});
  ASSERT_TRUE(costsAllEqual(unitCosts));
  std::vector<int> reversed = givenOrderOf(unitCosts);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_FLOAT_EQ(computeSuiteApfdc(unitCosts, reversed.data()),
                  computeSuiteApfd(unitCosts, reversed.data()));
}

}  // namespace
