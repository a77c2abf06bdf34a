#pragma once

// The reader of each format: each takes the lines from the first on and adds
// the tests it finds to the builder.

#include <istream>

#include "reading/line_reader.h"
#include "suite/suite_builder.h"

namespace antorder {

bool readCsvSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);
bool readSirSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);
bool readListsSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);

// The whole stream, read as a coverage.py JSON report with contexts.
bool readCoverageJson(std::istream& in, SuiteBuilder& builder, ReadError& error);

// The whole stream, read as PIT's mutations.xml or Stryker's JSON report.
bool readPitMutations(std::istream& in, SuiteBuilder& builder, ReadError& error);
bool readStrykerReport(std::istream& in, SuiteBuilder& builder, ReadError& error);

bool readLcovSuite(LineReader& reader, SuiteBuilder& builder, CoverageItems items,
                   ReadError& error);

// True for the first line of a SIR fault matrix: a count, then "listversions".
bool isSirHeader(const std::string& line);

}  // namespace antorder
