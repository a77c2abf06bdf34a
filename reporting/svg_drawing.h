#pragma once

// Drawing an SVG picture: panels with axes in data units, curves, text and legends.

#include <cstdio>
#include <string>
#include <vector>

#include "reporting/plot_curves.h"

namespace antorder {

// A panel's plotting area in pixels and the data range it shows.
struct Panel {
  double left, top, width, height;
  double xLow, xHigh, yLow, yHigh;
};

double pixelX(const Panel& panel, double x);
double pixelY(const Panel& panel, double y);

// Text for XML: markup characters escaped; control characters and bytes that
// are not UTF-8 become '?', so the document stays well-formed.
std::string xmlText(const std::string& text);

// Tick values from low to high at a step of 1, 2 or 5 times a power of ten.
std::vector<double> ticks(double low, double high, int most);

// The document's start: its size, and a white ground.
void printSvgStart(std::FILE* out, int width, int height);

void printText(std::FILE* out, double x, double y, const char* anchor, int size,
               const std::string& text, const char* extra = "");

// The frame, grid, ticks, title and axis labels of a panel; with `percent`,
// tick values are shares shown as percentages.
void printAxes(std::FILE* out, const Panel& panel, const std::string& title,
               const std::string& xLabel, const std::string& yLabel, bool percent);

void printCurve(std::FILE* out, const Panel& panel, const std::vector<PlotPoint>& points,
                const char* colour, double width, const char* dash);

// A short stretch of a curve's line, and the text after it.
void printLegendEntry(std::FILE* out, double x, double y, const char* colour, double width,
                      const char* dash, const std::string& text);

}  // namespace antorder
