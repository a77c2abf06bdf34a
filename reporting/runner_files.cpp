#include "reporting/runner_files.h"

#include <cstddef>
#include <string>

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

}  // namespace

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

void printCtestProperties(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<std::string>& disabled, const TestLabels& labels) {
  std::fputs(
      "# Written by antorder-suite: the order it found, as each test's COST, which a\n"
      "# serial ctest runs the highest first. Include it last in the top-level\n"
      "# CMakeLists.txt:\n"
      "#   include(${CMAKE_BINARY_DIR}/antorder-costs.cmake OPTIONAL)\n"
      "# When included it sets the tests that exist then; it registers itself to be\n"
      "# read again when ctest runs, for tests found only then (gtest_discover_tests).\n"
      "# The tests a time budget leaves out are DISABLED: ctest reports them not run.\n"
      "if(COMMAND add_test AND DEFINED PROJECT_NAME)\n"
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
      "endif()\n",
      out);
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

}  // namespace antorder
