#pragma once

// The reader of each format: each takes the lines from the first on and adds
// the tests it finds to the builder.

#include "reading/line_reader.h"
#include "reading/suite_builder.h"

bool readCsvSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);
bool readSirSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);
bool readListsSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);

// True for the first line of a SIR fault matrix: a count, then "listversions".
bool isSirHeader(const std::string& line);
