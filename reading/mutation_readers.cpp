// Mutation-testing results, where a mutant that a test kills is a fault that
// test reveals:
// - PIT's mutations.xml, best written with fullMutationMatrix=true: each
//   <mutation> with <sourceFile>, <lineNumber>, <mutator>, <killingTests> and
//   <succeedingTests> (test names separated by "|"); the default mode's single
//   <killingTest> is read too, and the matrix is then partial;
// - Stryker's mutation-testing report (JSON): tests from "testFiles", mutants
//   from "files", each with the ids of the tests in "killedBy".
// Tests come in the order they first appear; a mutant no test kills is left
// out and counted by its status.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "reading/format_readers.h"
#include "reading/xml_document.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

// The tests found so far, each with the mutants it kills.
struct MutationMatrix {
  std::unordered_map<std::string, int> testOfName;
  std::vector<std::string> testNames;
  std::vector<std::vector<int>> kills;
  std::map<std::string, int> notKilled;  // by status
};

int testIndex(MutationMatrix& matrix, const std::string& name) {
  const auto [entry, added] =
      matrix.testOfName.emplace(name, static_cast<int>(matrix.testNames.size()));
  if (added) {
    matrix.testNames.push_back(name);
    matrix.kills.emplace_back();
  }
  return entry->second;
}

// The tests in order, the summary's noun and a note on the mutants left out.
bool addMutationTests(const MutationMatrix& matrix, SuiteBuilder& builder, ReadError& error) {
  for (std::size_t test = 0; test < matrix.testNames.size(); ++test) {
    std::vector<int> kills = matrix.kills[test];
    if (!addTest(builder, matrix.testNames[test], 1.0f, 1, kills, 0, error)) return false;
  }
  builder.suite.itemNoun = "mutants killed";
  int left = 0;
  std::string statuses;
  for (const auto& [status, count] : matrix.notKilled) {
    left += count;
    statuses += (statuses.empty() ? "" : ", ") + std::to_string(count) + " " + status;
  }
  builder.suite.notes.push_back("mutants no test kills, left out: " + std::to_string(left) +
                                (statuses.empty() ? "" : " (" + statuses + ")"));
  return true;
}

// A library's message without its "[json.exception...] " tag.
std::string reasonOf(const std::exception& failure) {
  const std::string what = failure.what();
  const std::size_t tag = what.find("] ");
  return tag == std::string::npos ? what : what.substr(tag + 2);
}

// "a|b|c" as its names, none empty.
std::vector<std::string> splitNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at <= list.size()) {
    const std::size_t bar = std::min(list.find('|', at), list.size());
    const std::string name = trimmed(list.substr(at, bar - at));
    if (!name.empty()) names.push_back(name);
    at = bar + 1;
  }
  return names;
}

// One <mutation>: its tests, and a fault when some test kills it.
bool addPitMutation(const pugi::xml_node& mutation, long line, MutationMatrix& matrix,
                    SuiteBuilder& builder, bool& partial, ReadError& error) {
  const std::string lineText = trimmed(mutation.child_value("lineNumber"));
  std::uint64_t lineNumber = 0;
  if (!parseWholeNumber(lineText, lineNumber)) {
    error = {line, "a mutation's lineNumber must be a whole number, found " + quotedText(lineText)};
    return false;
  }
  std::vector<std::string> killing = splitNames(mutation.child_value("killingTests"));
  if (!mutation.child("killingTest").empty()) {
    partial = true;
    for (const std::string& name : splitNames(mutation.child_value("killingTest"))) {
      killing.push_back(name);
    }
  }
  for (const std::string& name : splitNames(mutation.child_value("succeedingTests"))) {
    testIndex(matrix, name);
  }
  if (killing.empty()) {
    const std::string status = mutation.attribute("status").as_string();
    ++matrix.notKilled[status.empty() ? "without status" : status];
    return true;
  }
  std::string mutator = trimmed(mutation.child_value("mutator"));
  mutator = mutator.substr(mutator.find_last_of('.') + 1);
  const int fault = static_cast<int>(builder.rawFaultNames.size());
  builder.rawFaultNames.push_back(trimmed(mutation.child_value("sourceFile")) + ":" +
                                  std::to_string(lineNumber) + ":" + mutator);
  for (const std::string& name : killing) {
    matrix.kills[static_cast<std::size_t>(testIndex(matrix, name))].push_back(fault);
  }
  return true;
}

}  // namespace

bool readPitMutations(std::istream& in, SuiteBuilder& builder, ReadError& error) {
  XmlReport report;
  if (!loadXmlReport(in, {"mutations"}, "a PIT report", report, error)) return false;
  const pugi::xml_node root = report.document.document_element();
  MutationMatrix matrix;
  bool partial = false;
  for (const pugi::xml_node mutation : root.children("mutation")) {
    if (!addPitMutation(mutation, lineAt(report, mutation.offset_debug()), matrix, builder, partial,
                        error)) {
      return false;
    }
  }
  if (!addMutationTests(matrix, builder, error)) return false;
  if (partial) {
    builder.suite.notes.push_back(
        "the matrix is partial: PIT named one killing test a mutant; run it with "
        "-DfullMutationMatrix=true for them all");
  }
  return true;
}

namespace {

using Json = nlohmann::json;

// The tests of the report's "testFiles", by their ids; a name that two files
// share is told apart by its file.
void addStrykerTests(const Json& testFiles, MutationMatrix& matrix,
                     std::unordered_map<std::string, int>& testOfId) {
  for (const auto& [file, tests] : testFiles.items()) {
    for (const Json& test : tests.at("tests")) {
      std::string name = test.at("name").get<std::string>();
      if (matrix.testOfName.count(name) != 0) name.insert(0, file + ": ");
      testOfId[test.at("id").get<std::string>()] = testIndex(matrix, name);
    }
  }
}

// One mutant: a fault of the tests that killed it, or counted by its status.
bool addStrykerMutant(const std::string& file, const Json& mutant,
                      const std::unordered_map<std::string, int>& testOfId, MutationMatrix& matrix,
                      SuiteBuilder& builder, ReadError& error) {
  const Json killedBy = mutant.value("killedBy", Json::array());
  if (killedBy.empty()) {
    ++matrix.notKilled[mutant.value("status", std::string("without status"))];
    return true;
  }
  const int fault = static_cast<int>(builder.rawFaultNames.size());
  std::string name = file;
  name += ':';
  name += std::to_string(mutant.at("location").at("start").at("line").get<long>());
  name += ':';
  name += mutant.at("mutatorName").get<std::string>();
  builder.rawFaultNames.push_back(name);
  for (const Json& id : killedBy) {
    const auto test = testOfId.find(id.get<std::string>());
    if (test == testOfId.end()) {
      error = {0, "mutant " + mutant.value("id", std::string("?")) + " is killed by test id \"" +
                      id.get<std::string>() + "\", which no test file has"};
      return false;
    }
    matrix.kills[static_cast<std::size_t>(test->second)].push_back(fault);
  }
  return true;
}

// The report as a document, or false with the line and reason it is not JSON.
bool parseReport(std::istream& in, Json& report, ReadError& error) {
  try {
    report = Json::parse(in);
    return true;
  } catch (const Json::exception& failure) {
    // "parse error at line 3, column 7: syntax error while parsing ...", or a
    // number too large for a double, which the parser reports as out of range.
    const std::string what = reasonOf(failure);
    const std::size_t at = what.find("at line ");
    const std::size_t colon = what.find(": ");
    const long line = at == std::string::npos ? 0 : std::atol(what.c_str() + at + 8);
    error = {line, "not well-formed JSON: " +
                       (colon == std::string::npos ? what : what.substr(colon + 2))};
    return false;
  }
}

}  // namespace

bool readStrykerReport(std::istream& in, SuiteBuilder& builder, ReadError& error) {
  Json report;
  if (!parseReport(in, report, error)) return false;
  if (!report.is_object() || !report.contains("files") || !report["files"].is_object()) {
    error = {0, "not a mutation-testing report: it has no \"files\""};
    return false;
  }
  if (!report.contains("testFiles") || !report["testFiles"].is_object()) {
    error = {0,
             "the report names no tests: Stryker writes them (\"testFiles\" and each mutant's "
             "\"killedBy\") with coverageAnalysis \"perTest\""};
    return false;
  }
  MutationMatrix matrix;
  try {
    std::unordered_map<std::string, int> testOfId;
    addStrykerTests(report["testFiles"], matrix, testOfId);
    for (const auto& [file, source] : report["files"].items()) {
      for (const Json& mutant : source.at("mutants")) {
        if (!addStrykerMutant(file, mutant, testOfId, matrix, builder, error)) return false;
      }
    }
  } catch (const Json::exception& failure) {
    error = {0, "not a mutation-testing report: " + reasonOf(failure)};
    return false;
  }
  return addMutationTests(matrix, builder, error);
}

}  // namespace antorder
