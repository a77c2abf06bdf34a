#include "reporting/svg_drawing.h"

#include <algorithm>
#include <cmath>

namespace antorder {

namespace {

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

// Decimals that tell ticks this far apart from each other.
int decimalsFor(const std::vector<double>& values) {
  if (values.size() < 2) return 3;
  return std::max(0, static_cast<int>(std::ceil(-std::log10(values[1] - values[0]) - 1e-9)));
}

}  // namespace

void printSvgStart(std::FILE* out, int width, int height) {
  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%d\" "
               "height=\"%d\" viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" fill=\"#222222\">\n"
               "<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n",
               width, height, width, height, width, height);
}

double pixelX(const Panel& panel, double x) {
  return panel.left + (x - panel.xLow) / (panel.xHigh - panel.xLow) * panel.width;
}

double pixelY(const Panel& panel, double y) {
  return panel.top + panel.height - (y - panel.yLow) / (panel.yHigh - panel.yLow) * panel.height;
}

// Text for XML: markup characters escaped; control characters, bytes that
// are not UTF-8 and the two non-characters become '?', so the document stays
// well-formed.
std::string xmlText(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const std::size_t length = utf8Length(text, at);
    // U+FFFE and U+FFFF are UTF-8 that XML forbids all the same.
    const bool notCharacter = length == 3 && text.compare(at, 2, "\xEF\xBF") == 0 &&
                              (text[at + 2] == '\xBE' || text[at + 2] == '\xBF');
    if (length == 0 || (length == 1 && c < 0x20 && c != '\t') || notCharacter) {
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

void printText(std::FILE* out, double x, double y, const char* anchor, int size,
               const std::string& text, const char* extra) {
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

}  // namespace antorder
