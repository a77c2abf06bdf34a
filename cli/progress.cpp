#include "cli/progress.h"

#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace antorder {

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr Seconds FIRST_DRAW_AFTER{0.5};
constexpr Seconds REDRAW_AFTER{0.1};

// Replaces the line on the terminal with `text`, blanking what was longer.
void drawLine(Progress& progress, const std::string& text) {
  const std::size_t blanks =
      progress.drawnWidth > text.size() ? progress.drawnWidth - text.size() : 0;
  std::fprintf(progress.out, "\r%s%*s", text.c_str(), static_cast<int>(blanks), "");
  if (text.empty()) std::fputc('\r', progress.out);
  std::fflush(progress.out);
  progress.drawnWidth = text.size();
}

// Whether to redraw now; the time since the start when it is.
bool timeToDraw(Progress& progress, Seconds& elapsed) {
  if (!progress.enabled) return false;
  const Clock::time_point now = Clock::now();
  elapsed = now - progress.start;
  if (elapsed < FIRST_DRAW_AFTER || now - progress.lastDrawn < REDRAW_AFTER) return false;
  progress.lastDrawn = now;
  return true;
}

}  // namespace

bool isTerminal(std::FILE* out) {
#ifdef _WIN32
  return _isatty(_fileno(out)) != 0;
#else
  return isatty(fileno(out)) != 0;
#endif
}

Progress startProgress(std::FILE* out, bool enabled) {
  const Clock::time_point now = Clock::now();
  return {out, enabled, now, now, 0};
}

void showProgress(Progress& progress, int iteration, int iterationCount, float bestApfd) {
  Seconds elapsed{};
  if (!timeToDraw(progress, elapsed)) return;
  const double left = elapsed.count() / iteration * (iterationCount - iteration);
  char text[160];
  std::snprintf(text, sizeof text,
                "iteration %d of %d, best APFD %f, %.1f s elapsed, about %.1f s left", iteration,
                iterationCount, static_cast<double>(bestApfd), elapsed.count(), left);
  drawLine(progress, text);
}

void showReplayProgress(Progress& progress, int done, int total) {
  Seconds elapsed{};
  if (!timeToDraw(progress, elapsed)) return;
  const double left = elapsed.count() / done * (total - done);
  char text[160];
  std::snprintf(text, sizeof text, "run %d of %d replayed, %.1f s elapsed, about %.1f s left", done,
                total, elapsed.count(), left);
  drawLine(progress, text);
}

void showCollectProgress(Progress& progress, int done, int total) {
  Seconds elapsed{};
  if (!timeToDraw(progress, elapsed)) return;
  const double left = elapsed.count() / done * (total - done);
  char text[160];
  std::snprintf(text, sizeof text, "test %d of %d run, %.1f s elapsed, about %.1f s left", done,
                total, elapsed.count(), left);
  drawLine(progress, text);
}

void endProgress(Progress& progress) {
  if (progress.drawnWidth > 0) drawLine(progress, "");
}

}  // namespace antorder
