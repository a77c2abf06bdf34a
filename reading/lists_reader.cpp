// Sparse lists, the usual form of published coverage: line k is test t<k>,
// with the ids of the faults or covered items it reveals.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "reading/format_readers.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

// The next word of the line from `at` on, between spaces or tabs; false when none is left.
bool nextWord(const std::string& line, std::size_t& at, std::string& word) {
  const std::size_t first = line.find_first_not_of(" \t", at);
  if (first == std::string::npos) return false;
  const std::size_t end = std::min(line.find_first_of(" \t", first), line.size());
  word.assign(line, first, end - first);
  at = end;
  return true;
}

}  // namespace

bool readListsSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error) {
  // Faults take their indices in the order their ids first appear.
  std::unordered_map<std::uint64_t, int> faultOfId;
  std::vector<int> rawFaults;
  std::string line;
  while (readLine(reader, line)) {
    rawFaults.clear();
    std::size_t at = 0;
    std::string text;
    while (nextWord(line, at, text)) {
      std::uint64_t id = 0;
      if (!parseWholeNumber(text, id)) {
        error = {reader.lineNumber,
                 allDigits(text)
                     ? "an id of " + std::to_string(text.size()) +
                           " digits is too large, at most 18446744073709551615"
                     : "an id must be a whole number of at least 0, found " + quotedText(text)};
        return false;
      }
      const auto [entry, added] = faultOfId.emplace(id, static_cast<int>(faultOfId.size()));
      if (added) builder.rawFaultNames.push_back(std::to_string(id));
      rawFaults.push_back(entry->second);
    }
    if (!addTest(builder, "t" + std::to_string(reader.lineNumber), 1.0f, 1, rawFaults,
                 reader.lineNumber, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace antorder
