#include "reading/test_list.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "reading/line_reader.h"
#include "reading/test_costs.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

// A listed test, and the line it was listed on.
struct Listed {
  std::string name;
  long line;
  std::string file = {};  // where the listing says, the source file that holds it
};

bool readGtestJson(const nlohmann::json& document, std::vector<Listed>& found, ReadError& error);

// ctest's JSON: the names of its "tests"; or GoogleTest's.
bool readCtestJson(const std::string& text, std::vector<Listed>& found, ReadError& error) {
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  if (!document.is_discarded() && document.is_object() && document.contains("testsuites") &&
      document["testsuites"].is_array()) {
    return readGtestJson(document, found, error);
  }
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
    found.push_back({test["name"].get<std::string>(), 0});
  }
  return true;
}

// The text after `prefix`, or null where the text does not start with it.
const char* after(const std::string& text, const char* prefix) {
  const std::size_t size = std::strlen(prefix);
  return text.compare(0, size, prefix) == 0 ? text.c_str() + size : nullptr;
}

// Past the digits at `at`; null where there are none.
const char* pastDigits(const char* at) {
  if (at == nullptr || !isDigit(*at)) return nullptr;
  while (isDigit(*at)) ++at;
  return at;
}

// pytest --collect-only -q ends its node ids with a blank line and a count:
// "7 tests collected in 0.01s", "1 test collected", "3/7 tests collected (4
// deselected)", "no tests collected".
bool isPytestCount(const std::string& line) {
  const char* at = after(line, "no");
  if (at == nullptr) {
    at = pastDigits(line.c_str());
    if (at != nullptr && *at == '/') at = pastDigits(at + 1);
  }
  if (at == nullptr) return false;
  const std::string rest(at);
  const auto endsCount = [&](const char* words) {
    const char* end = after(rest, words);
    return end != nullptr && (*end == '\0' || *end == ' ');
  };
  const std::array<const char*, 4> counts = {" test collected", " tests collected",
                                             " test selected", " tests selected"};
  return std::any_of(counts.begin(), counts.end(), endsCount);
}

// Without -q pytest prints a banner and a tree of <Module ...> lines.
bool isPytestTree(const std::string& line) {
  const std::string text = trimmed(line);
  if (text.rfind('=', 0) == 0 && text.find(" test session starts ") != std::string::npos) {
    return true;
  }
  if (text.empty() || text.front() != '<' || text.back() != '>') return false;
  const std::array<const char*, 6> nodes = {"<Module ", "<Package ",  "<Dir ",
                                            "<Class ",  "<Function ", "<Session "};
  return std::any_of(nodes.begin(), nodes.end(),
                     [&](const char* node) { return text.rfind(node, 0) == 0; });
}

// With -qq pytest prints a count a file: "tests/test_shop.py: 7".
bool isPytestFileCount(const std::string& line) {
  const std::size_t colon = line.rfind(".py: ");
  if (line.empty() || line[0] == ' ' || colon == std::string::npos) return false;
  const char* end = pastDigits(line.c_str() + colon + 5);
  return end != nullptr && *end == '\0';
}

// ctest -N: "  Test #1: name".
bool isCtestText(const std::string& line) {
  const std::string text = trimmed(line);
  const char* at = after(text, "Test");
  if (at == nullptr || *at != ' ') return false;
  while (*at == ' ') ++at;
  if (*at != '#') return false;
  at = pastDigits(at + 1);
  return at != nullptr && *at == ':';
}

// The node ids, as JUnit keys, when the lines are pytest's -q collection:
// false when they are not.
bool readPytestLines(const std::vector<std::string>& lines, std::vector<Listed>& found) {
  std::size_t end = 0;
  while (end < lines.size() && !isBlank(lines[end])) ++end;
  if (end == 0 || end + 1 >= lines.size() || !isPytestCount(lines[end + 1])) {
    return false;
  }
  for (std::size_t at = 0; at < end; ++at) {
    if (lines[at].find("::") == std::string::npos) return false;
  }
  for (std::size_t at = 0; at < end; ++at) {
    found.push_back({junitKeyOf(trimmed(lines[at])), static_cast<long>(at) + 1});
  }
  return true;
}

// A GoogleTest suite line: "Suite." with an optional "  # TypeParam = T".
bool isGtestSuiteLine(const std::string& line) {
  const std::string head = line.substr(0, line.find("  # "));
  return head.size() > 1 && head.back() == '.' && head.find_first_of(" \t#") == std::string::npos;
}

// The text without a comment: from the first run of spaces before a "#".
std::string withoutComment(const std::string& text) {
  for (std::size_t hash = text.find('#'); hash != std::string::npos;
       hash = text.find('#', hash + 1)) {
    std::size_t start = hash;
    while (start > 0 && text[start - 1] == ' ') --start;
    if (start < hash) return text.substr(0, start);
  }
  return text;
}

// A value-parameterised test, "Rounds/0  # GetParam() = 1", as Rounds/1: the
// index and comment give way to the value. Others lose their comment.
std::string gtestTestName(const std::string& test) {
  static const char GET_PARAM[] = "GetParam() = ";
  const std::size_t param = test.find(GET_PARAM);
  if (param != std::string::npos) {
    std::size_t at = param;
    while (at > 0 && (test[at - 1] == ' ' || test[at - 1] == '#')) --at;
    const std::size_t digits = at;
    while (at > 0 && isDigit(test[at - 1])) --at;
    if (at < digits && at < param && at > 0 && test[at - 1] == '/') {
      return test.substr(0, at) + test.substr(param + sizeof GET_PARAM - 1);
    }
  }
  return withoutComment(test);
}

std::string withoutDisabled(const std::string& name) {
  const char* rest = after(name, "DISABLED_");
  return rest != nullptr ? std::string(rest) : name;
}

// The string member of the JSON object, or empty.
std::string stringIn(const nlohmann::json& object, const char* member) {
  const auto at = object.find(member);
  return at != object.end() && at->is_string() ? at->get<std::string>() : std::string();
}

// A test of GoogleTest's JSON listing, named as in its text listing: a
// typed test as Suite.Test<T>, a value-parameterised one as Test/V.
std::string gtestJsonName(const std::string& suite, std::string name, const nlohmann::json& test) {
  const std::string type = stringIn(test, "type_param");
  const std::string value = stringIn(test, "value_param");
  const std::size_t slash = name.rfind('/');
  if (!value.empty() && slash != std::string::npos)
    name.replace(slash + 1, std::string::npos, value);
  std::string full = withoutDisabled(type.empty() ? suite : suite.substr(0, suite.find('/')));
  full += "." + withoutDisabled(name);
  if (!type.empty()) full += "<" + type + ">";
  return full;
}

// GoogleTest's JSON listing (--gtest_list_tests --gtest_output=json:FILE):
// each suite's tests with their source files, named as in its text listing.
bool readGtestJson(const nlohmann::json& document, std::vector<Listed>& found, ReadError& error) {
  for (const nlohmann::json& suite : document["testsuites"]) {
    const auto tests = suite.is_object() ? suite.find("testsuite") : suite.end();
    const std::string suiteName = suite.is_object() ? stringIn(suite, "name") : "";
    if (suiteName.empty() || tests == suite.end() || !tests->is_array()) {
      error = {0, "a suite of GoogleTest's JSON list without a name or tests"};
      return false;
    }
    for (const nlohmann::json& test : *tests) {
      const std::string name = test.is_object() ? stringIn(test, "name") : "";
      if (name.empty()) {
        error = {0, "a test of GoogleTest's JSON list without a name"};
        return false;
      }
      const std::string full = gtestJsonName(suiteName, name, test);
      found.push_back({full, 0, stringIn(test, "file")});
    }
  }
  return true;
}

// A GoogleTest listing, named as gtest_discover_tests names its tests: a
// typed test "Suite/0.  # TypeParam = T" as Suite.Test<T>, a
// value-parameterised one "Test/0  # GetParam() = V" as Test/V, and
// DISABLED_ dropped.
bool readGtestLines(const std::vector<std::string>& lines, std::size_t first,
                    std::vector<Listed>& found, ReadError& error) {
  static const char TYPE_PARAM[] = "# TypeParam = ";
  std::string suite;
  std::string typeParameter;
  for (std::size_t at = first; at < lines.size(); ++at) {
    const std::string& line = lines[at];
    const auto number = static_cast<long>(at) + 1;
    if (isBlank(line)) continue;
    if (isGtestSuiteLine(line)) {
      const bool commented = line.find('#') != std::string::npos;
      suite = withoutDisabled(commented ? line.substr(0, line.find('/'))
                                        : line.substr(0, line.size() - 1));
      const std::size_t type = line.find(TYPE_PARAM);
      typeParameter =
          commented && type != std::string::npos ? line.substr(type + sizeof TYPE_PARAM - 1) : "";
      continue;
    }
    if (line.rfind("  ", 0) != 0 || suite.empty()) {
      error = {number, "not a line of GoogleTest's --gtest_list_tests: " + quotedText(line)};
      return false;
    }
    std::string name = suite;
    name += ".";
    name += withoutDisabled(gtestTestName(trimmed(line)));
    if (!typeParameter.empty()) name += "<" + typeParameter + ">";
    found.push_back({name, number});
  }
  return true;
}

// Why the lines are a listing of a shape the program does not read, with the
// way to get one it does; empty when they are not.
std::string unreadShape(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (isPytestTree(line)) {
      return "pytest's collection without -q: list the tests with pytest --collect-only -q";
    }
    if (isPytestFileCount(line)) {
      return "pytest's count of tests a file (-qq): list the tests with pytest --collect-only -q";
    }
    if (isCtestText(line)) {
      return "ctest's text listing: list the tests with ctest --show-only=json-v1";
    }
  }
  return "";
}

bool readListedTests(const std::vector<std::string>& lines, const std::string& text,
                     std::vector<Listed>& found, ReadError& error) {
  std::size_t first = 0;
  while (first < lines.size() && isBlank(lines[first])) ++first;
  // gtest_main's own line before the list.
  if (first < lines.size() && lines[first].rfind("Running main() from", 0) == 0) ++first;
  if (first < lines.size() && trimmed(lines[first]).rfind('{', 0) == 0) {
    return readCtestJson(text, found, error);
  }
  if (readPytestLines(lines, found)) return true;
  if (first < lines.size() && isGtestSuiteLine(lines[first])) {
    return readGtestLines(lines, first, found, error);
  }
  if (const std::string shape = unreadShape(lines); !shape.empty()) {
    error = {0, shape};
    return false;
  }
  for (std::size_t at = first; at < lines.size(); ++at) {
    if (!isBlank(lines[at])) found.push_back({trimmed(lines[at]), static_cast<long>(at) + 1});
  }
  return true;
}

}  // namespace

bool readTestList(const std::string& path, std::vector<std::string>& names, ReadError& error) {
  std::vector<TestSource> sources;
  return readTestList(path, names, sources, error);
}

bool readTestList(const std::string& path, std::vector<std::string>& names,
                  std::vector<TestSource>& sources, ReadError& error) {
  if (path == "-") return readTestList(standardInput(), names, sources, error);
  std::ifstream in;
  return openInput(path, in, error) && readTestList(in, names, sources, error);
}

bool readTestList(std::istream& in, std::vector<std::string>& names, ReadError& error) {
  std::vector<TestSource> sources;
  return readTestList(in, names, sources, error);
}

bool readTestList(std::istream& in, std::vector<std::string>& names,
                  std::vector<TestSource>& sources, ReadError& error) {
  LineReader reader{in, 0, {}, false};
  std::vector<std::string> lines;
  std::string text;
  for (std::string line; readLine(reader, line);) {
    text += line + "\n";
    lines.push_back(std::move(line));
  }
  if (!readToTheEnd(reader, error)) return false;
  std::vector<Listed> found;
  if (!readListedTests(lines, text, found, error)) return false;
  std::unordered_set<std::string> seen;
  for (Listed& listed : found) {
    if (const std::string refusal = nameRefusal(listed.name); !refusal.empty()) {
      error = {listed.line, refusal};
      return false;
    }
    if (!seen.insert(listed.name).second) continue;
    if (!listed.file.empty()) sources.push_back({listed.name, listed.file});
    names.push_back(std::move(listed.name));
  }
  if (names.empty()) {
    error = {0, "lists no test"};
    return false;
  }
  return true;
}

}  // namespace antorder
