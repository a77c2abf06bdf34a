#include "reporting/svg_plot.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "reporting/plot_curves.h"

namespace {

constexpr int WIDTH = 1000;
constexpr int HEIGHT = 900;
constexpr int MAX_STEPS = 1000;    // per curve: below a pixel's width at this size
constexpr int UNMERGED = 1 << 30;  // steps closer than this share are none on any suite

// Colours told apart with any colour vision; each curve also has its own dash.
constexpr const char* GIVEN_COLOUR = "#D55E00";
constexpr const char* GREEDY_COLOUR = "#0072B2";
constexpr const char* COLONY_COLOUR = "#009E73";
constexpr const char* BEST_COLOUR = "#CC79A7";
constexpr const char* SELECTED_COLOUR = "#888888";

// A panel's plotting area in pixels and the data range it shows.
struct Panel {
  double left, top, width, height;
  double xLow, xHigh, yLow, yHigh;
};

double pixelX(const Panel& panel, double x) {
  return panel.left + (x - panel.xLow) / (panel.xHigh - panel.xLow) * panel.width;
}

double pixelY(const Panel& panel, double y) {
  return panel.top + panel.height - (y - panel.yLow) / (panel.yHigh - panel.yLow) * panel.height;
}

// The length of the well-formed UTF-8 character at `at` (no overlong form,
// no surrogate, nothing above U+10FFFF), or 0 where there is none.
std::size_t utf8Length(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t offset) {
    return at + offset < text.size() ? static_cast<unsigned char>(text[at + offset]) : 0u;
  };
  const unsigned first = byte(0);
  if (first < 0x80) return 1;
  // The range the second byte must fall in, by the first; the rest are 80 to BF.
  unsigned low = 0x80;
  unsigned high = 0xBF;
  std::size_t length = 0;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    low = first == 0xE0 ? 0xA0 : low;
    high = first == 0xED ? 0x9F : high;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    low = first == 0xF0 ? 0x90 : low;
    high = first == 0xF4 ? 0x8F : high;
  }
  if (length == 0 || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t next = 2; next < length; ++next) {
    if ((byte(next) & 0xC0u) != 0x80u) return 0;
  }
  return length;
}

// Text for XML: markup characters escaped; control characters and bytes that
// are not UTF-8 become '?', so the document stays well-formed.
std::string xmlText(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const std::size_t length = utf8Length(text, at);
    if (length == 0 || (length == 1 && c < 0x20 && c != '\t')) {
      out += '?';
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else {
      out.append(text, at, length);
    }
    at += length == 0 ? 1 : length;
  }
  return out;
}

// Tick values from low to high at a step of 1, 2 or 5 times a power of ten.
std::vector<double> ticks(double low, double high, int most) {
  const double rough = (high - low) / most;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power * 10.0;
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (power * factor >= rough) {
      step = power * factor;
      break;
    }
  }
  std::vector<double> values;
  const auto first = static_cast<long>(std::ceil(low / step - 1e-9));
  const auto last = static_cast<long>(std::floor(high / step + 1e-9));
  for (long multiple = first; multiple <= last; ++multiple) {
    values.push_back(static_cast<double>(multiple) * step);
  }
  return values;
}

// Decimals that tell ticks this far apart from each other.
int decimalsFor(const std::vector<double>& values) {
  if (values.size() < 2) return 3;
  return std::max(0, static_cast<int>(std::ceil(-std::log10(values[1] - values[0]) - 1e-9)));
}

void printText(std::FILE* out, double x, double y, const char* anchor, int size,
               const std::string& text, const char* extra = "") {
  std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\" font-size=\"%d\"%s>%s</text>\n",
               x, y, anchor, size, extra, text.c_str());
}

// The frame, grid, ticks, title and axis labels of a panel.
void printAxes(std::FILE* out, const Panel& panel, const std::string& title,
               const std::string& xLabel, const std::string& yLabel, bool percent) {
  const double right = panel.left + panel.width;
  const double bottom = panel.top + panel.height;
  printText(out, panel.left + panel.width / 2, panel.top - 14, "middle", 17, title,
            " font-weight=\"bold\"");
  const std::vector<double> xTicks = ticks(panel.xLow, panel.xHigh, 5);
  const std::vector<double> yTicks = ticks(panel.yLow, panel.yHigh, 6);
  const int xDecimals = std::max(0, decimalsFor(xTicks) - (percent ? 2 : 0));
  const int yDecimals = std::max(0, decimalsFor(yTicks) - (percent ? 2 : 0));
  char label[32];
  for (const double tick : xTicks) {
    const double x = pixelX(panel, tick);
    std::fprintf(out,
                 "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#DDDDDD\"/>\n", x,
                 panel.top, x, bottom);
    std::snprintf(label, sizeof label, percent ? "%.*f%%" : "%.*f", xDecimals,
                  percent ? tick * 100.0 : tick);
    printText(out, x, bottom + 20, "middle", 14, label);
  }
  for (const double tick : yTicks) {
    const double y = pixelY(panel, tick);
    std::fprintf(out,
                 "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#DDDDDD\"/>\n",
                 panel.left, y, right, y);
    std::snprintf(label, sizeof label, percent ? "%.*f%%" : "%.*f", yDecimals,
                  percent ? tick * 100.0 : tick);
    printText(out, panel.left - 8, y + 5, "end", 14, label);
  }
  std::fprintf(out,
               "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
               "stroke=\"#333333\"/>\n",
               panel.left, panel.top, panel.width, panel.height);
  printText(out, panel.left + panel.width / 2, bottom + 44, "middle", 15, xLabel);
  char rotate[64];
  const double yLabelX = panel.left - 62;
  const double yLabelY = panel.top + panel.height / 2;
  std::snprintf(rotate, sizeof rotate, " transform=\"rotate(-90 %.1f %.1f)\"", yLabelX, yLabelY);
  printText(out, yLabelX, yLabelY, "middle", 15, yLabel, rotate);
}

void printCurve(std::FILE* out, const Panel& panel, const std::vector<PlotPoint>& points,
                const char* colour, double width, const char* dash) {
  std::fprintf(out, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"%.1f\"%s points=\"",
               colour, width, dash);
  for (const PlotPoint& point : points) {
    std::fprintf(out, "%.2f,%.2f ", pixelX(panel, point.x), pixelY(panel, point.y));
  }
  std::fputs("\"/>\n", out);
}

void printLegendEntry(std::FILE* out, double x, double y, const char* colour, double width,
                      const char* dash, const std::string& text) {
  std::fprintf(out,
               "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
               "stroke-width=\"%.1f\"%s/>\n",
               x, y - 5, x + 34, y - 5, colour, width, dash);
  printText(out, x + 42, y, "start", 15, text);
}

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

}  // namespace

void printSvgPlot(std::FILE* out, const SparseSuite& suite, const RunResults& results) {
  constexpr const char* GIVEN_DASH = " stroke-dasharray=\"8 5\"";
  constexpr const char* GREEDY_DASH = " stroke-dasharray=\"2 3\"";
  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%d\" "
               "height=\"%d\" viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" fill=\"#222222\">\n"
               "<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n",
               WIDTH, HEIGHT, WIDTH, HEIGHT, WIDTH, HEIGHT);
  char heading[160];
  std::snprintf(heading, sizeof heading, "%d tests, %lld %s", testCount(suite),
                static_cast<long long>(totalFaultWeight(suite)), suite.itemNoun.c_str());
  // The file's own name: a long folder path would run off the picture.
  const std::string name = displayName(results.file);
  printText(out, 20, 30, "start", 19,
            "antorder-suite: " + xmlText(name.substr(name.find_last_of("/\\") + 1)) + " (" +
                heading + ")",
            " font-weight=\"bold\"");
  if (faultCount(suite) == 0) {
    printText(out, 20, 70, "start", 16,
              "No " + suite.itemNoun + " to reveal: the order runs the cheapest tests first.");
    std::fputs("</svg>\n", out);
    return;
  }

  // Top: how early each order reveals the faults, over the whole suite and
  // where the searched orders differ. With costs, against the time spent.
  const bool byCost = results.costsDiffer;
  // Drawn in this order, so that the thinner and dashed curves show on the thicker.
  const CurveStyle styles[] = {
      {"ant colony", results.colony, COLONY_COLOUR, 4.0, ""},
      {"best order", results.best, BEST_COLOUR, 2.0, ""},
      {"additional greedy", results.greedy, GREEDY_COLOUR, 2.0, GREEDY_DASH},
      {"given order", results.given, GIVEN_COLOUR, 2.0, GIVEN_DASH},
  };
  std::vector<std::vector<PlotPoint>> whole;
  std::vector<std::vector<PlotPoint>> unmerged;  // of the searched orders, to find where they end
  for (const CurveStyle& style : styles) {
    whole.push_back(revealCurve(suite, style.scored.order, MAX_STEPS, byCost));
    if (&style.scored != &results.given) {
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
  const Panel closer{600, 80, 370, 300, 0.0, zoom, 0.0, 1.0};
  char closerTitle[96];
  std::snprintf(closerTitle, sizeof closerTitle, "The first %.*f%%, closer",
                zoom < 0.01  ? 2
                : zoom < 0.1 ? 1
                             : 0,
                zoom * 100.0);
  printAxes(out, closer, closerTitle, xLabel, yLabel, true);
  const int closerSteps = static_cast<int>(std::min(double{UNMERGED}, std::ceil(MAX_STEPS / zoom)));
  for (std::size_t at = 0; at < whole.size(); ++at) {
    const CurveStyle& style = styles[at];
    printCurve(out, reveal, whole[at], style.colour, style.width, style.dash);
    printCurve(out, closer,
               cutCurve(revealCurve(suite, style.scored.order, closerSteps, byCost), zoom),
               style.colour, style.width, style.dash);
  }

  // Bottom left: the APFD the colony selected in each iteration, and the best so far.
  const std::vector<float>& values = results.search.iterationApfd;
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

  // Bottom right: the legends.
  double y = 540;
  printText(out, 540, y, "start", 16, "The orders", " font-weight=\"bold\"");
  for (const std::size_t at : {3u, 2u, 0u, 1u}) {
    y += 28;
    const CurveStyle& style = styles[at];
    printLegendEntry(out, 540, y, style.colour, style.width, style.dash,
                     scoreText(style.name, style.scored, byCost));
  }
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
                static_cast<double>(results.colony.apfd), results.search.bestIteration);
  printLegendEntry(out, 540, y, COLONY_COLOUR, 3.0, "", best);
  std::fputs("</svg>\n", out);
}
