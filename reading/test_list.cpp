#include "reading/test_list.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "reading/line_reader.h"
#include "reading/test_costs.h"

namespace antorder {

namespace {

// ctest's JSON: the names of its "tests".
bool readCtestJson(const std::string& text, std::vector<std::string>& names, ReadError& error) {
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object() || !document.contains("tests") ||
      !document["tests"].is_array()) {
    error = {0, "JSON that is not ctest's --show-only=json-v1 list"};
    return false;
  }
  for (const nlohmann::json& test : document["tests"]) {
    if (!test.is_object() || !test.contains("name") || !test["name"].is_string()) {
      error = {0, "a test of ctest's list without a name"};
      return false;
    }
    names.push_back(test["name"].get<std::string>());
  }
  return true;
}

bool isGtestSuiteLine(const std::string& line) {
  const std::string head = trimmed(line.substr(0, line.find('#')));
  return !line.empty() && line[0] != ' ' && head.size() > 1 && head.back() == '.';
}

// The text's lines without their line ends, and without the line gtest_main
// writes before the list.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (!lines.empty() && lines.front().rfind("Running main() from", 0) == 0) {
    lines.erase(lines.begin());
  }
  return lines;
}

// pytest's node ids, up to the blank line before the count, as JUnit keys.
void readPytestLines(const std::vector<std::string>& lines, std::vector<std::string>& names) {
  for (const std::string& line : lines) {
    const std::string nodeId = trimmed(line);
    if (nodeId.empty()) break;
    names.push_back(junitKeyOf(nodeId));
  }
}

// GoogleTest's "Suite." lines and their indented tests, comments dropped.
void readGtestLines(const std::vector<std::string>& lines, std::vector<std::string>& names) {
  std::string suite;
  for (const std::string& line : lines) {
    const std::string head = trimmed(line.substr(0, line.find('#')));
    if (head.empty()) continue;
    if (isGtestSuiteLine(line)) {
      suite = head;
    } else {
      names.push_back(suite + head);
    }
  }
}

}  // namespace

bool readTestList(const std::string& path, std::vector<std::string>& names, ReadError& error) {
  errno = 0;
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  if (!in) {
    error = {0, errno != 0 ? std::strerror(errno) : "cannot be opened"};
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return readTestListText(text, names, error);
}

bool readTestListText(const std::string& text, std::vector<std::string>& names, ReadError& error) {
  std::vector<std::string> found;
  const std::vector<std::string> lines = linesOf(text);
  if (trimmed(text).rfind('{', 0) == 0) {
    if (!readCtestJson(text, found, error)) return false;
  } else if (!lines.empty() && lines.front().find("::") != std::string::npos) {
    readPytestLines(lines, found);
  } else if (!lines.empty() && isGtestSuiteLine(lines.front())) {
    readGtestLines(lines, found);
  } else {
    for (const std::string& line : lines) {
      if (!trimmed(line).empty()) found.push_back(trimmed(line));
    }
  }
  std::unordered_set<std::string> seen;
  for (std::string& name : found) {
    if (seen.insert(name).second) names.push_back(std::move(name));
  }
  if (names.empty()) {
    error = {0, "lists no test"};
    return false;
  }
  return true;
}

}  // namespace antorder
