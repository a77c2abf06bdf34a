// Sparse lists, the usual form of published coverage: line k is test t<k>,
// with the ids of the faults or covered items it reveals.

#include <cstdint>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "reading/field_values.h"
#include "reading/format_readers.h"

bool readListsSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error) {
  // Faults take their indices in the order their ids first appear.
  std::unordered_map<std::uint64_t, int> faultOfId;
  std::vector<int> rawFaults;
  std::string line;
  while (readLine(reader, line)) {
    rawFaults.clear();
    std::istringstream ids(line);
    std::string text;
    while (ids >> text) {
      std::uint64_t id = 0;
      if (!parseWholeNumber(text, id)) {
        error = {reader.lineNumber,
                 "an id must be a whole number of at least 0, found \"" + text + "\""};
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
