#include "reporting/runner_files.h"

#include <cstddef>
#include <string>

namespace antorder {

namespace {

// A CMake bracket argument holding the text whole: [==[...]==] with enough
// '=' that the text cannot close it.
std::string bracketArgument(const std::string& text) {
  std::string equals;
  while (text.find("]" + equals + "]") != std::string::npos) equals += '=';
  return "[" + equals + "[" + text + "]" + equals + "]";
}

}  // namespace

void printCtestCosts(std::FILE* out, const std::vector<std::string>& names) {
  std::size_t cost = names.size();
  for (const std::string& name : names) {
    std::fprintf(out, "%s 1 %zu\n", name.c_str(), cost);
    --cost;
  }
  std::fputs("---\n", out);
}

void printCtestProperties(std::FILE* out, const std::vector<std::string>& names) {
  std::fputs(
      "# Written by antorder-suite: the order it found, as each test's COST, which a\n"
      "# serial ctest runs the highest first. Include it last in the top-level\n"
      "# CMakeLists.txt:\n"
      "#   include(${CMAKE_BINARY_DIR}/antorder-costs.cmake OPTIONAL)\n"
      "# When included it sets the tests that exist then; it registers itself to be\n"
      "# read again when ctest runs, for tests found only then (gtest_discover_tests).\n"
      "if(COMMAND add_test AND DEFINED PROJECT_NAME)\n"
      "  function(antorder_cost name cost)\n"
      "    if(TEST \"${name}\")\n"
      "      set_tests_properties(\"${name}\" PROPERTIES COST ${cost})\n"
      "    endif()\n"
      "  endfunction()\n"
      "  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "
      "\"${CMAKE_CURRENT_LIST_FILE}\")\n"
      "else()\n"
      "  function(antorder_cost name cost)\n"
      "    set_tests_properties(\"${name}\" PROPERTIES COST ${cost})\n"
      "  endfunction()\n"
      "endif()\n",
      out);
  std::size_t cost = names.size();
  for (const std::string& name : names) {
    std::fprintf(out, "antorder_cost(%s %zu)\n", bracketArgument(name).c_str(), cost);
    --cost;
  }
}

}  // namespace antorder
