#include "collect/gcov_counts.h"

#include <algorithm>
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

// Glob matching with * (any run, / included), ? (one character) and
// [set] or [!set] with ranges; an unclosed [ matches itself.
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
    if (*text == '\0') return false;
    if (*pattern == '[' && std::strchr(pattern + 1, ']') != nullptr) {
      const char* at = pattern + 1;
      const bool negated = *at == '!' || *at == '^';
      if (negated) ++at;
      bool found = false;
      // A ] first in the set is one of its characters.
      const char* first = at;
      while (*at != '\0' && (*at != ']' || at == first)) {
        if (at[1] == '-' && at[2] != ']' && at[2] != '\0') {
          found = found || (*text >= at[0] && *text <= at[2]);
          at += 3;
        } else {
          found = found || *text == *at;
          ++at;
        }
      }
      if (*at != ']' || found == negated) return false;
      pattern = at + 1;
    } else if (*pattern == '?' || *pattern == *text) {
      ++pattern;
    } else {
      return false;
    }
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
    for (const Json& file : document["files"]) {
      if (!file.is_object() || !file.contains("file") || !file["file"].is_string() ||
          !file.contains("lines") || !file["lines"].is_array()) {
        continue;
      }
      // A relative source is the compiler's working folder's.
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
        counts[path][number.get<long>()] += count.get<std::uint64_t>();
      }
    }
  }
  return true;
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
