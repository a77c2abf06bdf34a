#pragma once

// A line of progress on a terminal while the colony searches, redrawn in
// place: shown only once a run has lasted half a second, at most ten times
// a second, and erased at the end.

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace antorder {

struct Progress {
  std::FILE* out;
  bool enabled;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point lastDrawn;
  std::size_t drawnWidth = 0;  // of the line on the terminal now; 0 when none is
};

// True when the stream is a terminal.
bool isTerminal(std::FILE* out);

// Progress on `out` from now on, when enabled.
Progress startProgress(std::FILE* out, bool enabled);

// Redraws the line after an iteration, when it is time to.
void showProgress(Progress& progress, int iteration, int iterationCount, float bestApfd);

// Redraws the line after a replayed run, when it is time to.
void showReplayProgress(Progress& progress, int done, int total);

// Redraws the line after a test whose coverage is collected, when it is time to.
void showCollectProgress(Progress& progress, int done, int total);

// Erases the line, if one is drawn.
void endProgress(Progress& progress);

}  // namespace antorder
