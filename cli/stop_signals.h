#pragma once

// Stopping on Ctrl-C: a run stops at its next check, removes its temporary
// files and exits with stoppedStatus().

#include <csignal>

namespace antorder {

// The signal that asked the run to stop, or 0.
extern volatile std::sig_atomic_t stopSignal;

// From now on, SIGINT and SIGTERM set stopSignal, and SIGPIPE is ignored: a
// write to a closed pipe fails as any other write does.
void catchStopSignals();

// 128 + the signal.
int stoppedStatus();

}  // namespace antorder
