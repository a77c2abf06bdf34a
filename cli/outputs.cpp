#include "cli/outputs.h"

#include "cli/messages.h"
#include "collect/collector.h"
#include "plan/next_run.h"
#include "reporting/order_table.h"
#include "reporting/replay_report.h"
#include "reporting/run_results.h"
#include "reporting/summary.h"
#include "reporting/svg_plot.h"
#include "runners/runners.h"

namespace antorder {

namespace {

// The COST script: of the order written, or split over shards every
// shard's, each test labelled with its shard.
void printPlanProperties(std::FILE* out, const NextRunPlan& plan) {
  if (plan.shard == 0) {
    printCtestProperties(out, writtenNames(plan), restNames(plan));
    return;
  }
  std::vector<std::string> selected;
  std::vector<std::string> disabled;
  std::vector<std::string> labels;
  for (std::size_t at = 0; at < plan.names.size(); ++at) {
    (plan.selectedInShard[at] != 0 ? selected : disabled).push_back(plan.names[at]);
    labels.push_back("antorder-shard-" + std::to_string(plan.shardOf[at] + 1));
  }
  printCtestProperties(out, selected, disabled, {plan.names, labels});
}

void writeOrder(std::FILE* out, const OutputSources& sources) {
  printOrder(out, *sources.written);
}

// The orders' fault curves, or the replay's.
void writePlot(std::FILE* out, const OutputSources& sources) {
  if (sources.replay != nullptr) {
    printReplayPlot(out, *sources.replay);
  } else {
    printSvgPlot(out, *sources.suite, *sources.results);
  }
}

void writeOrderTable(std::FILE* out, const OutputSources& sources) {
  printOrderTable(out, *sources.suite, *sources.results);
}

void writeCtestCosts(std::FILE* out, const OutputSources& sources) {
  printCtestCosts(out, *sources.written);
}

void writeCtestProperties(std::FILE* out, const OutputSources& sources) {
  printPlanProperties(out, sources.results->plan);
}

void writeRest(std::FILE* out, const OutputSources& sources) {
  printOrder(out, restNames(sources.results->plan));
}

void writeLcov(std::FILE* out, const OutputSources& sources) {
  printLcov(out, *sources.coverage);
}

}  // namespace

const std::vector<OutputOption>& outputOptions() {
  static const std::vector<OutputOption> table = {
      {"--order", &Options::orderFile, ORDERS, false, writeOrder},
      {"--plot", &Options::plotFile, ORDERS | REPLAYS, false, writePlot},
      {"--csv", &Options::csvFile, ORDERS, false, writeOrderTable},
      {"--ctest-costs", &Options::ctestCostsFile, ORDERS, false, writeCtestCosts},
      {"--ctest-properties", &Options::ctestPropertiesFile, ORDERS, false, writeCtestProperties},
      {"--rest", &Options::restFile, ORDERS, false, writeRest},
      {"--output", &Options::outputFile, COLLECTS, true, writeLcov},
  };
  return table;
}

bool standardOutputFits(const OutputOption& output, const Options& options) {
  if (options.*output.path != STANDARD_OUTPUT || output.acceptsStandardOutput) return true;
  refuseUsage("%s -: standard output carries the %s; name a file (./- for one named -)",
              output.option, options.mode == Mode::REPLAY ? "replay's report" : "summary");
  return false;
}

bool takesOutput(const OutputOption& output, Mode mode) {
  return (output.modes & (1U << static_cast<unsigned>(mode))) != 0;
}

std::vector<FileRequest> outputRequests(const Options& options, const OutputSources& sources) {
  std::vector<FileRequest> requests;
  for (const OutputOption& output : outputOptions()) {
    if (!takesOutput(output, options.mode)) continue;
    const auto write = output.write;
    requests.push_back(
        {options.*output.path, [write, &sources](std::FILE* out) { write(out, sources); }});
  }
  return requests;
}

}  // namespace antorder
