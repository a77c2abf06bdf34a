#include "cli/replay_history.h"

#include <cstdio>

#include "replay/replay.h"
#include "runners/runners.h"

#include "cli/change_inputs.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/outputs.h"
#include "cli/progress.h"
#include "cli/stop_signals.h"
#include "reading/suite_reader.h"
#include "reporting/replay_report.h"

namespace antorder {

namespace {

// The replay's settings: the colony's and the best order's as for ordering,
// the best order's effort the replay's own unless given.
ReplaySettings replaySettings(const Options& options) {
  ReplaySettings settings;
  settings.window = options.reading.window;
  settings.search = options.search;
  settings.seed = options.seed;
  settings.objectiveGiven = !options.objective.empty();
  settings.objective = options.objective == "apfdc" ? Objective::APFDC : Objective::APFD;
  settings.effort = options.effortMillions.value_or(REPLAY_EFFORT_MILLIONS) * 1000000;
  settings.jobs = options.jobs;
  settings.budgetSeconds = options.budgetSeconds;
  settings.shards = options.shardCount;
  settings.runner = options.runner;
  settings.unit = options.unit;
  return settings;
}

}  // namespace

int replayRuns(const Options& options) {
  catchStopSignals();
  History history;
  ReadError error;
  SuiteFormat format = SuiteFormat::DETECT;
  const HistoryRead read =
      readHistory(options.file, format, HistoryUse::RUNS, history, error, options.jobs);
  if (read == HistoryRead::NOT_A_HISTORY) {
    reportReadError(options.file, {0,
                                   "not a JUnit report: --replay takes a folder of JUnit "
                                   "reports, or one report"});
    return 2;
  }
  if (read == HistoryRead::REFUSED) {
    reportReadError(options.file, error);
    return stopSignal != 0 ? stoppedStatus() : 2;
  }
  if (stopSignal != 0) return stoppedStatus();
  warnOfRunsLeftOut(history.leftOut);
  warnOfDoubledTests(history);
  // A run ordered by the plugin ran in our own order: the given order, and
  // every strategy's ties, are the runner's collection order instead.
  putRunsInCollectionOrder(history);
  warnOfHistoryFiles(history);
  ChangeInputs changes;
  if (!readChanges(options, history, nullptr, changes)) return 2;

  ReplayReport report;
  report.folder = options.file;
  report.settings = replaySettings(options);
  if (options.unit != OrderUnit::TEST) {
    report.settings.unitOf = [&options, &history](const std::string& key) {
      return runnerUnitOf(options.runner, key, &history);
    };
  }
  if (!changes.runs.empty()) report.settings.changes = &changes.runs;
  Progress progress = startProgress(stderr, !options.quiet && isTerminal(stderr));
  report.runs = replayHistory(history, report.settings, [&](int done, int total) {
    showReplayProgress(progress, done, total);
    return stopSignal == 0;
  });
  endProgress(progress);
  if (stopSignal != 0) return stoppedStatus();

  OutputSources sources;
  sources.replay = &report;
  return writeFiles(outputRequests(options, sources), [&] {
    if (options.json) {
      std::fputs(replayJson(history, report).c_str(), stdout);
    } else {
      printReplaySummary(stdout, history, report);
    }
    return finishStandardOutput();
  });
}

}  // namespace antorder
