#pragma once

// The suite a history of runs gives: the tests of a run, each failure of the
// runs before it a fault of the test that failed.

#include "history/history.h"
#include "suite/suite_builder.h"

namespace antorder {

// The suite of the last `window` runs: the tests that ran in them (see
// windowKeys), the latest run's first in its order; each failure of one of them in the window a
// fault named RUN:KEY; each test's cost the median of its times over the window's runs in which it
// ran, at least MIN_SECONDS. The summary's notes say how many runs the window holds and how many
// failed.
void buildHistorySuite(const History& history, int window, SuiteBuilder& builder);

// The suite of the tests that ran in `tests`, in its order, over the window
// of runs from firstRun up to, not including, endRun: each failure of one of
// them there a fault named RUN:KEY; each test's cost the median of its times
// in the window, at least MIN_SECONDS, or where it did not run there the
// median of the others' costs (1 when none ran). Returns how many of the
// window's runs had a failure.
int buildWindowSuite(const History& history, const TestRun& tests, int firstRun, int endRun,
                     SuiteBuilder& builder);

}  // namespace antorder
