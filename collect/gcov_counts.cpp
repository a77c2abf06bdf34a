#include "collect/gcov_counts.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <sstream>

#include <nlohmann/json.hpp>

namespace antorder {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

bool isGlob(const std::string& pattern) {
  return pattern.find_first_of("*?[") != std::string::npos;
}

// Whether `c` is in the set at `pattern` ("[...]", "[!...]" with ranges; a ]
// first in the set is one of its characters); `pattern` moves past it.
bool inSet(const char*& pattern, char c) {
  const char* at = pattern + 1;
  const bool negated = *at == '!' || *at == '^';
  if (negated) ++at;
  const char* first = at;
  bool found = false;
  while (*at != '\0' && (*at != ']' || at == first)) {
    const bool range = at[1] == '-' && at[2] != ']' && at[2] != '\0';
    found = found || (range ? c >= at[0] && c <= at[2] : c == at[0]);
    at += range ? 3 : 1;
  }
  pattern = *at == ']' ? at + 1 : at;
  return found != negated;
}

// Whether `c` matches the one character's pattern at `pattern` (a
// character, ? or a set), which moves past it.
bool matchesOne(const char*& pattern, char c) {
  if (*pattern == '[' && std::strchr(pattern + 1, ']') != nullptr) return inSet(pattern, c);
  const bool matches = *pattern == '?' || *pattern == c;
  ++pattern;
  return matches;
}

// Glob matching with * (any run, / included), ? (one character) and
// [set]; a [ never closed matches itself.
bool globMatches(const char* pattern, const char* text) {
  while (*pattern != '\0') {
    if (*pattern == '*') {
      while (*pattern == '*') ++pattern;
      if (*pattern == '\0') return true;
      for (const char* at = text; *at != '\0'; ++at) {
        if (globMatches(pattern, at)) return true;
      }
      return false;
    }
    if (*text == '\0' || !matchesOne(pattern, *text)) return false;
    ++text;
  }
  return *text == '\0';
}

// Whether the path is the folder or file `under`, or lies within it.
bool isUnder(const std::string& path, std::string under) {
  while (under.size() > 1 && under.back() == '/') under.pop_back();
  if (under.empty() || path.compare(0, under.size(), under) != 0) return false;
  return path.size() == under.size() || path[under.size()] == '/' || under == "/";
}

bool matchesAny(const std::vector<std::string>& patterns, const std::string& path) {
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
    return isGlob(pattern) ? globMatches(pattern.c_str(), path.c_str()) : isUnder(path, pattern);
  });
}

// Adds the lines one source file ran; a relative source is the compiler's
// working folder's.
// Adds to a count, up to the largest a counter holds, never wrapping to 0.
void addCount(std::uint64_t& total, std::uint64_t added) {
  total = total > UINT64_MAX - added ? UINT64_MAX : total + added;
}

void addSourceCounts(const Json& file, const fs::path& base, LineCounts& counts) {
  if (!file.is_object() || !file.contains("file") || !file["file"].is_string() ||
      !file.contains("lines") || !file["lines"].is_array()) {
    return;
  }
  const std::string path =
      (base / fs::u8path(file["file"].get<std::string>())).lexically_normal().u8string();
  for (const Json& counted : file["lines"]) {
    if (!counted.is_object()) continue;
    const Json& number = counted.value("line_number", Json());
    const Json& count = counted.value("count", Json());
    if (!number.is_number_integer() || !count.is_number_unsigned() ||
        count.get<std::uint64_t>() == 0 || number.get<long>() < 1) {
      continue;
    }
    addCount(counts[path][number.get<long>()], count.get<std::uint64_t>());
  }
}

}  // namespace

bool addGcovJson(const std::string& text, LineCounts& counts, std::string& reason) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const Json document = Json::parse(line, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("files") ||
        !document["files"].is_array()) {
      reason = "gcov wrote something other than its JSON: " + line.substr(0, 80);
      return false;
    }
    const Json& folder = document.value("current_working_directory", Json());
    const fs::path base = folder.is_string() ? fs::u8path(folder.get<std::string>()) : fs::path();
    for (const Json& file : document["files"]) addSourceCounts(file, base, counts);
  }
  return true;
}

void addLineCounts(const LineCounts& from, LineCounts& into) {
  for (const auto& [path, lines] : from) {
    std::map<long, std::uint64_t>& to = into[path];
    for (const auto& [line, count] : lines) addCount(to[line], count);
  }
}

std::string gcdaCountedBytes(std::string bytes) {
  // The words of a data file are in the byte order of the machine that
  // wrote it, this one's; a file whose magic does not read so is kept whole.
  const auto word = [&](std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
  };
  constexpr std::uint32_t DATA_MAGIC = 0x67636461;   // "gcda"
  constexpr std::uint32_t SUMMARY_TAG = 0xa1000000;  // the object's summary
  if (bytes.size() < 4 || word(0) != DATA_MAGIC) return bytes;
  // The header is magic, version and stamp, and since gcc 12 a checksum; the
  // summary follows it: tag, length (2 words before gcc 12, 8 bytes since),
  // runs, largest counter.
  for (const std::size_t header : {std::size_t{12}, std::size_t{16}}) {
    if (bytes.size() < header + 16 || word(header) != SUMMARY_TAG) continue;
    const std::uint32_t length = word(header + 4);
    if (length != 2 && length != 8) continue;
    std::memset(&bytes[header + 12], 0, 4);
    break;
  }
  return bytes;
}

bool keepsSource(const SourceFilter& filter, const std::string& path) {
  if (matchesAny(filter.exclude, path)) return false;
  if (!filter.include.empty()) return matchesAny(filter.include, path);
  return isUnder(path, filter.sourceFolder) &&
         (filter.buildFolder.empty() || !isUnder(path, filter.buildFolder));
}

std::string cmakeCacheValue(const std::string& cache, const std::string& key) {
  std::istringstream lines(cache);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, key.size(), key) != 0 || line.size() <= key.size()) continue;
    const char next = line[key.size()];
    const std::size_t equals = line.find('=', key.size());
    if ((next == ':' || next == '=') && equals != std::string::npos) return line.substr(equals + 1);
  }
  return "";
}

}  // namespace antorder
