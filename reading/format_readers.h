#pragma once

// The reader of each format: each takes the lines from the first on and adds
// the tests it finds to the builder.

#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "reading/line_reader.h"
#include "suite/suite_builder.h"

namespace antorder {

bool readCsvSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);
bool readSirSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);
bool readListsSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error);

// Where a coverage reader hands what it finds, the item (a line, or a
// branch's or function's fields) a test runs as its file and its place in
// the file, never a name to be taken apart again.
class CoverageSink {
 public:
  CoverageSink() = default;
  CoverageSink(const CoverageSink&) = delete;
  CoverageSink& operator=(const CoverageSink&) = delete;
  virtual ~CoverageSink() = default;
  // A new item, first run by some test: where is the line number as the
  // report writes it (for branches and functions, their fields joined by
  // ':'). Returns its index, by which tests name it.
  virtual int addItem(const std::string& file, const std::string& where) = 0;
  // A test and the items it runs, in any order and with repeats; `line` is
  // where the report names it. False, with the reason, for a name refused.
  virtual bool addCoveredTest(const std::string& name, std::vector<int>& items, long line,
                              ReadError& error) = 0;
  // What the report held that is left out.
  virtual void note(const std::string& text) = 0;
};

// The suite a coverage report gives: each item a fault named FILE:WHERE.
class SuiteCoverage : public CoverageSink {
 public:
  SuiteCoverage(SuiteBuilder& builder, std::string itemNoun)
      : builder_(builder), itemNoun_(std::move(itemNoun)) {}
  int addItem(const std::string& file, const std::string& where) override;
  bool addCoveredTest(const std::string& name, std::vector<int>& items, long line,
                      ReadError& error) override;
  void note(const std::string& text) override;

 private:
  SuiteBuilder& builder_;
  std::string itemNoun_;
};

// The whole stream, read as a coverage.py JSON report with contexts.
bool readCoverageJson(std::istream& in, CoverageSink& sink, ReadError& error);

// The whole stream, read as PIT's mutations.xml or Stryker's JSON report.
bool readPitMutations(std::istream& in, SuiteBuilder& builder, ReadError& error);
bool readStrykerReport(std::istream& in, SuiteBuilder& builder, ReadError& error);

bool readLcovSuite(LineReader& reader, CoverageSink& sink, CoverageItems items, ReadError& error);

// True for the first line of a SIR fault matrix: a count, then "listversions".
bool isSirHeader(const std::string& line);

}  // namespace antorder
