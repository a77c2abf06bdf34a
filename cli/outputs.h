#pragma once

// The files antorder-suite writes, one row an option: which modes take it,
// whether "-" stands for standard output, and what writes it. The checks of
// the options and each mode's writing go by this one table, so that a new
// runner's file is one row.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/output_files.h"

namespace antorder {

struct SparseSuite;
struct RunResults;
struct ReplayReport;
struct TestCoverage;

// What a mode's files are written from; the rows of other modes find null.
struct OutputSources {
  const SparseSuite* suite = nullptr;
  const RunResults* results = nullptr;
  const std::vector<std::string>* written = nullptr;  // the order, as the files hold it
  const ReplayReport* replay = nullptr;
  const std::vector<TestCoverage>* coverage = nullptr;
};

enum ModeBit : unsigned {
  ORDERS = 1U << static_cast<unsigned>(Mode::ORDER),
  REPLAYS = 1U << static_cast<unsigned>(Mode::REPLAY),
  COLLECTS = 1U << static_cast<unsigned>(Mode::COLLECT),
};

struct OutputOption {
  const char* option;
  std::string Options::*path;
  unsigned modes;              // ModeBit of each mode that takes it
  bool acceptsStandardOutput;  // "-" writes to standard output; else "-" is a file of that name
  void (*write)(std::FILE* out, const OutputSources& sources);
};

// Every output, in the order a run writes them.
const std::vector<OutputOption>& outputOptions();

// Whether "-" may name the output, standard output: true where it names
// a file, or the output takes standard output; refused with the reason
// where standard output carries the mode's results.
bool standardOutputFits(const OutputOption& output, const Options& options);

// Whether the mode takes the output.
bool takesOutput(const OutputOption& output, Mode mode);

// The files the options ask the mode for, each written from the sources.
std::vector<FileRequest> outputRequests(const Options& options, const OutputSources& sources);

}  // namespace antorder
