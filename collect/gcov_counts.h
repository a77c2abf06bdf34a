#pragma once

// The lines a test ran, per source file, as gcov's JSON (gcov --json-format
// --stdout) counts them, and which source files are the project's own.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace antorder {

// Source path (absolute, normalised) -> line -> times run; lines run 0 times
// are left out.
using LineCounts = std::map<std::string, std::map<long, std::uint64_t>>;

// Adds the counts of gcov's output: a JSON document a line, one for each
// data file. A line met in several functions or files (an inline function of
// a header) counts the sum. False, with the reason, where a line is not
// gcov's JSON.
bool addGcovJson(const std::string& text, LineCounts& counts, std::string& reason);

// Adds the counts of `from` to `into`, summed as addGcovJson sums them.
void addLineCounts(const LineCounts& from, LineCounts& into);

// A data file's (.gcda's) bytes as far as the lines gcov counts from it
// depend on them. gcc writes the largest counter of the whole program run
// into every object's summary, so that the data of an object a test never
// entered still differs from test to test; gcov reads only the number of
// runs from that summary, and the largest counter is zeroed here. A file of
// another layout is kept whole.
std::string gcdaCountedBytes(std::string bytes);

// Which sources are kept: with `include` given, those matching one of them,
// else those under `sourceFolder` and not under `buildFolder`; never those
// matching one of `exclude`. A pattern holding * ? or [ is a glob over the
// whole path (* crosses /), otherwise a folder or file and all under it.
struct SourceFilter {
  std::vector<std::string> include;
  std::vector<std::string> exclude;
  std::string sourceFolder;
  std::string buildFolder;
};
bool keepsSource(const SourceFilter& filter, const std::string& path);

// The value of KEY in a CMakeCache.txt's text (KEY:TYPE=value), or empty.
std::string cmakeCacheValue(const std::string& cache, const std::string& key);

}  // namespace antorder
