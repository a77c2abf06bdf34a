#include "runners/runners.h"

#include <cstring>
#include <fstream>
#include <unordered_set>

#include "reading/line_reader.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

// Why the lines are a listing of a shape the program does not read, with the
// way to get one it does; empty when they are not.
std::string unreadShape(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (std::string shape = pytestUnreadShape(line); !shape.empty()) return shape;
    if (isCtestText(line)) {
      return "ctest's text listing: list the tests with ctest --show-only=json-v1";
    }
  }
  return "";
}

bool readListedTests(const std::vector<std::string>& lines, const std::string& text,
                     std::vector<ListedTest>& found, ReadError& error) {
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

std::string testedStem(const std::string& part) {
  const auto strip = [&](const std::string& affix, bool front) -> std::string {
    if (part.size() <= affix.size()) return {};
    if (front ? part.compare(0, affix.size(), affix) == 0
              : part.compare(part.size() - affix.size(), affix.size(), affix) == 0) {
      return front ? part.substr(affix.size()) : part.substr(0, part.size() - affix.size());
    }
    return {};
  };
  for (const Runner* runner : runners()) {
    if (runner->nameAffixes == nullptr) continue;
    for (const NameAffix& affix : runner->nameAffixes()) {
      std::string stem = strip(affix.text, affix.front);
      if (!stem.empty()) return stem;
    }
  }
  return {};
}

const char* textAfter(const std::string& text, const char* prefix) {
  const std::size_t size = std::strlen(prefix);
  return text.compare(0, size, prefix) == 0 ? text.c_str() + size : nullptr;
}

const char* pastDigits(const char* at) {
  if (at == nullptr || !isDigit(*at)) return nullptr;
  while (isDigit(*at)) ++at;
  return at;
}

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
  std::vector<ListedTest> found;
  if (!readListedTests(lines, text, found, error)) return false;
  std::unordered_set<std::string> seen;
  for (ListedTest& listed : found) {
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

const std::vector<const Runner*>& runners() {
  // pytest's affixes before GoogleTest's: test_cart_test tests cart_test.
  static const std::vector<const Runner*> all = {&ctestRunner(), &pytestRunner(), &gtestRunner(),
                                                 &junit5Runner(), &jestRunner()};
  return all;
}

const Runner* runnerNamed(const std::string& name) {
  for (const Runner* runner : runners()) {
    if (name == runner->name) return runner;
  }
  return nullptr;
}

std::string testedStemOfFile(const std::string& fileName) {
  for (const Runner* runner : runners()) {
    if (runner->testedStemOfFile == nullptr) continue;
    std::string stem = runner->testedStemOfFile(fileName);
    if (!stem.empty()) return stem;
  }
  return {};
}

std::string fileOfKey(const std::string& key) {
  for (const Runner* runner : runners()) {
    if (runner->fileOfKey == nullptr) continue;
    std::string file = runner->fileOfKey(key);
    if (!file.empty()) return file;
  }
  return {};
}

std::string runnerUnitOf(const std::string& runner, const std::string& key,
                         const History* history) {
  const Runner* named = runnerNamed(runner);
  if (named == nullptr || named->unitOf == nullptr) return key;
  std::string file;
  if (history != nullptr) {
    const auto known = history->keyIndex.find(key);
    if (known != history->keyIndex.end()) {
      const auto given = history->fileOfKey.find(known->second);
      if (given != history->fileOfKey.end()) file = given->second;
    }
  }
  return named->unitOf(key, file);
}

}  // namespace antorder
