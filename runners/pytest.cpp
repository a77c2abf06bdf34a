#include "runners/runners.h"

#include <algorithm>
#include <array>

#include "reading/line_reader.h"
#include "suite/test_names.h"

namespace antorder {

namespace {

// pytest --collect-only -q ends its node ids with a blank line and a count:
// "7 tests collected in 0.01s", "1 test collected", "3/7 tests collected (4
// deselected)", "no tests collected".
bool isPytestCount(const std::string& line) {
  const char* at = textAfter(line, "no");
  if (at == nullptr) {
    at = pastDigits(line.c_str());
    if (at != nullptr && *at == '/') at = pastDigits(at + 1);
  }
  if (at == nullptr) return false;
  const std::string rest(at);
  const auto endsCount = [&](const char* words) {
    const char* end = textAfter(rest, words);
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

}  // namespace

const std::vector<NameAffix>& pytestNameAffixes() {
  static const std::vector<NameAffix> affixes = {{"test_", true}};
  return affixes;
}

std::string pytestUnreadShape(const std::string& line) {
  if (isPytestTree(line)) {
    return "pytest's collection without -q: list the tests with pytest --collect-only -q";
  }
  if (isPytestFileCount(line)) {
    return "pytest's count of tests a file (-qq): list the tests with pytest --collect-only -q";
  }
  return "";
}

bool readPytestLines(const std::vector<std::string>& lines, std::vector<ListedTest>& found) {
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

const Runner& pytestRunner() {
  static const Runner row{"pytest", "test", pytestNameAffixes, nullptr, nullptr, nullptr};
  return row;
}

}  // namespace antorder
