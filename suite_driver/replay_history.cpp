#include "suite_driver/replay_history.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "reading/junit_history.h"
#include "reading/suite_reader.h"
#include "replay/replay_report.h"
#include "suite_driver/progress.h"
#include "suite_driver/run_control.h"

int replayRuns(const ReplayOptions& options) {
  catchStopSignals();
  History history;
  ReadError error;
  std::error_code status;
  if (std::filesystem::is_regular_file(std::filesystem::u8path(options.folder), status) &&
      !isHistoryFile(options.folder, SuiteFormat::DETECT)) {
    reportReadError(options.folder, {0,
                                     "not a JUnit report: --replay takes a folder of JUnit "
                                     "reports, or one report"});
    return 2;
  }
  if (!readJunitPath(options.folder, history, error, options.settings.jobs)) {
    reportReadError(options.folder, error);
    return stopSignal != 0 ? stoppedStatus() : 2;
  }
  if (stopSignal != 0) return stoppedStatus();
  warnOfRunsLeftOut(history);

  ReplayReport report;
  report.folder = options.folder;
  report.window = options.settings.window;
  report.budgetSeconds = options.budgetSeconds;
  report.settings = options.settings;
  report.settings.effort = options.effortMillions * 1000000;
  report.settings.budgetSeconds = options.budgetSeconds;
  Progress progress = startProgress(stderr, !options.quiet && isTerminal(stderr));
  report.runs = replayHistory(history, report.settings, [&](int done, int total) {
    showReplayProgress(progress, done, total);
    return stopSignal == 0;
  });
  endProgress(progress);
  if (stopSignal != 0) return stoppedStatus();

  return writeFiles({{options.plotFile, [&](std::FILE* out) { printReplayPlot(out, report); }}},
                    [&] {
                      if (options.json) {
                        std::fputs(replayJson(history, report).c_str(), stdout);
                      } else {
                        printReplaySummary(stdout, history, report);
                      }
                      return finishStandardOutput();
                    });
}
