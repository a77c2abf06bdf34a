#include "reading/suite_reader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "history/history_suite.h"
#include "reading/format_readers.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

namespace antorder {

namespace {

bool endsWithCsv(const std::string& name) {
  const std::string suffix = ".csv";
  if (name.size() < suffix.size()) return false;
  for (std::size_t at = 0; at < suffix.size(); ++at) {
    const char c = name[name.size() - suffix.size() + at];
    if (static_cast<char>(c | 0x20) != suffix[at]) return false;
  }
  return true;
}

// The first line without a UTF-8 byte order mark or blanks before its text.
std::string leadingText(const std::string& line) {
  const std::string mark = "\xEF\xBB\xBF";
  return trimmed(line.rfind(mark, 0) == 0 ? line.substr(mark.size()) : line);
}

// The format of a document, told by its start: XML is PIT's when its root is
// <mutations>, else JUnit; JSON is Stryker's when it names its
// "schemaVersion", else coverage.py's; DETECT for neither.
SuiteFormat documentFormat(const std::string& start) {
  const std::string text = leadingText(start);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return SuiteFormat::DETECT;
  if (text[first] == '<') {
    return text.find("<mutations") != std::string::npos ? SuiteFormat::PIT : SuiteFormat::JUNIT;
  }
  if (text[first] == '{') {
    return text.find("\"schemaVersion\"") != std::string::npos ? SuiteFormat::STRYKER
                                                               : SuiteFormat::COVERAGE_JSON;
  }
  return SuiteFormat::DETECT;
}

// The first bytes of a file, enough to tell its format.
std::string fileStart(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string start(4096, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start;
}

// Reads a whole stream in a format that is not read a line at a time.
bool readDocument(std::istream& in, const std::string& name, SuiteFormat format, SparseSuite& suite,
                  ReadError& error, const ReadOptions& options) {
  if (format == SuiteFormat::JUNIT) {
    History history;
    if (!readJunitReport(in, name, name, history, error)) {
      error.file.clear();  // the report is the file given
      return false;
    }
    return suiteOfHistory(history, options.window, suite, error);
  }
  SuiteBuilder builder;
  SuiteCoverage coverage(builder, "covered lines");
  const bool read = format == SuiteFormat::PIT       ? readPitMutations(in, builder, error)
                    : format == SuiteFormat::STRYKER ? readStrykerReport(in, builder, error)
                                                     : readCoverageJson(in, coverage, error);
  return read && finishSuite(builder, suite, error);
}

bool isDocument(SuiteFormat format) {
  return format == SuiteFormat::JUNIT || format == SuiteFormat::COVERAGE_JSON ||
         format == SuiteFormat::PIT || format == SuiteFormat::STRYKER;
}

}  // namespace

int SuiteCoverage::addItem(const std::string& file, const std::string& where) {
  builder_.rawFaultNames.push_back(file + ":" + where);
  return static_cast<int>(builder_.rawFaultNames.size()) - 1;
}

bool SuiteCoverage::addCoveredTest(const std::string& name, std::vector<int>& items, long line,
                                   ReadError& error) {
  builder_.suite.itemNoun = itemNoun_;
  return addTest(builder_, name, 1.0f, 1, items, line, error);
}

void SuiteCoverage::note(const std::string& text) {
  builder_.suite.notes.push_back(text);
}

SuiteFormat detectFormat(const std::string& name, const std::string& firstLine) {
  const std::string text = leadingText(firstLine);
  if (text.rfind('<', 0) == 0) return SuiteFormat::JUNIT;
  if (text.rfind('{', 0) == 0) return SuiteFormat::COVERAGE_JSON;
  if (text.rfind("TN:", 0) == 0 || text.rfind("SF:", 0) == 0) return SuiteFormat::LCOV;
  if (isSirHeader(firstLine)) return SuiteFormat::SIR;
  if (endsWithCsv(name)) return SuiteFormat::CSV;
  // Standard input has no name to go by; a CSV header has its commas, and
  // only CSV has comments.
  if (name == STANDARD_INPUT && (text.find(',') != std::string::npos || text.rfind('#', 0) == 0)) {
    return SuiteFormat::CSV;
  }
  return SuiteFormat::LISTS;
}

const char* formatName(SuiteFormat format) {
  switch (format) {
    case SuiteFormat::CSV:
      return "csv";
    case SuiteFormat::SIR:
      return "sir";
    case SuiteFormat::LISTS:
      return "lists";
    case SuiteFormat::JUNIT:
      return "junit";
    case SuiteFormat::LCOV:
      return "lcov";
    case SuiteFormat::COVERAGE_JSON:
      return "coverage-json";
    case SuiteFormat::PIT:
      return "pit";
    case SuiteFormat::STRYKER:
      return "stryker";
    case SuiteFormat::DETECT:
      break;
  }
  return "detect";
}

const char* formatDescription(SuiteFormat format) {
  switch (format) {
    case SuiteFormat::CSV:
      return "A header row, then a row per test: its name, optional columns cost and "
             "severity, and 0 or 1 per fault. Told by a .csv name (on standard input, by a "
             "comma or a # comment in the first line).";
    case SuiteFormat::SIR:
      return "A SIR fault matrix: \"<V> listversions\", \"<T> listtests\", a line of input "
             "per test, then per test a block \"unitest<k>:\" of V pairs \"v<j>:\" and 0 or 1. "
             "Told by its first line.";
    case SuiteFormat::LISTS:
      return "Line k is test t<k>, with the ids of the faults it reveals. Any file not told "
             "as another.";
    case SuiteFormat::JUNIT:
      return "A JUnit XML report, or a folder of them read as a history of runs (below). "
             "Told by a folder, or by XML whose root is not <mutations>.";
    case SuiteFormat::LCOV:
      return "An lcov tracefile with a test name (TN:) per capture: the lines, branches or "
             "functions (--items) each test runs. Told by a first record TN: or SF:.";
    case SuiteFormat::COVERAGE_JSON:
      return "coverage.py's JSON report with test contexts (coverage json --show-contexts): "
             "the lines each test runs. Told by JSON that does not name \"schemaVersion\".";
    case SuiteFormat::PIT:
      return "PIT's mutations.xml with the full mutation matrix: the mutants each test kills. "
             "Told by XML whose root is <mutations>.";
    case SuiteFormat::STRYKER:
      return "Stryker's mutation-testing report: the mutants each test kills. Told by JSON "
             "that names \"schemaVersion\".";
    case SuiteFormat::DETECT:
      break;
  }
  return "";
}

bool readSuite(std::istream& in, const std::string& name, SuiteFormat& format, SparseSuite& suite,
               ReadError& error, const ReadOptions& options) {
  // JSON is often one long line: read it whole from the start (as coverage.py's
  // when not said otherwise: a stream cannot be looked ahead in).
  if (format == SuiteFormat::DETECT && in.peek() == '{') format = SuiteFormat::COVERAGE_JSON;
  if (format == SuiteFormat::COVERAGE_JSON || format == SuiteFormat::STRYKER) {
    return readDocument(in, name, format, suite, error, options);
  }
  LineReader reader{in, 0, {}, false};
  std::string firstLine;
  if (!readLine(reader, firstLine) && !reader.tooLong) {
    error = {0, "the file is empty"};
    return false;
  }
  if (firstLine.rfind("\xFF\xFE", 0) == 0 || firstLine.rfind("\xFE\xFF", 0) == 0) {
    error = {1, "the file is UTF-16 or UTF-32, which is not read: convert it to UTF-8"};
    return false;
  }
  unreadLine(reader, firstLine);
  const bool detected = format == SuiteFormat::DETECT;
  if (detected) format = detectFormat(name, firstLine);
  if (isDocument(format)) {
    // A document, read whole: the first line again, then the rest.
    std::string text = firstLine + "\n";
    readRest(reader, text);
    if (detected) format = documentFormat(text.substr(0, 4096));
    std::istringstream document(text);
    text.clear();
    return readDocument(document, name, format, suite, error, options);
  }

  SuiteBuilder builder;
  SuiteCoverage coverage(builder, options.items == CoverageItems::LINES      ? "covered lines"
                                  : options.items == CoverageItems::BRANCHES ? "covered branches"
                                                                             : "covered functions");
  const bool read = format == SuiteFormat::CSV   ? readCsvSuite(reader, builder, error)
                    : format == SuiteFormat::SIR ? readSirSuite(reader, builder, error)
                    : format == SuiteFormat::LCOV
                        ? readLcovSuite(reader, coverage, options.items, error)
                        : readListsSuite(reader, builder, error);
  // A line past the bound explains the reader's own complaint; a failed
  // read counts only where the reader found nothing wrong.
  if (reader.tooLong) return readToTheEnd(reader, error);
  return read && readToTheEnd(reader, error) && finishSuite(builder, suite, error);
}

bool readSuiteFile(const std::string& path, SuiteFormat& format, SparseSuite& suite,
                   ReadError& error, const ReadOptions& options) {
  if (path == STANDARD_INPUT) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return readSuite(std::cin, path, format, suite, error, options);
  }
  History history;
  switch (readHistory(path, format, HistoryUse::SUITE, history, error)) {
    case HistoryRead::READ:
      return suiteOfHistory(history, options.window, suite, error);
    case HistoryRead::REFUSED:
      return false;
    case HistoryRead::NOT_A_HISTORY:
      break;
  }
  std::error_code status;
  if (std::filesystem::is_directory(std::filesystem::u8path(path), status)) {
    error = {0, "is a directory, not a suite file"};
    return false;
  }
  std::ifstream in;
  return openInput(path, in, error) && readSuite(in, path, format, suite, error, options);
}

HistoryRead readHistory(const std::string& path, SuiteFormat& format, HistoryUse use,
                        History& history, ReadError& error, int jobs) {
  const bool standard = path == STANDARD_INPUT;
  const std::filesystem::path file = std::filesystem::u8path(path);
  std::error_code status;
  bool runs = false;
  if (use == HistoryUse::COSTS) {
    // Costs come from a CSV unless the input opens as XML does.
    if (standard) {
      runs = standardInput().peek() == '<';
    } else {
      std::ifstream in(file, std::ios::binary);
      runs = std::filesystem::is_directory(file, status) || in.peek() == '<';
    }
  } else if (!standard) {
    SuiteFormat told = use == HistoryUse::RUNS ? SuiteFormat::DETECT : format;
    if (told == SuiteFormat::DETECT) {
      told = std::filesystem::is_directory(file, status) ? SuiteFormat::JUNIT
                                                         : documentFormat(fileStart(file));
    }
    if (use == HistoryUse::SUITE) format = told;
    // What --replay cannot open is left to the history's reader to explain.
    runs = told == SuiteFormat::JUNIT ||
           (use == HistoryUse::RUNS && !std::filesystem::is_regular_file(file, status));
  }
  if (!runs) return HistoryRead::NOT_A_HISTORY;
  format = SuiteFormat::JUNIT;
  // Standard input holds one report; errors name it as the option does.
  const bool read = standard ? readJunitReport(standardInput(), "", "-", history, error)
                             : readJunitPath(path, history, error, jobs);
  return read ? HistoryRead::READ : HistoryRead::REFUSED;
}

bool suiteOfHistory(const History& history, int window, SparseSuite& suite, ReadError& error) {
  SuiteBuilder builder;
  buildHistorySuite(history, window, builder);
  return finishSuite(builder, suite, error);
}

bool readHistorySuite(const std::string& path, History& history, SparseSuite& suite,
                      ReadError& error, const ReadOptions& options) {
  return readJunitPath(path, history, error) &&
         suiteOfHistory(history, options.window, suite, error);
}

}  // namespace antorder
