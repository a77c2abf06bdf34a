#include "reading/junit_history.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "platform/parallel.h"
#include "reading/field_values.h"
#include "reading/line_reader.h"
#include "reading/xml_document.h"

namespace antorder {

namespace {

namespace fs = std::filesystem;

// Whether the whole part's commas, if any, each stand before three digits,
// after one to three: "1,234" and "12,345,678", not "1,2" or ",123".
bool thousandsCommasOnly(const std::string& text) {
  const std::size_t whole = std::min(text.find('.'), text.size());
  if (text.find(',') == std::string::npos) return true;
  if (text.find(',', whole) != std::string::npos) return false;
  std::size_t digits = 0;
  for (std::size_t at = whole; at-- > 0;) {
    if (text[at] == ',') {
      if (digits != 3) return false;
      digits = 0;
    } else {
      ++digits;
    }
  }
  return digits >= 1 && digits <= 3;
}

// Seconds as producers write them: "0.25", "1." (GoogleTest), "1,234.5"
// (Surefire's thousands commas); never negative.
bool parseSeconds(std::string text, double& seconds) {
  if (!thousandsCommasOnly(text)) return false;
  text.erase(std::remove(text.begin(), text.end(), ','), text.end());
  const char* end = text.data() + text.size();
  double value = 0.0;
  const auto [stop, status] = std::from_chars(text.data(), end, value);
  if (text.empty() || status != std::errc() || stop != end || !std::isfinite(value) ||
      value < 0.0) {
    return false;
  }
  seconds = value;
  return true;
}

bool saysNotRun(const char* word) {
  const auto notRun = {"notrun", "disabled", "skipped", "suppressed"};
  return std::any_of(notRun.begin(), notRun.end(),
                     [&](const char* said) { return std::strcmp(word, said) == 0; });
}

bool hasFailureChild(const pugi::xml_node& testcase) {
  const auto failures = {"failure",    "error",        "flakyFailure",
                         "flakyError", "rerunFailure", "rerunError"};
  return std::any_of(failures.begin(), failures.end(),
                     [&](const char* name) { return !testcase.child(name).empty(); });
}

// Adds one <testcase> to the run, merging it with an earlier result of the same key.
bool addTestcase(const pugi::xml_node& testcase, const XmlReport& report, History& history,
                 TestRun& run, std::unordered_map<int, std::size_t>& resultOfKey,
                 ReadError& error) {
  const long line = lineAt(report, testcase.offset_debug());
  const std::string name = testcase.attribute("name").as_string();
  const std::string classname = testcase.attribute("classname").as_string();
  if (name.empty()) {
    error = {line, "a testcase needs a name"};
    return false;
  }
  double seconds = 0.0;
  const pugi::xml_attribute time = testcase.attribute("time");
  if (!time.empty() && !parseSeconds(time.as_string(), seconds)) {
    error = {line, "time must be a number of seconds, found " + quotedText(time.as_string())};
    return false;
  }
  // A time is a cost, and a cost stays within the colony's bound: 1e18 as
  // written, which is a little above MAX_COST, the nearest float to it.
  constexpr double MOST_SECONDS = 1e18;
  if (seconds > MOST_SECONDS) {
    error = {line, "time must be at most 1e18 seconds, found " + quotedText(time.as_string())};
    return false;
  }
  const bool ran = testcase.child("skipped").empty() &&
                   !saysNotRun(testcase.attribute("status").as_string()) &&
                   !saysNotRun(testcase.attribute("result").as_string());
  const bool failed = hasFailureChild(testcase) ||
                      std::strcmp(testcase.attribute("status").as_string(), "fail") == 0;

  const std::string key = classname.empty() || classname == name ? name : classname + "." + name;
  // Orders are written a test a line.
  if (const std::string refusal = nameRefusal(key); !refusal.empty()) {
    error = {line, refusal};
    return false;
  }
  const auto [known, added] = history.keyIndex.emplace(key, static_cast<int>(history.keys.size()));
  if (added) history.keys.push_back(key);
  const auto [earlier, first] = resultOfKey.emplace(known->second, run.results.size());
  if (first) {
    run.results.push_back({known->second, seconds, ran, failed});
    return true;
  }
  TestResult& result = run.results[earlier->second];
  result.seconds += seconds;
  result.ran = result.ran || ran;
  result.failed = result.failed || failed;
  return true;
}

// Every <testcase> under the node, in document order; suites may nest, to
// any depth: the tree is walked without recursion.
bool addTestcases(const pugi::xml_node& top, const XmlReport& report, History& history,
                  TestRun& run, std::unordered_map<int, std::size_t>& resultOfKey,
                  ReadError& error) {
  pugi::xml_node node = top.first_child();
  while (!node.empty() && node != top) {
    const bool element = node.type() == pugi::node_element;
    const bool testcase = element && std::strcmp(node.name(), "testcase") == 0;
    if (testcase && !addTestcase(node, report, history, run, resultOfKey, error)) return false;
    if (element && !testcase && !node.first_child().empty()) {
      node = node.first_child();
      continue;
    }
    // The next node in document order after this one and what it holds.
    while (node != top && node.next_sibling().empty()) node = node.parent();
    if (node != top) node = node.next_sibling();
  }
  return true;
}

// Reads a report into the run given, which may hold results of other reports.
bool readReportInto(std::istream& in, History& history, TestRun& run,
                    std::unordered_map<int, std::size_t>& resultOfKey, ReadError& error) {
  XmlReport report;
  if (!loadXmlReport(in, {"testsuites", "testsuite"}, "a JUnit report", report, error)) {
    return false;
  }
  return addTestcases(report.document.document_element(), report, history, run, resultOfKey, error);
}

bool readReportFile(const fs::path& file, History& history, TestRun& run,
                    std::unordered_map<int, std::size_t>& resultOfKey, ReadError& error) {
  std::ifstream in;
  if (openInput(file.u8string(), in, error) &&
      readReportInto(in, history, run, resultOfKey, error)) {
    return true;
  }
  error.file = file.u8string();
  return false;
}

bool isReport(const fs::directory_entry& entry) {
  std::error_code status;
  return entry.is_regular_file(status) && entry.path().extension() == ".xml";
}

// The number a run of digits from `at` writes, without its leading zeros
// (one zero for zero); `at` moves past the digits.
std::string numberAt(const std::string& text, std::size_t& at) {
  std::size_t start = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  while (start + 1 < at && text[start] == '0') ++start;
  return text.substr(start, at - start);
}

// Whether name a comes before b as a person reads them: a run of digits by
// its number, so that run-9 comes before run-10; equal numbers by fewer
// leading zeros, and otherwise byte by byte.
bool namesInOrder(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      const std::string numberA = numberAt(a, i);
      const std::string numberB = numberAt(b, j);
      if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
      if (numberA != numberB) return numberA < numberB;
      continue;
    }
    if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return j < b.size();
  return a < b;
}

// The entries of a folder in name order (see namesInOrder); false, with the reason, when it or
// a folder under it cannot be read.
bool sortedEntries(const fs::path& folder, bool recursive,
                   std::vector<fs::directory_entry>& entries, ReadError& error) {
  std::error_code status;
  if (recursive) {
    for (fs::recursive_directory_iterator at(folder, status), end; !status && at != end;
         at.increment(status)) {
      entries.push_back(*at);
    }
  } else {
    for (fs::directory_iterator at(folder, status), end; !status && at != end;
         at.increment(status)) {
      entries.push_back(*at);
    }
  }
  if (status) {
    error = {0, "cannot be read: " + status.message()};
    return false;
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return namesInOrder(a.path().u8string(), b.path().u8string());
  });
  return true;
}

// One run of a folder: a report, a folder of them, or the reports its
// shards wrote (run-0042-shard-1.xml, run-0042-shard-2.xml, ...).
struct RunEntry {
  std::string name;
  fs::directory_entry entry;         // the report or folder; of shards, the first
  std::vector<fs::path> shardFiles;  // of shards, every report
};

// The run name of a shard's report, "run-0042" of run-0042-shard-3.xml; empty
// for any other.
std::string shardRunName(const fs::directory_entry& entry) {
  const std::string stem = entry.path().stem().u8string();
  const std::size_t mark = stem.rfind("-shard-");
  if (mark == std::string::npos || mark == 0 || !isReport(entry)) return {};
  const std::string number = stem.substr(mark + 7);
  if (number.empty() || !std::all_of(number.begin(), number.end(), isDigit)) return {};
  return stem.substr(0, mark);
}

// The shards' reports of one run, each read alone, then joined: a test met
// in two of them is one result (failed if either failed, times added),
// named in part.doubled with both files.
bool readShards(const RunEntry& run, History& part, ReadError& error) {
  std::unordered_map<int, std::size_t> resultOfKey;
  std::unordered_map<int, std::size_t> fileOfKey;
  TestRun& joined = part.runs.back();
  for (std::size_t file = 0; file < run.shardFiles.size(); ++file) {
    TestRun shard;
    std::unordered_map<int, std::size_t> shardResultOfKey;
    if (!readReportFile(run.shardFiles[file], part, shard, shardResultOfKey, error)) return false;
    for (const TestResult& result : shard.results) {
      const auto [known, added] = resultOfKey.emplace(result.key, joined.results.size());
      if (added) {
        joined.results.push_back(result);
        fileOfKey.emplace(result.key, file);
        continue;
      }
      TestResult& earlier = joined.results[known->second];
      earlier.ran = earlier.ran || result.ran;
      earlier.failed = earlier.failed || result.failed;
      earlier.seconds += result.seconds;
      part.doubled.push_back(part.keys[static_cast<std::size_t>(result.key)] + " in both " +
                             run.shardFiles[fileOfKey[result.key]].filename().u8string() + " and " +
                             run.shardFiles[file].filename().u8string());
    }
  }
  return true;
}

// Reads one run, a report, a folder of them or a run's shards, into a history
// of its own. A run in which no test ran (every test skipped or not run, an
// empty report, a folder with no report) tells nothing: it is refused, to be
// left out as an unreadable one is.
bool readRun(const RunEntry& run, History& part, ReadError& error) {
  std::error_code status;
  const fs::directory_entry& entry = run.entry;
  const bool folder = entry.is_directory(status);
  part.runs.push_back({run.name, {}, {}});
  std::vector<fs::directory_entry> reports{entry};
  if (folder) {
    reports.clear();
    if (!sortedEntries(entry.path(), true, reports, error)) {
      error.file = entry.path().u8string();
      return false;
    }
  }
  int read = 0;
  if (!run.shardFiles.empty()) {
    if (!readShards(run, part, error)) return false;
    read = static_cast<int>(run.shardFiles.size());
  } else {
    std::unordered_map<int, std::size_t> resultOfKey;
    for (const fs::directory_entry& report : reports) {
      if (!isReport(report)) continue;
      if (!readReportFile(report.path(), part, part.runs.back(), resultOfKey, error)) return false;
      ++read;
    }
  }
  const std::vector<TestResult>& results = part.runs.back().results;
  if (std::any_of(results.begin(), results.end(), [](const TestResult& r) { return r.ran; })) {
    const fs::path diff = folder ? entry.path() / "changes.diff"
                                 : entry.path().parent_path() / fs::u8path(run.name + ".diff");
    if (fs::is_regular_file(diff, status)) part.runs.back().changeFile = diff.u8string();
    return true;
  }
  error = {0, !folder     ? "no test ran in the report"
              : read == 0 ? "the folder holds no .xml report"
                          : "no test ran in the folder's reports"};
  error.file = entry.path().u8string();
  return false;
}

// Appends the one run of `part` to the history, its keys renumbered.
void joinRun(History& history, History& part) {
  std::vector<int> keyOf(part.keys.size());
  for (std::size_t key = 0; key < part.keys.size(); ++key) {
    const auto [known, added] =
        history.keyIndex.emplace(part.keys[key], static_cast<int>(history.keys.size()));
    if (added) history.keys.push_back(part.keys[key]);
    keyOf[key] = known->second;
  }
  TestRun& run = part.runs.back();
  for (TestResult& result : run.results) result.key = keyOf[static_cast<std::size_t>(result.key)];
  history.runs.push_back(std::move(run));
  for (const std::string& doubled : part.doubled) {
    history.doubled.push_back(history.runs.back().name + ": " + doubled);
  }
}

// The runs of a folder's entries, in name order: a report, a folder, or a
// run's shards' reports together; links and what is neither a file nor a
// folder are left out, in history.leftOut.
std::vector<RunEntry> runEntriesOf(const std::vector<fs::directory_entry>& entries,
                                   History& history) {
  std::error_code status;
  std::vector<RunEntry> runEntries;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().u8string();
    const std::string shardOf = entry.is_symlink(status) ? std::string() : shardRunName(entry);
    // A link could lead out of the history, or back into it as one more run
    // of all its runs: it is not followed.
    if (entry.is_symlink(status) && (entry.is_directory(status) || isReport(entry))) {
      history.leftOut.push_back({name, 0, "a link, not followed"});
    } else if (!shardOf.empty()) {
      // The shards of one run sort together.
      if (runEntries.empty() || runEntries.back().shardFiles.empty() ||
          runEntries.back().name != shardOf) {
        runEntries.push_back({shardOf, entry, {}});
      }
      runEntries.back().shardFiles.push_back(entry.path());
    } else if (entry.is_directory(status) || isReport(entry)) {
      const bool folder = entry.is_directory(status);
      runEntries.push_back(
          {(folder ? entry.path().filename() : entry.path().stem()).u8string(), entry, {}});
    } else if (!entry.is_regular_file(status) && !entry.is_symlink(status)) {
      history.leftOut.push_back({name, 0, "neither a file nor a folder (a pipe or a device)"});
    }
  }
  return runEntries;
}

}  // namespace

bool readJunitReport(std::istream& in, const std::string& file, const std::string& runName,
                     History& history, ReadError& error) {
  history.runs.push_back({runName, {}, {}});
  std::unordered_map<int, std::size_t> resultOfKey;
  if (readReportInto(in, history, history.runs.back(), resultOfKey, error)) return true;
  error.file = file;
  return false;
}

bool readJunitPath(const std::string& path, History& history, ReadError& error, int jobs) {
  const fs::path top = fs::u8path(path);
  std::error_code status;
  if (!fs::is_directory(top, status)) {
    history.runs.push_back({top.stem().u8string(), {}, {}});
    std::unordered_map<int, std::size_t> resultOfKey;
    return readReportFile(top, history, history.runs.back(), resultOfKey, error);
  }
  std::vector<fs::directory_entry> entries;
  if (!sortedEntries(top, false, entries, error)) return false;
  const std::vector<RunEntry> runEntries = runEntriesOf(entries, history);
  if (runEntries.empty()) {
    error = {0, "holds no .xml report, nor a folder of them"};
    return false;
  }
  // Runs are read a batch at a time, each into a history of its own, then
  // joined in order: the keys come out numbered as one reader would number
  // them, and the runs left out are listed in run order.
  constexpr std::size_t BATCH = 64;
  for (std::size_t first = 0; first < runEntries.size(); first += BATCH) {
    const std::size_t count = std::min(BATCH, runEntries.size() - first);
    std::vector<History> parts(count);
    std::vector<ReadError> errors(count);
    std::vector<char> read(count, 0);
    forEachIndex(count, jobs, [&](std::size_t at, bool) {
      read[at] = readRun(runEntries[first + at], parts[at], errors[at]) ? 1 : 0;
      return true;
    });
    for (std::size_t at = 0; at < count; ++at) {
      if (read[at] == 0) {
        const ReadError& why = errors[at];
        history.leftOut.push_back({why.file, why.line, why.reason});
        continue;
      }
      joinRun(history, parts[at]);
    }
  }
  std::stable_sort(
      history.leftOut.begin(), history.leftOut.end(),
      [](const LeftOutRun& a, const LeftOutRun& b) { return namesInOrder(a.file, b.file); });
  if (history.runs.empty()) {
    const LeftOutRun& first = history.leftOut.front();
    error = {first.line, first.reason};
    error.file = first.file;
    return false;
  }
  return true;
}

}  // namespace antorder
