// lcov tracefiles, as geninfo and lcov write them, with one test per "TN:"
// name: records "TN:", "SF:", "DA:line,count[,checksum]", "BRDA:line,block,
// branch,taken", "FNDA:count,name" or "FNA:index,count,name", ... ,
// "end_of_record". The records after a TN: line are that test's; tests come
// in the order their names first appear, and an item a test runs (a line, a
// branch taken, a function called) is one it reveals. A record of no test
// (an empty TN:, as a baseline capture writes, or none before it) among
// tests' records is left out, and a note says how many lines it had.

#include <charconv>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "reading/format_readers.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

const char* const NO_TEST_NAME =
    "the tracefile names no test: capture each test's coverage on its own with "
    "\"lcov --capture --test-name NAME\", then combine the captures with \"lcov -a\"";

// The fields of a record's value, split at commas: at most `most`, the last
// one taking the rest (a function's name may hold commas).
void splitFields(const std::string& value, std::size_t most, std::vector<std::string>& parts) {
  parts.clear();
  std::size_t at = 0;
  while (parts.size() + 1 < most) {
    const std::size_t comma = value.find(',', at);
    if (comma == std::string::npos) break;
    parts.push_back(value.substr(at, comma - at));
    at = comma + 1;
  }
  parts.push_back(value.substr(at));
}

// A count as lcov writes it: a whole number, maybe negative; "-" for a branch never reached.
bool parseCount(const std::string& text, long long& count) {
  if (text == "-") {
    count = 0;
    return true;
  }
  const char* end = text.data() + text.size();
  const auto [stop, status] = std::from_chars(text.data(), end, count);
  return !text.empty() && status == std::errc() && stop == end;
}

// Which field of each record the chosen items read: the item's fields and its count.
struct ItemRecord {
  const char* key;
  std::size_t leastFields;
  std::size_t mostFields;
  std::size_t countField;
  std::vector<std::size_t> nameFields;
};

// lcov 2 writes functions as FNA records, earlier versions as FNDA.
ItemRecord recordFor(CoverageItems items, bool lcov2Functions) {
  switch (items) {
    case CoverageItems::BRANCHES:
      return {"BRDA", 4, 4, 3, {0, 1, 2}};
    case CoverageItems::FUNCTIONS:
      return lcov2Functions ? ItemRecord{"FNA", 3, 3, 1, {2}} : ItemRecord{"FNDA", 2, 2, 0, {1}};
    case CoverageItems::LINES:
      break;
  }
  return {"DA", 2, 3, 1, {0}};
}

// The tests found so far and the record being read.
struct LcovReading {
  std::unordered_map<std::string, int> testOfName;
  std::vector<std::string> testNames;
  std::vector<long> testLines;
  std::vector<std::vector<int>> covered;  // raw item indices, by test
  // Items by file, then by their fields within it: a line's number, say.
  std::unordered_map<std::string, std::size_t> fileIndex;
  std::vector<std::unordered_map<std::string, int>> itemsOfFile;
  // Every test's record of a file lists the same DA lines in the same order
  // (lcov writes the lines run 0 times too), so each file's lines are kept in
  // the order first met, with the item of each once a test has run it, and
  // a record's next line is looked for first right after its last.
  std::vector<std::vector<std::uint32_t>> linesOfFile;
  std::vector<std::vector<int>> lineItemsOfFile;     // -1: no test has run it yet
  std::unordered_map<std::uint64_t, int> lineSlots;  // by file index and line number
  std::size_t nextSlot = 0;                          // in the record's file
  std::string testName;                              // of the latest TN: line
  std::string file;                                  // of the record being read; empty outside one
  std::size_t fileAt = 0;
  int test = -1;
  std::vector<std::string> parts;  // of the record being read
  bool nameless = false;           // the record being read is of no test
  long firstNameless = 0;          // the SF: line of the first such record
  long namelessLines = 0;          // the DA lines of such records
};

// An SF: line starts a record of the latest TN: line's test.
void startRecord(LcovReading& reading, const std::string& file, long line) {
  reading.file = file;
  reading.nameless = reading.testName.empty();
  if (reading.nameless) {
    if (reading.firstNameless == 0) reading.firstNameless = line;
    return;
  }
  auto known = reading.fileIndex.find(file);
  if (known == reading.fileIndex.end()) {
    known = reading.fileIndex.emplace(file, reading.itemsOfFile.size()).first;
    reading.itemsOfFile.emplace_back();
    reading.linesOfFile.emplace_back();
    reading.lineItemsOfFile.emplace_back();
  }
  reading.fileAt = known->second;
  reading.nextSlot = 0;
  const auto [entry, added] =
      reading.testOfName.emplace(reading.testName, static_cast<int>(reading.testNames.size()));
  if (added) {
    reading.testNames.push_back(reading.testName);
    reading.testLines.push_back(line);
    reading.covered.emplace_back();
  }
  reading.test = entry->second;
}

// A record of the items asked for: the item is the test's when its count is above 0.
bool readItem(LcovReading& reading, const ItemRecord& record, const std::string& text,
              const std::string& value, long line, CoverageSink& sink, ReadError& error) {
  std::vector<std::string>& parts = reading.parts;
  splitFields(value, record.mostFields, parts);
  long long count = 0;
  if (parts.size() < record.leastFields || !parseCount(parts[record.countField], count)) {
    error = {line, std::string(record.key) + " needs a count where lcov writes one, found " +
                       quotedText(text)};
    return false;
  }
  if (reading.file.empty()) {
    error = {line, std::string(record.key) + " outside a record: no SF: line before it"};
    return false;
  }
  if (count <= 0 || reading.nameless) return true;
  std::string key = parts[record.nameFields[0]];
  for (std::size_t field = 1; field < record.nameFields.size(); ++field) {
    key += ':';
    key += parts[record.nameFields[field]];
  }
  std::unordered_map<std::string, int>& items = reading.itemsOfFile[reading.fileAt];
  auto entry = items.find(key);
  if (entry == items.end()) {
    entry = items.emplace(key, sink.addItem(reading.file, key)).first;
  }
  reading.covered[static_cast<std::size_t>(reading.test)].push_back(entry->second);
  return true;
}

// A DA record, by far the most common: its line number and count read in
// place, and the item found by file and line, so that a tracefile of
// hundreds of megabytes is read at the speed of its lines.
bool readLineRecord(LcovReading& reading, const std::string& text, long line, CoverageSink& sink,
                    ReadError& error) {
  const char* end = text.data() + text.size();
  std::uint32_t number = 0;
  long long count = 0;
  const auto [afterNumber, numberStatus] = std::from_chars(text.data() + 3, end, number);
  if (numberStatus != std::errc()) {
    error = {line, "DA needs a line number from 0 to 4294967295, found " + quotedText(text)};
    return false;
  }
  bool good = afterNumber != end && *afterNumber == ',';
  if (good) {
    const auto [afterCount, countStatus] = std::from_chars(afterNumber + 1, end, count);
    good = countStatus == std::errc() && (afterCount == end || *afterCount == ',');
  }
  if (!good) {
    error = {line, "DA needs a count where lcov writes one, found " + quotedText(text)};
    return false;
  }
  if (reading.file.empty()) {
    error = {line, "DA outside a record: no SF: line before it"};
    return false;
  }
  if (reading.nameless) {
    ++reading.namelessLines;
    return true;
  }
  std::vector<std::uint32_t>& lines = reading.linesOfFile[reading.fileAt];
  std::size_t slot = reading.nextSlot;
  if (slot >= lines.size() || lines[slot] != number) {
    const std::uint64_t key = std::uint64_t{reading.fileAt} << 32 | number;
    const auto entry = reading.lineSlots.emplace(key, static_cast<int>(lines.size())).first;
    slot = static_cast<std::size_t>(entry->second);
    if (slot == lines.size()) {
      lines.push_back(number);
      reading.lineItemsOfFile[reading.fileAt].push_back(-1);
    }
  }
  reading.nextSlot = slot + 1;
  if (count <= 0) return true;
  int& item = reading.lineItemsOfFile[reading.fileAt][slot];
  if (item < 0) {
    item = sink.addItem(reading.file, std::to_string(number));
  }
  reading.covered[static_cast<std::size_t>(reading.test)].push_back(item);
  return true;
}

// One line of the tracefile: a record the items asked for read, a test's
// record begun or ended, any other record passed over.
bool readRecord(LcovReading& reading, CoverageItems items, const std::string& line, long lineNumber,
                CoverageSink& sink, ReadError& error) {
  if (items == CoverageItems::LINES && line.compare(0, 3, "DA:") == 0) {
    return readLineRecord(reading, line, lineNumber, sink, error);
  }
  const std::size_t colon = line.find(':');
  const std::string key = line.substr(0, colon);
  const std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
  if (key == "TN") {
    reading.testName = trimmed(value);
    return true;
  }
  if (key == "SF") {
    startRecord(reading, value, lineNumber);
    return true;
  }
  if (reading.nameless && items != CoverageItems::LINES && key == "DA") ++reading.namelessLines;
  if (key == "end_of_record") {
    reading.file.clear();
    return true;
  }
  for (const bool lcov2 : {false, true}) {
    const ItemRecord record = recordFor(items, lcov2);
    if (key == record.key) return readItem(reading, record, line, value, lineNumber, sink, error);
  }
  return true;
}

}  // namespace

bool readLcovSuite(LineReader& reader, CoverageSink& sink, CoverageItems items, ReadError& error) {
  LcovReading reading;
  std::string line;
  while (readLine(reader, line)) {
    if (!readRecord(reading, items, line, reader.lineNumber, sink, error)) return false;
  }
  // A tracefile of no test's records at all is one captured without names.
  if (reading.testNames.empty() && reading.firstNameless > 0) {
    error = {reading.firstNameless, NO_TEST_NAME};
    return false;
  }
  if (reading.firstNameless > 0) {
    sink.note("records of no test (an empty TN:, as a baseline capture writes), left out: " +
              std::to_string(reading.namelessLines) + " lines, the first record at line " +
              std::to_string(reading.firstNameless));
  }
  for (std::size_t at = 0; at < reading.testNames.size(); ++at) {
    if (!sink.addCoveredTest(reading.testNames[at], reading.covered[at], reading.testLines[at],
                             error)) {
      return false;
    }
  }
  return true;
}

}  // namespace antorder
