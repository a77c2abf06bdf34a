#include "collect/collector.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>

#include "collect/ctest_listing.h"
#include "collect/processes.h"
#include "platform/parallel.h"

namespace antorder {

namespace {

namespace fs = std::filesystem;

// gcov is handed this many data files a call, well inside any command line's limit.
constexpr std::size_t GCDA_A_CALL = 256;

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A name an lcov TN: line cannot carry as it is: one with a control
// character, or with a space at either end (read back trimmed).
bool unfitForLcov(const std::string& name) {
  const bool control = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
  });
  return control || name.empty() || name.front() == ' ' || name.back() == ' ';
}

// FNV-1a, 64 bits: tells data files apart before their bytes are compared.
std::uint64_t hashOf(const std::string& bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char byte : bytes) {
    hash ^= static_cast<unsigned char>(byte);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// The lines gcov counted from objects' data files, kept by the object (its
// data file's path under the prefix) and the bytes they were counted from:
// most tests never enter most objects, and write the same counters for
// them, which gcov then reads but once. The counts kept are of the sources
// kept only.
struct ReadCache {
  struct Read {
    std::uint64_t hash = 0;
    std::string bytes;  // as gcdaCountedBytes gives them
    LineCounts lines;
    long hits = 0;
  };
  std::mutex lock;
  std::map<std::string, std::vector<Read>> byObject;
};

// Reads kept an object: the one most tests write, and room for a few more,
// as an object's counters differ in every test that enters it.
constexpr std::size_t READS_AN_OBJECT = 4;

// A data file of a test, and what the cache knows it by.
struct DataFile {
  std::string path;
  std::string object;  // the path under the prefix
  std::string bytes;
  std::uint64_t hash = 0;
  bool readable = false;
};

// Adds the lines kept for the data file's bytes to `counts`; false where
// gcov has not read those bytes yet.
bool addKeptRead(ReadCache& cache, const DataFile& data, LineCounts& counts) {
  if (!data.readable) return false;
  const std::lock_guard<std::mutex> hold(cache.lock);
  const auto object = cache.byObject.find(data.object);
  if (object == cache.byObject.end()) return false;
  for (ReadCache::Read& read : object->second) {
    if (read.hash == data.hash && read.bytes == data.bytes) {
      ++read.hits;
      addLineCounts(read.lines, counts);
      return true;
    }
  }
  return false;
}

// Keeps what gcov read from the data file, in place of the read of the
// object least used where its room is full.
void keepRead(ReadCache& cache, const DataFile& data, LineCounts lines) {
  if (!data.readable) return;
  const std::lock_guard<std::mutex> hold(cache.lock);
  std::vector<ReadCache::Read>& reads = cache.byObject[data.object];
  for (const ReadCache::Read& read : reads) {
    if (read.hash == data.hash && read.bytes == data.bytes) return;  // read by another test too
  }
  ReadCache::Read made{data.hash, data.bytes, std::move(lines), 0};
  if (reads.size() < READS_AN_OBJECT) {
    reads.push_back(std::move(made));
    return;
  }
  *std::min_element(reads.begin(), reads.end(),
                    [](const ReadCache::Read& a, const ReadCache::Read& b) {
                      return a.hits < b.hits;
                    }) = std::move(made);
}

// Leaves out the counts of the sources not kept.
void keepSources(const SourceFilter& filter, LineCounts& counts) {
  for (auto entry = counts.begin(); entry != counts.end();) {
    entry = keepsSource(filter, entry->first) ? std::next(entry) : counts.erase(entry);
  }
}

// What the whole collection shares, read once.
struct Shared {
  const CollectSettings& settings;
  std::string buildFolder;  // absolute: ctest and the tests run in other folders
  SourceFilter filter;
  std::string gcov;
  std::vector<std::string> environment;
  fs::path temporary;
  ReadCache* reads = nullptr;
};

// How the test ended where it did not pass; empty where it did.
std::string howItEnded(const CtestTest& test, const ProcessEnd& end) {
  if (end.timedOut) return "ran past its TIMEOUT and was stopped";
  if (end.signal != 0) return "crashed (signal " + std::to_string(end.signal) + ")";
  if ((end.exitStatus != 0) != test.willFail) {
    return "failed (exit status " + std::to_string(end.exitStatus) + ")";
  }
  return "";
}

// Puts each data file's notes file (.gcno, in the build tree) beside it, so
// that gcov finds the two together; the data files that have one.
std::vector<std::string> pairWithNotes(const fs::path& prefix) {
  std::vector<std::string> data;
  std::error_code status;
  for (fs::recursive_directory_iterator entry(prefix, status), last; !status && entry != last;
       entry.increment(status)) {
    if (!entry->is_regular_file(status) || entry->path().extension() != ".gcda") continue;
    // Under the prefix the data file keeps the object's absolute path.
    const fs::path object = fs::path("/") / entry->path().lexically_relative(prefix);
    fs::path notes = object;
    notes.replace_extension(".gcno");
    fs::path beside = entry->path();
    beside.replace_extension(".gcno");
    std::error_code linked;
    if (!fs::exists(notes, linked)) continue;
    fs::create_symlink(notes, beside, linked);
    if (linked) fs::copy_file(notes, beside, linked);
    if (!linked) data.push_back(entry->path().string());
  }
  return data;
}

// Adds to `counts` the reads kept of the data files; the data files left.
std::vector<DataFile> countKeptReads(ReadCache& cache, const fs::path& prefix,
                                     const std::vector<std::string>& data, LineCounts& counts) {
  std::vector<DataFile> unread;
  for (const std::string& path : data) {
    DataFile file;
    file.path = path;
    file.object = fs::path(path).lexically_relative(prefix).string();
    std::ifstream in(path, std::ios::binary);
    file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    file.readable = in.is_open() && !in.bad();
    file.bytes = gcdaCountedBytes(std::move(file.bytes));
    file.hash = hashOf(file.bytes);
    if (!addKeptRead(cache, file, counts)) unread.push_back(std::move(file));
  }
  return unread;
}

// Has gcov read the data files from `first` to `last`, adds what it read to
// `counts` and keeps it; false, with the reason, where gcov fails.
bool readWithGcov(const Shared& shared, const CtestTest& test, const fs::path& prefix,
                  const std::vector<DataFile>& files, std::size_t first, std::size_t last,
                  LineCounts& counts, bool& stopped, std::string& reason) {
  ProcessRun gcov;
  gcov.command = {shared.gcov, "--json-format", "--stdout"};
  for (std::size_t at = first; at < last; ++at) gcov.command.push_back(files[at].path);
  gcov.folder = prefix.string();
  gcov.environment = shared.environment;
  gcov.stopped = shared.settings.stopped;
  std::string output;
  gcov.output = &output;
  const ProcessEnd read = runProcess(gcov);
  stopped = read.stopped;
  if (stopped) return true;
  if (!read.started || read.exitStatus != 0 || read.signal != 0) {
    reason = "gcov could not read the coverage of test " + test.name + " (" +
             (read.started ? "exit status " + std::to_string(read.exitStatus) : read.failure) +
             "): is " + shared.gcov + " the gcov of the compiler that built it? (--gcov)";
    return false;
  }
  // gcov writes a JSON document a data file, in the order handed; where it
  // wrote some other number, the reads are counted but not kept.
  std::vector<std::string> documents;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.find_first_not_of(" \t\r") != std::string::npos) documents.push_back(line);
  }
  if (documents.size() != last - first) {
    LineCounts all;
    if (!addGcovJson(output, all, reason)) return false;
    keepSources(shared.filter, all);
    addLineCounts(all, counts);
    return true;
  }
  for (std::size_t at = first; at < last; ++at) {
    LineCounts one;
    if (!addGcovJson(documents[at - first], one, reason)) return false;
    keepSources(shared.filter, one);
    addLineCounts(one, counts);
    keepRead(*shared.reads, files[at], std::move(one));
  }
  return true;
}

// Runs one test and reads its counters; false, with the reason, where gcov fails.
bool collectTest(const Shared& shared, const CtestTest& test, std::size_t index,
                 TestCoverage& coverage, std::string& warning, std::string& reason) {
  coverage.name = test.name;
  const fs::path prefix = shared.temporary / std::to_string(index);
  std::vector<std::string> environment;
  if (!testEnvironment(shared.environment, test, environment, reason)) return false;
  environment.push_back("GCOV_PREFIX=" + prefix.string());
  environment.push_back("GCOV_PREFIX_STRIP=0");
  ProcessRun run;
  run.command = test.command;
  run.folder = test.workingDirectory.empty() ? shared.buildFolder : test.workingDirectory;
  run.environment = environment;
  run.timeoutSeconds = test.timeoutSeconds;
  run.stopped = shared.settings.stopped;
  const ProcessEnd end = runProcess(run);
  if (end.stopped) return true;
  if (!end.started) {
    warning = "test " + test.name + " could not be run (" + run.command[0] + ": " + end.failure +
              "); it has no coverage";
    return true;
  }
  const std::string ended = howItEnded(test, end);
  const std::vector<std::string> data = pairWithNotes(prefix);
  if (data.empty()) {
    warning = "test " + test.name + (ended.empty() ? "" : " " + ended + " and") +
              " wrote no coverage data";
    return true;
  }
  if (!ended.empty()) warning = "test " + test.name + " " + ended + "; its coverage is kept";
  // The data files gcov has read the same bytes of for another test are
  // counted from what it read then; it is handed the others only.
  LineCounts counts;
  const std::vector<DataFile> unread = countKeptReads(*shared.reads, prefix, data, counts);
  for (std::size_t first = 0; first < unread.size(); first += GCDA_A_CALL) {
    const std::size_t last = std::min(unread.size(), first + GCDA_A_CALL);
    bool stopped = false;
    if (!readWithGcov(shared, test, prefix, unread, first, last, counts, stopped, reason)) {
      return false;
    }
    if (stopped) return true;
  }
  coverage.lines = std::move(counts);
  return true;
}

// The build's .gcno files, at least one: the build was made with --coverage.
bool hasNotes(const fs::path& build) {
  std::error_code status;
  for (fs::recursive_directory_iterator
           entry(build, fs::directory_options::skip_permission_denied, status),
       last;
       !status && entry != last; entry.increment(status)) {
    if (entry->path().extension() == ".gcno") return true;
  }
  return false;
}

// A folder of its own under the system's temporary folder.
bool makeTemporary(fs::path& folder, std::string& reason) {
  std::error_code status;
  const fs::path base = fs::temp_directory_path(status);
  for (int attempt = 0; !status && attempt < 100; ++attempt) {
    folder =
        base / ("antorder-coverage-" + std::to_string(processId()) + "-" + std::to_string(attempt));
    if (fs::create_directory(folder, status)) return true;
  }
  reason = "could not make a temporary folder: " + status.message();
  return false;
}

// The tests of the build, as ctest lists them.
bool listTests(const std::string& ctest, const Shared& shared, std::vector<CtestTest>& tests,
               std::string& reason) {
  const CollectSettings& settings = shared.settings;
  ProcessRun listing;
  listing.command = {ctest, "--test-dir", shared.buildFolder, "--show-only=json-v1"};
  listing.folder = shared.buildFolder;
  listing.environment = shared.environment;
  std::string output;
  listing.output = &output;
  const ProcessEnd end = runProcess(listing);
  if (!end.started || end.exitStatus != 0 || end.signal != 0) {
    reason = "ctest could not list the tests of " + settings.buildFolder + " (" +
             (end.started ? "exit status " + std::to_string(end.exitStatus) : end.failure) + ")";
    return false;
  }
  if (!readCtestListing(output, tests, reason)) return false;
  if (tests.empty()) reason = "ctest lists no tests in " + settings.buildFolder;
  return !tests.empty();
}

// The build and source folders, and the paths given to --include and
// --exclude, as the filter of the sources compares gcov's absolute names.
void chooseSources(Shared& shared, const fs::path& build, const std::string& cache) {
  const CollectSettings& settings = shared.settings;
  std::error_code status;
  // "build/" and "build" alike: no separator at the end.
  const fs::path buildFolder = (fs::absolute(build, status) / "").lexically_normal().parent_path();
  shared.buildFolder = buildFolder.string();
  shared.filter.buildFolder = buildFolder.u8string();
  const std::string source = cmakeCacheValue(cache, "CMAKE_HOME_DIRECTORY");
  shared.filter.sourceFolder =
      source.empty() ? shared.filter.buildFolder
                     : (fs::u8path(source) / "").lexically_normal().parent_path().u8string();
  // A source folder that is the build folder keeps everything under it.
  if (shared.filter.sourceFolder == shared.filter.buildFolder) shared.filter.buildFolder.clear();
  // Paths given are made absolute, as gcov names the sources; globs as well.
  const auto absolute = [&](const std::vector<std::string>& patterns) {
    std::vector<std::string> made;
    for (const std::string& pattern : patterns) {
      const bool anchored = !pattern.empty() && (pattern[0] == '/' || pattern[0] == '*');
      made.push_back(
          anchored
              ? pattern
              : (fs::current_path(status) / fs::u8path(pattern)).lexically_normal().u8string());
    }
    return made;
  };
  shared.filter.include = absolute(settings.include);
  shared.filter.exclude = absolute(settings.exclude);
}

// Everything the tests share; false, with the reason, on a folder that is
// not a build with coverage, or a tool missing.
bool prepare(Shared& shared, std::string& ctest, std::string& reason) {
  const CollectSettings& settings = shared.settings;
  std::error_code status;
  const fs::path build = fs::u8path(settings.buildFolder);
  const fs::path cacheFile = build / "CMakeCache.txt";
  if (!fs::is_directory(build, status)) {
    reason = settings.buildFolder + " is not a folder";
    return false;
  }
  if (!fs::is_regular_file(cacheFile, status)) {
    reason = settings.buildFolder + " is not a CMake build folder: it has no CMakeCache.txt";
    return false;
  }
  const std::string cache = readWhole(cacheFile);
  ctest = findProgram(cmakeCacheValue(cache, "CMAKE_CTEST_COMMAND"));
  if (ctest.empty()) ctest = findProgram("ctest");
  if (ctest.empty()) {
    reason = "ctest was not found (neither the build's CMAKE_CTEST_COMMAND nor on PATH)";
    return false;
  }
  shared.gcov = findProgram(settings.gcov);
  if (shared.gcov.empty()) {
    reason = settings.gcov + " was not found (--gcov names the gcov of the build's compiler)";
    return false;
  }
  if (!hasNotes(build)) {
    reason = "no .gcno files under " + settings.buildFolder +
             ": build it with --coverage (CMAKE_CXX_FLAGS=--coverage, say)";
    return false;
  }
  chooseSources(shared, build, cache);
  shared.environment = ownEnvironment();
  // A GCOV_PREFIX of the collector's own would be set twice.
  for (auto entry = shared.environment.begin(); entry != shared.environment.end();) {
    const bool gcovSetting =
        entry->rfind("GCOV_PREFIX=", 0) == 0 || entry->rfind("GCOV_PREFIX_STRIP=", 0) == 0;
    entry = gcovSetting ? shared.environment.erase(entry) : entry + 1;
  }
  return true;
}

}  // namespace

bool collectCoverage(const CollectSettings& settings, Collected& collected, std::string& reason) {
  if (!processesSupported()) {
    reason = "collecting coverage is not supported on this platform";
    return false;
  }
  ReadCache reads;
  Shared shared{settings, {}, {}, {}, {}, {}, &reads};
  std::string ctest;
  if (!prepare(shared, ctest, reason)) return false;
  std::vector<CtestTest> tests;
  if (!listTests(ctest, shared, tests, reason)) return false;
  if (!makeTemporary(shared.temporary, reason)) return false;

  const std::size_t count = tests.size();
  std::vector<TestCoverage> coverage(count);
  std::vector<std::string> warnings(count);
  std::vector<char> ran(count, 0);
  std::mutex failing;
  std::string failure;
  std::atomic<int> done{0};
  forEachIndex(count, settings.jobs, [&](std::size_t index, bool calling) {
    const CtestTest& test = tests[index];
    std::string why;
    bool ok = true;
    if (test.disabled) {
      // ctest does not run it either.
    } else if (test.command.empty()) {
      warnings[index] = "test " + test.name + " has no command (not built?); it has no coverage";
    } else if (unfitForLcov(test.name)) {
      warnings[index] = "test " + test.name + " is left out: an lcov TN: line cannot hold its name";
    } else {
      ok = collectTest(shared, test, index, coverage[index], warnings[index], why);
      ran[index] = 1;
    }
    std::error_code ignored;
    fs::remove_all(shared.temporary / std::to_string(index), ignored);
    if (!ok) {
      const std::lock_guard<std::mutex> hold(failing);
      if (failure.empty()) failure = why;
    }
    const int finished = ++done;
    if (calling && settings.progress) settings.progress(finished, static_cast<int>(count));
    return ok && !(settings.stopped && settings.stopped());
  });
  std::error_code ignored;
  fs::remove_all(shared.temporary, ignored);
  if (!failure.empty()) {
    reason = failure;
    return false;
  }
  collected.testsListed = static_cast<int>(count);
  for (std::size_t at = 0; at < count; ++at) {
    collected.testsRun += ran[at];
    if (!warnings[at].empty()) collected.warnings.push_back(warnings[at]);
    if (!coverage[at].lines.empty()) collected.tests.push_back(std::move(coverage[at]));
  }
  return true;
}

void printLcov(std::FILE* out, const std::vector<TestCoverage>& tests) {
  for (const TestCoverage& test : tests) {
    for (const auto& [path, lines] : test.lines) {
      std::fprintf(out, "TN:%s\nSF:%s\n", test.name.c_str(), path.c_str());
      for (const auto& [line, count] : lines) {
        std::fprintf(out, "DA:%ld,%llu\n", line, static_cast<unsigned long long>(count));
      }
      std::fprintf(out, "LF:%zu\nLH:%zu\nend_of_record\n", lines.size(), lines.size());
    }
  }
}

}  // namespace antorder
