#include "runners/runners.h"

#include <nlohmann/json.hpp>

#include "reading/line_reader.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

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
  const char* rest = textAfter(name, "DISABLED_");
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

}  // namespace

const std::vector<NameAffix>& gtestNameAffixes() {
  static const std::vector<NameAffix> affixes = {{"_tests", false}, {"_test", false}};
  return affixes;
}

// A GoogleTest suite line: "Suite." with an optional "  # TypeParam = T".
bool isGtestSuiteLine(const std::string& line) {
  const std::string head = line.substr(0, line.find("  # "));
  return head.size() > 1 && head.back() == '.' && head.find_first_of(" \t#") == std::string::npos;
}

// GoogleTest's JSON listing (--gtest_list_tests --gtest_output=json:FILE):
// each suite's tests with their source files, named as in its text listing.
bool readGtestJson(const nlohmann::json& document, std::vector<ListedTest>& found,
                   ReadError& error) {
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
                    std::vector<ListedTest>& found, ReadError& error) {
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

const Runner& gtestRunner() {
  static const Runner row{"gtest", "test", gtestNameAffixes, nullptr, nullptr, nullptr};
  return row;
}

}  // namespace antorder
