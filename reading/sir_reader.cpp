// The fault matrices published with the SIR subject programs: the number of
// faulty versions and of tests, a line of input per test, then a block per
// test naming, for every version, whether the test reveals it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "reading/format_readers.h"
#include "suite/field_values.h"

namespace antorder {

namespace {

// A count of at most this many versions or tests is taken; what it promises is
// only believed as the blocks bear it out.
constexpr std::uint64_t MAX_COUNT = 1u << 30;

// Reads "<count> <word>" with any spaces around.
bool parseCountLine(const std::string& line, const std::string& word, std::uint64_t& count) {
  std::istringstream fields(line);
  std::string number;
  std::string label;
  std::string rest;
  return static_cast<bool>(fields >> number >> label) && !(fields >> rest) && label == word &&
         parseWholeNumber(number, count) && count <= MAX_COUNT;
}

// The next line that is not blank; false at the end of input.
bool readContentLine(LineReader& reader, std::string& line) {
  do {
    if (!readLine(reader, line)) return false;
  } while (isBlank(line));
  return true;
}

// Reads "v<j>:" into j.
bool parseVersionLabel(const std::string& text, std::uint64_t& version) {
  return text.size() > 2 && text.front() == 'v' && text.back() == ':' &&
         parseWholeNumber(text.substr(1, text.size() - 2), version);
}

struct SirHeader {
  std::uint64_t versions = 0;
  std::uint64_t tests = 0;
};

bool readHeader(LineReader& reader, SirHeader& header, ReadError& error) {
  std::string line;
  if (!readLine(reader, line) || !parseCountLine(line, "listversions", header.versions)) {
    error = {reader.lineNumber, "expected \"<versions> listversions\", found " + quotedText(line)};
    return false;
  }
  if (!readLine(reader, line) || !parseCountLine(line, "listtests", header.tests)) {
    error = {reader.lineNumber, "expected \"<tests> listtests\", found " + quotedText(line)};
    return false;
  }
  // The tests' inputs: free text, one line each.
  for (std::uint64_t test = 0; test < header.tests; ++test) {
    if (!readLine(reader, line)) {
      error = {reader.lineNumber, "the file ends after " + std::to_string(test) + " of the " +
                                      std::to_string(header.tests) + " test input lines"};
      return false;
    }
  }
  return true;
}

// Reads "unitest<k>:" into k.
bool parseBlockLabel(const std::string& text, std::uint64_t& test) {
  const std::string prefix = "unitest";
  return text.size() > prefix.size() + 1 && text.rfind(prefix, 0) == 0 && text.back() == ':' &&
         parseWholeNumber(text.substr(prefix.size(), text.size() - prefix.size() - 1), test);
}

// One test's block, as found in the file.
struct SirBlock {
  std::uint64_t test;
  long line;
  std::size_t firstFault;  // its faults: SirBlocks::faults[firstFault .. next block's)
};

struct SirBlocks {
  std::vector<SirBlock> blocks;
  std::vector<int> faults;
};

// Reads the pairs of "v<j>:" and 0 or 1 of the block that begins at its label
// line, each version once. seenIn[j] holds the last block, from 1, naming version j.
bool readBlock(LineReader& reader, const SirHeader& header, SirBlocks& found,
               std::vector<std::size_t>& seenIn, ReadError& error) {
  const std::size_t block = found.blocks.size() + 1;
  const std::string name = "unitest" + std::to_string(found.blocks.back().test);
  std::uint64_t named = 0;
  std::string line;
  while (readContentLine(reader, line)) {
    const std::string label = trimmed(line);
    if (label.rfind("unitest", 0) == 0) {
      unreadLine(reader, line);
      break;
    }
    std::uint64_t version = 0;
    if (!parseVersionLabel(label, version)) {
      error = {reader.lineNumber, "expected a version \"v<number>:\", found " + quotedText(line)};
      return false;
    }
    if (version < 1 || version > header.versions) {
      error = {reader.lineNumber, label.substr(0, label.size() - 1) + " is outside v1 to v" +
                                      std::to_string(header.versions)};
      return false;
    }
    // At most MAX_COUNT, so an index on every platform.
    const auto at = static_cast<std::size_t>(version);
    if (seenIn.size() < at + 1) seenIn.resize(at + 1, 0);
    if (seenIn[at] == block) {
      error = {reader.lineNumber, name + " names v" + std::to_string(version) + " twice"};
      return false;
    }
    seenIn[at] = block;
    ++named;
    if (!readLine(reader, line)) {
      error = {reader.lineNumber, "the file ends before the value of " + label};
      return false;
    }
    const std::string value = trimmed(line);
    if (value == "1") {
      found.faults.push_back(static_cast<int>(version - 1));
    } else if (value != "0") {
      error = {reader.lineNumber, "an entry must be 0 or 1, found " + quotedText(value)};
      return false;
    }
  }
  if (named != header.versions) {
    std::size_t missing = 1;
    while (missing < seenIn.size() && seenIn[missing] == block) ++missing;
    error = {found.blocks.back().line, name + " lacks v" + std::to_string(missing)};
    return false;
  }
  return true;
}

// Reads every block, in whatever order the file has them.
bool readBlocks(LineReader& reader, const SirHeader& header, SirBlocks& found, ReadError& error) {
  std::vector<std::size_t> seenIn;
  std::string line;
  while (readContentLine(reader, line)) {
    std::uint64_t test = 0;
    if (!parseBlockLabel(trimmed(line), test)) {
      error = {reader.lineNumber,
               "expected a block \"unitest<number>:\", found " + quotedText(line)};
      return false;
    }
    if (test >= header.tests) {
      error = {reader.lineNumber, "unitest" + std::to_string(test) +
                                      " is outside the header's unitest0 to unitest" +
                                      std::to_string(header.tests - 1)};
      return false;
    }
    found.blocks.push_back({test, reader.lineNumber, found.faults.size()});
    if (!readBlock(reader, header, found, seenIn, error)) return false;
  }
  return true;
}

}  // namespace

bool isSirHeader(const std::string& line) {
  std::uint64_t count = 0;
  return parseCountLine(line, "listversions", count);
}

bool readSirSuite(LineReader& reader, SuiteBuilder& builder, ReadError& error) {
  SirHeader header;
  SirBlocks found;
  if (!readHeader(reader, header, error) || !readBlocks(reader, header, found, error)) return false;
  found.blocks.push_back({header.tests, reader.lineNumber, found.faults.size()});  // the end

  // Test k is the k-th block by number: each number once, none missing.
  std::vector<std::size_t> byTest(found.blocks.size() - 1);
  for (std::size_t block = 0; block < byTest.size(); ++block) byTest[block] = block;
  std::stable_sort(byTest.begin(), byTest.end(), [&found](std::size_t first, std::size_t second) {
    return found.blocks[first].test < found.blocks[second].test;
  });
  std::vector<int> rawFaults;
  for (std::size_t rank = 0; rank < byTest.size(); ++rank) {
    const SirBlock& block = found.blocks[byTest[rank]];
    if (block.test != rank) {
      const bool repeated = block.test < rank;
      error = {block.line, repeated ? "a second block for unitest" + std::to_string(block.test)
                                    : "no block for unitest" + std::to_string(rank)};
      return false;
    }
    const std::size_t end = found.blocks[byTest[rank] + 1].firstFault;
    rawFaults.assign(found.faults.begin() + static_cast<std::ptrdiff_t>(block.firstFault),
                     found.faults.begin() + static_cast<std::ptrdiff_t>(end));
    if (!addTest(builder, "unitest" + std::to_string(rank), 1.0f, 1, rawFaults, block.line,
                 error)) {
      return false;
    }
  }
  if (byTest.size() != header.tests) {
    error = {reader.lineNumber, "the header counts " + std::to_string(header.tests) +
                                    " tests, but the file has blocks for " +
                                    std::to_string(byTest.size())};
    return false;
  }
  // Every block named every version, so the versions are borne out by now.
  for (std::uint64_t version = 1; version <= header.versions && header.tests > 0; ++version) {
    builder.rawFaultNames.push_back("v" + std::to_string(version));
  }
  return true;
}

}  // namespace antorder
