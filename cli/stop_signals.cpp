#include "cli/stop_signals.h"

#ifndef _WIN32
#include <signal.h>
#endif

namespace antorder {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" {
static void onStopSignal(int signal) {
  stopSignal = signal;
}
}

void catchStopSignals() {
#ifdef _WIN32
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
#else
  // Without SA_RESTART, so that a read of standard input waiting on a terminal ends too.
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A reader that goes away (| head) makes a write fail with EPIPE, which
  // is reported and cleaned up after, instead of ending the run on the spot
  // with a temporary file left behind.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

int stoppedStatus() {
  return 128 + stopSignal;
}

}  // namespace antorder
