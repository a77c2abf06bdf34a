#include "reporting/svg_plot.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "reporting/plot_curves.h"
#include "reporting/summary.h"
#include "reporting/svg_drawing.h"
#include "text/shown_text.h"

namespace antorder {

namespace {

constexpr int WIDTH = 1000;
constexpr int HEIGHT = 900;
constexpr int EVALUATED_HEIGHT = 1300;  // with a row for the other matrix
constexpr int NOTHING_HEIGHT = 100;     // a heading and a line
constexpr int MODEL_ROWS = 40;          // the failure model's legend row, and its note
constexpr int MAX_STEPS = 1000;         // per curve: below a pixel's width at this size
constexpr int UNMERGED = 1 << 30;       // steps closer than this share are none on any suite

// Colours told apart with any colour vision; each curve also has its own dash.
constexpr const char* GIVEN_COLOUR = "#D55E00";
constexpr const char* GREEDY_COLOUR = "#0072B2";
constexpr const char* COLONY_COLOUR = "#009E73";
constexpr const char* BEST_COLOUR = "#CC79A7";
constexpr const char* MODEL_COLOUR = "#7A3E9D";
constexpr const char* SELECTED_COLOUR = "#888888";

// An order's legend: its name and scores.
std::string scoreText(const char* name, const ScoredOrder& scored, bool costsDiffer) {
  char text[128];
  if (costsDiffer) {
    std::snprintf(text, sizeof text, "%s, APFD %.6f, APFDc %.6f", name,
                  static_cast<double>(scored.apfd), static_cast<double>(scored.apfdc));
  } else {
    std::snprintf(text, sizeof text, "%s, APFD %.6f", name, static_cast<double>(scored.apfd));
  }
  return text;
}

// How an order's curve is drawn.
struct CurveStyle {
  const char* name;
  const ScoredOrder& scored;
  const char* colour;
  double width;
  const char* dash;
};

// A round share just above the point where the searched orders have all
// revealed every fault, so that the panel shows them apart.
double zoomEnd(const std::vector<std::vector<PlotPoint>>& searched) {
  double last = 0.0;
  for (const std::vector<PlotPoint>& curve : searched) {
    for (std::size_t at = 1; at < curve.size(); ++at) {
      if (curve[at].y > curve[at - 1].y) last = std::max(last, curve[at].x);
    }
  }
  const std::vector<double> steps = ticks(0.0, std::min(1.0, last * 1.15), 4);
  const double step = steps.size() > 1 ? steps[1] - steps[0] : 1.0;
  return std::min(1.0, std::max(step, std::ceil(last * 1.15 / step) * step));
}

// The legend's order of the curves: given, greedy, colony, best, and of a
// history the failure model's.
std::vector<std::size_t> legendOrder(std::size_t curves) {
  std::vector<std::size_t> order = {3, 2, 0, 1};
  for (std::size_t at = 4; at < curves; ++at) order.push_back(at);
  return order;
}

// The bottom row, with --evaluate, `top` below the picture's top: the same
// orders against the other matrix's faults, and their scores there.
void printEvaluationRow(std::FILE* out, const RunResults& results,
                        const std::vector<CurveStyle>& styles, bool byCost, int top) {
  const SparseSuite& evaluation = results.evaluation;
  std::string title = evaluation.itemNoun + " revealed, scored against the other matrix";
  title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
  const Panel panel{90, static_cast<double>(top), 380, 280, 0.0, 1.0, 0.0, 1.0};
  printAxes(out, panel, title,
            byCost ? "time spent (% of the suite's)" : "tests run (% of the suite)",
            evaluation.itemNoun + " revealed (% of all)", true);
  for (const CurveStyle& style : styles) {
    printCurve(out, panel, revealCurve(evaluation, style.scored.order, MAX_STEPS, byCost),
               style.colour, style.width, style.dash);
  }
  double y = top + 20;
  printText(out, 540, y, "start", 16,
            "Against " + xmlText(baseName(results.evaluationFile)) + ": " +
                xmlText(counted(totalFaultWeight(evaluation), evaluation.itemNoun)),
            " font-weight=\"bold\"");
  for (const std::size_t at : legendOrder(styles.size())) {
    y += 28;
    const CurveStyle& style = styles[at];
    ScoredOrder scores;
    scores.apfd = style.scored.evaluatedApfd;
    scores.apfdc = style.scored.evaluatedApfdc;
    printLegendEntry(out, 540, y, style.colour, style.width, style.dash,
                     scoreText(style.name, scores, byCost));
  }
}

// The orders' legend, below its heading at the bottom right; returns the
// height reached.
double printOrdersLegend(std::FILE* out, const std::vector<CurveStyle>& styles,
                         const std::vector<std::vector<PlotPoint>>& whole, bool byCost) {
  double y = 540;
  printText(out, 540, y, "start", 16, "The orders", " font-weight=\"bold\"");
  for (const std::size_t at : legendOrder(styles.size())) {
    y += 28;
    const CurveStyle& style = styles[at];
    printLegendEntry(out, 540, y, style.colour, style.width, style.dash,
                     scoreText(style.name, style.scored, byCost));
    // A curve under another of the same points is hidden: say which.
    for (std::size_t later = whole.size(); later-- > at + 1;) {
      if (whole[later] == whole[at]) {
        y += 24;
        printText(out, 582, y, "start", 14,
                  std::string("(= ") + styles[later].name + ", drawn over it)");
        break;
      }
    }
  }
  return y;
}

// Top: how early each order reveals the faults, over the whole suite and
// where the searched orders differ (left out where it would repeat the
// whole). With costs, against the time spent. Returns each order's curve
// over the whole suite.
std::vector<std::vector<PlotPoint>> printRevealPanels(std::FILE* out, const SparseSuite& suite,
                                                      const std::vector<CurveStyle>& styles,
                                                      const ScoredOrder& given, bool byCost) {
  std::vector<std::vector<PlotPoint>> whole;
  std::vector<std::vector<PlotPoint>> unmerged;  // of the searched orders, to find where they end
  for (const CurveStyle& style : styles) {
    whole.push_back(revealCurve(suite, style.scored.order, MAX_STEPS, byCost));
    if (&style.scored != &given) {
      unmerged.push_back(revealCurve(suite, style.scored.order, UNMERGED, byCost));
    }
  }
  const double zoom = zoomEnd(unmerged);
  const char* xLabel = byCost ? "time spent (% of the suite's)" : "tests run (% of the suite)";
  const std::string yLabel = suite.itemNoun + " revealed (% of all)";
  const Panel reveal{90, 80, 380, 300, 0.0, 1.0, 0.0, 1.0};
  std::string wholeTitle = suite.itemNoun + " revealed, whole suite";
  wholeTitle[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(wholeTitle[0])));
  printAxes(out, reveal, wholeTitle, xLabel, yLabel, true);
  const bool closeUp = zoom < 1.0;
  const Panel closer{600, 80, 370, 300, 0.0, zoom, 0.0, 1.0};
  if (closeUp) {
    char closerTitle[96];
    std::snprintf(closerTitle, sizeof closerTitle, "The first %.*f%%, closer",
                  zoom < 0.01  ? 2
                  : zoom < 0.1 ? 1
                               : 0,
                  zoom * 100.0);
    printAxes(out, closer, closerTitle, xLabel, yLabel, true);
  }
  const int closerSteps = static_cast<int>(std::min(double{UNMERGED}, std::ceil(MAX_STEPS / zoom)));
  for (std::size_t at = 0; at < whole.size(); ++at) {
    const CurveStyle& style = styles[at];
    printCurve(out, reveal, whole[at], style.colour, style.width, style.dash);
    if (!closeUp) continue;
    printCurve(out, closer,
               cutCurve(revealCurve(suite, style.scored.order, closerSteps, byCost), zoom),
               style.colour, style.width, style.dash);
  }
  return whole;
}

// Bottom left: the APFD the colony selected in each iteration, and the best so far.
void printSearchPanel(std::FILE* out, const std::vector<float>& values) {
  const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
  const auto low = static_cast<double>(*lowest);
  const auto high = static_cast<double>(*highest);
  const double margin = std::max((high - low) * 0.08, 1e-4);
  const auto iterations = static_cast<double>(values.size());
  const Panel search{90,
                     520,
                     380,
                     300,
                     iterations > 1 ? 1.0 : 0.5,
                     iterations > 1 ? iterations : 1.5,
                     low - margin,
                     high + margin};
  printAxes(out, search, "The colony's search", "iteration", "APFD of the tour selected", false);
  printCurve(out, search, iterationCurve(values, 2 * MAX_STEPS), SELECTED_COLOUR, 1.5, "");
  printCurve(out, search, bestSoFarCurve(values, MAX_STEPS), COLONY_COLOUR, 3.0, "");
}

// Bottom right: the legends of the orders and of the colony's search.
void printLegends(std::FILE* out, const RunResults& results, const std::vector<CurveStyle>& styles,
                  const std::vector<std::vector<PlotPoint>>& whole, bool byCost) {
  double y = printOrdersLegend(out, styles, whole, byCost);
  y += 24;
  printText(out, 582, y, "start", 14, "(" + xmlText(bestMethodText(results)) + ")");
  y += 28;
  printText(
      out, 540, y, "start", 14,
      byCost ? "The area under each curve is its APFDc." : "The area under each curve is its APFD.",
      " font-style=\"italic\"");
  y += 48;
  printText(out, 540, y, "start", 16, "The colony's search", " font-weight=\"bold\"");
  y += 28;
  printLegendEntry(out, 540, y, SELECTED_COLOUR, 1.5, "", "selected in each iteration");
  y += 28;
  char best[128];
  std::snprintf(best, sizeof best, "best so far: %.6f, first in iteration %d",
                static_cast<double>(results.orders.colony.apfd),
                results.orders.search.bestIteration);
  printLegendEntry(out, 540, y, COLONY_COLOUR, 3.0, "", best);
}

}  // namespace

void printSvgPlot(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  constexpr const char* GIVEN_DASH = " stroke-dasharray=\"8 5\"";
  constexpr const char* GREEDY_DASH = " stroke-dasharray=\"2 3\"";
  // Of a history, the failure model's order is the one written: it is drawn
  // too, where it is of the suite's tests, and makes room for its legend.
  const bool model = results.plan.predicted && !results.plan.model.order.empty();
  const int extra = model ? MODEL_ROWS : 0;
  // With nothing to reveal there is nothing to draw but the heading and why.
  const bool nothing = faultCount(suite) == 0;
  printSvgStart(out, WIDTH,
                nothing             ? NOTHING_HEIGHT
                : results.evaluated ? EVALUATED_HEIGHT + extra
                                    : HEIGHT + extra);
  const std::string heading =
      counted(testCount(suite), "tests") + ", " + counted(totalFaultWeight(suite), suite.itemNoun);
  // The file's own name: a long folder path would run off the picture.
  printText(out, 20, 30, "start", 19,
            "antorder-suite: " + xmlText(baseName(results.file)) + " (" + xmlText(heading) + ")",
            " font-weight=\"bold\"");
  if (nothing) {
    printText(out, 20, 70, "start", 16,
              "No " + suite.itemNoun + " to reveal: the order runs the cheapest tests first.");
    std::fputs("</svg>\n", out);
    return;
  }
  const bool byCost = results.orders.costsDiffer;
  // Drawn in this order, so that the thinner and dashed curves show on the thicker.
  std::vector<CurveStyle> styles = {
      {"ant colony", results.orders.colony, COLONY_COLOUR, 4.0, ""},
      {"best order", results.orders.best, BEST_COLOUR, 2.0, ""},
      {"additional greedy", results.orders.greedy, GREEDY_COLOUR, 2.0, GREEDY_DASH},
      {"given order", results.orders.given, GIVEN_COLOUR, 2.0, GIVEN_DASH},
  };
  if (model) {
    constexpr const char* MODEL_DASH = " stroke-dasharray=\"10 3 2 3\"";
    styles.push_back({"failure model", results.plan.model, MODEL_COLOUR, 2.5, MODEL_DASH});
  }
  const std::vector<std::vector<PlotPoint>> whole =
      printRevealPanels(out, suite, styles, results.orders.given, byCost);
  printSearchPanel(out, results.orders.search.iterationApfd);
  printLegends(out, results, styles, whole, byCost);
  // The model's order is not scored against the other matrix.
  if (results.evaluated) {
    printEvaluationRow(out, results, {styles.begin(), styles.begin() + 4}, byCost, 960 + extra);
  }
  std::fputs("</svg>\n", out);
}

}  // namespace antorder
