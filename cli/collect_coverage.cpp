#include "cli/collect_coverage.h"

#include <cstdio>
#include <set>
#include <string>

#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/outputs.h"
#include "cli/progress.h"
#include "cli/stop_signals.h"
#include "collect/collector.h"
#include "text/shown_text.h"

namespace antorder {

int collectCoverageMode(const Options& options) {
  catchStopSignals();
  CollectSettings settings;
  settings.buildFolder = options.collectFolder;
  settings.include = options.includeSources;
  settings.exclude = options.excludeSources;
  settings.gcov = options.gcov;
  settings.jobs = options.jobs;
  Progress progress = startProgress(stderr, !options.quiet && isTerminal(stderr));
  settings.progress = [&](int done, int total) { showCollectProgress(progress, done, total); };
  settings.stopped = [] { return stopSignal != 0; };
  Collected collected;
  std::string reason;
  const bool done = collectCoverage(settings, collected, reason);
  endProgress(progress);
  if (stopSignal != 0) return stoppedStatus();
  if (!done) {
    say("%s", reason.c_str());
    return 2;
  }
  for (const std::string& warning : collected.warnings) {
    warn("%s", warning.c_str());
  }
  if (collected.tests.empty()) {
    say("none of the %d tests run ran a line of the sources kept (under %s, or as --include and "
        "--exclude choose)",
        collected.testsRun, printable(options.collectFolder).c_str());
    return 2;
  }
  std::set<std::string> sources;
  for (const TestCoverage& test : collected.tests) {
    for (const auto& file : test.lines) sources.insert(file.first);
  }
  OutputSources outputs;
  outputs.coverage = &collected.tests;
  // The tracefile on standard output leaves the counts to standard error.
  std::FILE* counts = options.outputFile == STANDARD_OUTPUT ? stderr : stdout;
  return writeFiles(outputRequests(options, outputs), [&] {
    std::fprintf(counts,
                 "tests run: %d of %d\ntests with coverage: %zu\nsource files: "
                 "%zu\n",
                 collected.testsRun, collected.testsListed, collected.tests.size(), sources.size());
    return finishStandardOutput();
  });
}

}  // namespace antorder
