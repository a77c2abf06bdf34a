#include "runners/runners.h"

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "reading/line_reader.h"

namespace antorder {

namespace {

// A CMake bracket argument holding the text whole: [==[...]==] with enough
// '=' that the argument first closes at its end, neither inside the text nor
// where the text's end and the closer together make one (test_x[1]]]).
std::string bracketArgument(const std::string& text) {
  std::string closer = "]]";
  while ((text + closer).find(closer) != text.size()) closer.insert(1, "=");
  return "[" + closer.substr(1, closer.size() - 2) + "[" + text + closer;
}

void printText(std::FILE* out, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), out);
}

constexpr const char* COST_SCRIPT_START = "# Written by antorder-suite";

}  // namespace

bool readCtestJson(const std::string& text, std::vector<ListedTest>& found, ReadError& error) {
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

bool isCtestText(const std::string& line) {
  const std::string text = trimmed(line);
  const char* at = textAfter(text, "Test");
  if (at == nullptr || *at != ' ') return false;
  while (*at == ' ') ++at;
  if (*at != '#') return false;
  at = pastDigits(at + 1);
  return at != nullptr && *at == ':';
}

bool ctestReadsBack(const std::string& name) {
  return name.find(' ') == std::string::npos;
}

void printCtestCosts(std::FILE* out, const std::vector<std::string>& names) {
  std::size_t cost = names.size();
  for (const std::string& name : names) {
    if (!ctestReadsBack(name)) continue;
    printText(out, name);
    std::fprintf(out, " 1 %zu\n", cost);
    --cost;
  }
  std::fputs("---\n", out);
}

// The COST script's head: what it is, how to include it, and the guard
// that makes a copy kept from an earlier run set nothing.
constexpr const char* COST_SCRIPT_HEAD =
    "# Written by antorder-suite: the order it found, as each test's COST, which a\n"
    "# serial ctest runs the highest first. Include it last in the top-level\n"
    "# CMakeLists.txt:\n"
    "#   include(${CMAKE_BINARY_DIR}/antorder-costs.cmake OPTIONAL)\n"
    "# When included it sets the tests that exist then; it registers itself to be\n"
    "# read again when ctest runs, for tests found only then (gtest_discover_tests).\n"
    "# The tests a time budget leaves out are DISABLED: ctest reports them not run.\n"
    "# It serves one run of the tests: the first time it is read it notes ctest's\n"
    "# cost data (Testing/Temporary/CTestCostData.txt) in this file's name with\n"
    "# .stamp; once ctest has run tests and rewritten it, this file sets nothing,\n"
    "# so that a copy kept from an earlier run never orders or disables tests again.\n"
    "if(COMMAND add_test AND DEFINED PROJECT_NAME)\n"
    "  set(antorder_data \"${CMAKE_BINARY_DIR}/Testing/Temporary/CTestCostData.txt\")\n"
    "else()\n"
    "  get_filename_component(antorder_data Testing/Temporary/CTestCostData.txt ABSOLUTE)\n"
    "endif()\n"
    "set(antorder_stamp \"${CMAKE_CURRENT_LIST_FILE}.stamp\")\n"
    "if(NOT EXISTS \"${antorder_stamp}\")\n"
    "  set(antorder_seen none)\n"
    "  if(EXISTS \"${antorder_data}\")\n"
    "    file(SHA256 \"${antorder_data}\" antorder_seen)\n"
    "  endif()\n"
    "  file(WRITE \"${antorder_stamp}\" \"${antorder_seen}\\n${antorder_data}\")\n"
    "endif()\n"
    "file(READ \"${antorder_stamp}\" antorder_stamped)\n"
    "string(FIND \"${antorder_stamped}\" \"\\n\" antorder_end)\n"
    "string(SUBSTRING \"${antorder_stamped}\" 0 ${antorder_end} antorder_seen)\n"
    "math(EXPR antorder_end \"${antorder_end} + 1\")\n"
    "string(SUBSTRING \"${antorder_stamped}\" ${antorder_end} -1 antorder_data)\n"
    "set(antorder_now none)\n"
    "if(EXISTS \"${antorder_data}\")\n"
    "  file(SHA256 \"${antorder_data}\" antorder_now)\n"
    "endif()\n"
    "if(NOT antorder_now STREQUAL antorder_seen)\n"
    "  message(\"antorder-costs.cmake: ctest has run since this order was written: it \"\n"
    "    \"sets nothing, and every test runs in ctest's own order\")\n"
    "  function(antorder_cost name property value)\n"
    "  endfunction()\n"
    "elseif(COMMAND add_test AND DEFINED PROJECT_NAME)\n"
    "  function(antorder_cost name property value)\n"
    "    if(TEST \"${name}\")\n"
    "      set_tests_properties(\"${name}\" PROPERTIES ${property} ${value})\n"
    "    endif()\n"
    "  endfunction()\n"
    "  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "
    "\"${CMAKE_CURRENT_LIST_FILE}\")\n"
    "else()\n"
    "  function(antorder_cost name property value)\n"
    "    set_tests_properties(\"${name}\" PROPERTIES ${property} ${value})\n"
    "  endfunction()\n"
    "endif()\n";

void printCtestProperties(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<std::string>& disabled, const TestLabels& labels) {
  std::fputs(COST_SCRIPT_HEAD, out);
  std::size_t cost = names.size();
  for (const std::string& name : names) {
    std::fputs("antorder_cost(", out);
    printText(out, bracketArgument(name));
    std::fprintf(out, " COST %zu)\n", cost);
    --cost;
  }
  for (const std::string& name : disabled) {
    std::fputs("antorder_cost(", out);
    printText(out, bracketArgument(name));
    std::fputs(" DISABLED TRUE)\n", out);
  }
  for (std::size_t at = 0; at < labels.names.size(); ++at) {
    std::fputs("antorder_cost(", out);
    printText(out, bracketArgument(labels.names[at]));
    std::fputs(" LABELS ", out);
    printText(out, bracketArgument(labels.labels[at]));
    std::fputs(")\n", out);
  }
}

std::string costScriptStamp(const std::string& path) {
  return path + ".stamp";
}

bool isCostScript(const std::string& start) {
  return start.rfind(COST_SCRIPT_START, 0) == 0;
}

void printEmptyCostScript(std::FILE* out) {
  std::fprintf(out,
               "%s, which could not order the tests this time: this file\n"
               "# sets nothing, and every test runs in ctest's own order.\n"
               "message(\"antorder-costs.cmake: no order was written for this run: every test "
               "runs in ctest's own order\")\n",
               COST_SCRIPT_START);
}

const Runner& ctestRunner() {
  static const Runner row{"ctest", "test", nullptr, nullptr, nullptr, nullptr};
  return row;
}

}  // namespace antorder
