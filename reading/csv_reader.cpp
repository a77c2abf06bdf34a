// CSV as RFC 4180 quotes it, with blank lines and lines starting with # left
// out and spaces around a field ignored: a header row, then a row per test.

#include <cctype>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "reading/format_readers.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

bool isCommentOrBlank(const std::string& line) {
  const std::string text = trimmed(line);
  return text.empty() || text[0] == '#';
}

std::size_t skipSpaces(const std::string& line, std::size_t at) {
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  return at;
}

// Reads one quoted field from the opening quote on; a line end inside the
// quotes belongs to the field, and the record goes on on the next line.
bool readQuotedField(LineReader& reader, std::string& line, std::size_t& at, std::string& field,
                     long recordLine, ReadError& error) {
  ++at;
  while (true) {
    if (at == line.size()) {
      if (field.size() > MAX_LINE_BYTES) {
        error = {recordLine,
                 "a quoted field is longer than " + std::to_string(MAX_LINE_BYTES >> 20) + " MiB"};
        return false;
      }
      if (!readLine(reader, line)) {
        error = {recordLine, "a quoted field is not closed"};
        return false;
      }
      field += '\n';
      at = 0;
      continue;
    }
    const char c = line[at++];
    if (c != '"') {
      field += c;
    } else if (at < line.size() && line[at] == '"') {
      field += '"';
      ++at;
    } else {
      return true;
    }
  }
}

// Splits the next record into its fields. False at the end of input, or with
// the reason in error.
bool readRecord(LineReader& reader, std::vector<std::string>& fields, long& recordLine,
                ReadError& error) {
  std::string line;
  do {
    if (!readLine(reader, line)) return false;
  } while (isCommentOrBlank(line));
  recordLine = reader.lineNumber;
  fields.clear();
  std::size_t at = 0;
  while (true) {
    at = skipSpaces(line, at);
    std::string field;
    if (at < line.size() && line[at] == '"') {
      if (!readQuotedField(reader, line, at, field, recordLine, error)) return false;
      at = skipSpaces(line, at);
      if (at < line.size() && line[at] != ',') {
        error = {reader.lineNumber, "text after a quoted field's closing quote"};
        return false;
      }
    } else {
      const std::size_t end = std::min(line.find(',', at), line.size());
      field = trimmed(line.substr(at, end - at));
      if (field.find('"') != std::string::npos) {
        error = {reader.lineNumber, "a quote inside an unquoted field: quote the whole field"};
        return false;
      }
      at = end;
    }
    fields.push_back(std::move(field));
    if (at >= line.size()) return true;
    ++at;  // past the comma
  }
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Which column holds what, from the header.
struct CsvColumns {
  std::size_t count = 0;
  std::size_t cost = 0;      // 0: no cost column (column 0 names the tests)
  std::size_t severity = 0;  // 0: no severity column
  std::vector<std::size_t> faultColumns;
};

bool readHeader(const std::vector<std::string>& header, long line, CsvColumns& columns,
                SuiteBuilder& builder, ReadError& error) {
  columns.count = header.size();
  std::unordered_set<std::string> faultNames;
  for (std::size_t column = 1; column < header.size(); ++column) {
    const std::string& name = header[column];
    const std::string lower = lowerCase(name);
    std::size_t* special = lower == "cost"       ? &columns.cost
                           : lower == "severity" ? &columns.severity
                                                 : nullptr;
    if (special != nullptr) {
      if (*special != 0) {
        error = {line, "two " + lower + " columns"};
        return false;
      }
      *special = column;
    } else if (name.empty()) {
      error = {line, "column " + std::to_string(column + 1) + " has no name"};
      return false;
    } else if (!faultNames.insert(name).second) {
      error = {line, "two faults named \"" + name + "\""};
      return false;
    } else {
      columns.faultColumns.push_back(column);
      builder.rawFaultNames.push_back(name);
    }
  }
  return true;
}

}  // namespace

bool readCsvSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error) {
  std::vector<std::string> fields;
  long line = 0;
  error = {};
  if (!readRecord(reader, fields, line, error)) {
    if (error.reason.empty()) error = {reader.lineNumber, "no header row"};
    return false;
  }
  CsvColumns columns;
  if (!readHeader(fields, line, columns, builder, error)) return false;

  std::vector<int> rawFaults;
  while (readRecord(reader, fields, line, error)) {
    if (fields.size() != columns.count) {
      error = {line, "expected " + std::to_string(columns.count) +
                         " fields, as the header has, found " + std::to_string(fields.size())};
      return false;
    }
    float cost = 1.0f;
    if (columns.cost != 0 && !parseCost(fields[columns.cost], cost)) {
      error = {line, "cost must be a number from 1e-18 to 1e18, found " +
                         quotedText(fields[columns.cost])};
      return false;
    }
    int severity = 1;
    if (columns.severity != 0 && !parseSeverity(fields[columns.severity], severity)) {
      error = {line, "severity must be a whole number from 1 to " + std::to_string(MAX_SEVERITY) +
                         ", found " + quotedText(fields[columns.severity])};
      return false;
    }
    rawFaults.clear();
    for (std::size_t fault = 0; fault < columns.faultColumns.size(); ++fault) {
      const std::string& entry = fields[columns.faultColumns[fault]];
      if (entry == "1") {
        rawFaults.push_back(static_cast<int>(fault));
      } else if (entry != "0") {
        error = {line, "an entry must be 0 or 1, found " + quotedText(entry) + " for fault \"" +
                           builder.rawFaultNames[fault] + "\""};
        return false;
      }
    }
    if (!addTest(builder, fields[0], cost, severity, rawFaults, line, error)) return false;
  }
  return error.reason.empty();
}

}  // namespace antorder
