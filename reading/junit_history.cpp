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
#include "reading/line_reader.h"
#include "reading/xml_document.h"
#include "suite/field_values.h"
#include "suite/test_names.h"

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

// The name of the testcase property in which the pytest plugin records a
// test's place in pytest's collection order.
constexpr const char* POSITION_PROPERTY = "antorder_position";

// The test's collection position from its properties, -1 where it has none;
// false, with the reason, where the value is not a whole number from 0.
bool readPosition(const pugi::xml_node& testcase, const XmlReport& report, int& position,
                  ReadError& error) {
  position = -1;
  for (const pugi::xml_node& property : testcase.child("properties").children("property")) {
    if (std::strcmp(property.attribute("name").as_string(), POSITION_PROPERTY) != 0) continue;
    const std::string text = property.attribute("value").as_string();
    const char* end = text.data() + text.size();
    int value = 0;
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    if (text.empty() || status != std::errc() || stop != end || value < 0) {
      error = {lineAt(report, property.offset_debug()),
               std::string(POSITION_PROPERTY) + " must be a whole number from 0, found " +
                   quotedText(text)};
      return false;
    }
    position = value;
    return true;
  }
  return true;
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

  const std::string key = junitKey(classname, name);
  // Orders are written a test a line.
  if (const std::string refusal = nameRefusal(key); !refusal.empty()) {
    error = {line, refusal};
    return false;
  }
  int position = -1;
  if (!readPosition(testcase, report, position, error)) return false;
  const auto [known, added] = history.keyIndex.emplace(key, static_cast<int>(history.keys.size()));
  if (added) history.keys.push_back(key);
  if (const std::string file = testcase.attribute("file").as_string(); !file.empty()) {
    history.fileOfKey[known->second] = file;
  }
  const auto [earlier, first] = resultOfKey.emplace(known->second, run.results.size());
  if (first) {
    run.results.push_back({known->second, seconds, ran, failed, position});
    return true;
  }
  TestResult& result = run.results[earlier->second];
  if (result.position < 0) result.position = position;
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
// shards wrote (run-0042-shard-1.xml, run-0042-shard-2.xml, ... or a folder
// each), with a whole-run report of the same name if there is one.
struct RunEntry {
  std::string name;
  std::vector<fs::directory_entry> parts;  // reports and folders, in name order
  std::vector<int> shards;                 // by part: its shard number, 0 for the whole run's
  std::string changeFile;
  std::string coverageFile;
};

// The run name and shard number of a shard's report or folder, "run-0042"
// and 3 of run-0042-shard-3.xml; an empty name for any other.
std::string shardRunName(const fs::directory_entry& entry, bool folder, int& shard) {
  const std::string stem = (folder ? entry.path().filename() : entry.path().stem()).u8string();
  const std::size_t mark = stem.rfind("-shard-");
  if (mark == std::string::npos || mark == 0) return {};
  const std::string number = stem.substr(mark + 7);
  if (number.empty() || number.size() > 6 || !std::all_of(number.begin(), number.end(), isDigit)) {
    return {};
  }
  shard = std::stoi(number);
  return stem.substr(0, mark);
}

// The reports of one part of a run: the file itself, or every .xml under
// the folder. False, with the reason, where the folder cannot be read.
bool reportsOf(const fs::directory_entry& part, std::vector<fs::directory_entry>& reports,
               int& read, ReadError& error) {
  std::error_code status;
  if (!part.is_directory(status)) {
    reports = {part};
    ++read;
    return true;
  }
  if (!sortedEntries(part.path(), true, reports, error)) {
    error.file = part.path().u8string();
    return false;
  }
  reports.erase(std::remove_if(reports.begin(), reports.end(),
                               [](const fs::directory_entry& report) { return !isReport(report); }),
                reports.end());
  read += static_cast<int>(reports.size());
  return true;
}

// Reads one run, a report, a folder of them or the parts its shards wrote,
// into a history of its own. Parts are read each alone, then joined: a test
// met in two of them is one result (failed if either failed, times added),
// named in part.doubled with both. A run in which no test ran (every test
// skipped or not run, an empty report, a folder with no report) tells
// nothing: it is refused, to be left out as an unreadable one is.
// Joins one part's results into the run's: a test in two parts ran if
// either ran, failed if either failed, took both times and keeps the first
// position; it is said in `doubled`.
void joinPart(const RunEntry& run, std::size_t at, const TestRun& alone, History& part,
              TestRun& joined, std::unordered_map<int, std::size_t>& resultOfKey,
              std::unordered_map<int, std::size_t>& partOfKey) {
  for (const TestResult& result : alone.results) {
    const auto [known, added] = resultOfKey.emplace(result.key, joined.results.size());
    if (added) {
      joined.results.push_back(result);
      partOfKey.emplace(result.key, at);
      continue;
    }
    TestResult& earlier = joined.results[known->second];
    earlier.ran = earlier.ran || result.ran;
    earlier.failed = earlier.failed || result.failed;
    earlier.seconds += result.seconds;
    if (earlier.position < 0) earlier.position = result.position;
    part.doubled.push_back(part.keys[static_cast<std::size_t>(result.key)] + " in both " +
                           run.parts[partOfKey[result.key]].path().filename().u8string() + " and " +
                           run.parts[at].path().filename().u8string());
  }
}

bool readRun(const RunEntry& run, History& part, ReadError& error) {
  part.runs.push_back({run.name, {}, {}});
  TestRun& joined = part.runs.back();
  std::unordered_map<int, std::size_t> resultOfKey;
  std::unordered_map<int, std::size_t> partOfKey;
  int read = 0;
  for (std::size_t at = 0; at < run.parts.size(); ++at) {
    std::vector<fs::directory_entry> reports;
    if (!reportsOf(run.parts[at], reports, read, error)) return false;
    TestRun alone;
    std::unordered_map<int, std::size_t> aloneResultOfKey;
    for (const fs::directory_entry& report : reports) {
      if (!readReportFile(report.path(), part, alone, aloneResultOfKey, error)) return false;
    }
    joinPart(run, at, alone, part, joined, resultOfKey, partOfKey);
  }
  const std::vector<TestResult>& results = joined.results;
  if (std::any_of(results.begin(), results.end(), [](const TestResult& r) { return r.ran; })) {
    joined.changeFile = run.changeFile;
    return true;
  }
  std::error_code status;
  const fs::directory_entry& entry = run.parts.front();
  const bool folder = run.parts.size() == 1 && entry.is_directory(status);
  error = {0, run.parts.size() > 1 ? "no test ran in the run's reports"
              : !folder            ? "no test ran in the report"
              : read == 0          ? "the folder holds no .xml report"
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
  for (const auto& [key, file] : part.fileOfKey) {
    history.fileOfKey[keyOf[static_cast<std::size_t>(key)]] = file;
  }
  TestRun& run = part.runs.back();
  for (TestResult& result : run.results) result.key = keyOf[static_cast<std::size_t>(result.key)];
  history.runs.push_back(std::move(run));
  for (const std::string& doubled : part.doubled) {
    history.doubled.push_back(history.runs.back().name + ": " + doubled);
  }
}

// Of a snapshot's name, coverage-0042.json or coverage-0042.info, what
// follows "coverage-": the run it was taken at is the one whose name has
// the same after its first dash (run-0042). Empty for any other name.
std::string snapshotMark(const fs::path& file) {
  const std::string name = file.filename().u8string();
  const std::string extension = file.extension().u8string();
  if (name.rfind("coverage-", 0) != 0 || (extension != ".json" && extension != ".info")) return {};
  return name.substr(9, name.size() - 9 - extension.size());
}

std::string runMark(const std::string& name) {
  const std::size_t dash = name.find('-');
  return dash == std::string::npos ? std::string() : name.substr(dash + 1);
}

bool isDiffName(const fs::path& file) {
  return file.extension() == ".diff";
}

// The files a folder of a run holds for it: its diff, changes.diff, and its
// coverage snapshot, coverage.json or else coverage.info. Those of a shard's
// folder are not read: a run has one diff, beside its reports.
void filesInRunFolder(const fs::directory_entry& part, bool shard, RunEntry& run,
                      History& history) {
  std::error_code status;
  if (!part.is_directory(status) || part.is_symlink(status)) return;
  for (const char* name : {"changes.diff", "coverage.json", "coverage.info"}) {
    const fs::path file = part.path() / name;
    const fs::file_status kind = fs::symlink_status(file, status);
    if (!fs::exists(kind)) continue;
    const bool diff = isDiffName(file);
    std::string& kept = diff ? run.changeFile : run.coverageFile;
    if (fs::is_symlink(kind)) {
      history.filesUnread.push_back({file.u8string(), 0, "a link, not followed"});
    } else if (shard) {
      history.filesUnread.push_back(
          {file.u8string(), 0,
           diff ? "a shard's own diff, not read: a sharded run's diff is RUN.diff beside its "
                  "reports"
                : "a shard's own coverage, not read: a sharded run's snapshot is beside its "
                  "reports"});
    } else if (!kept.empty()) {
      history.filesUnread.push_back({file.u8string(), 0, "not read: the run has another snapshot"});
    } else if (fs::is_regular_file(kind)) {
      kept = file.u8string();
    }
  }
}

// What a folder's entries hold: runs, and the diffs and snapshots beside
// their reports, by name.
struct FolderEntries {
  std::vector<RunEntry> runs;
  std::unordered_map<std::string, std::size_t> runOfName;
  std::vector<fs::directory_entry> diffs;
  std::vector<fs::directory_entry> snapshots;
};

// Adds a report or folder to the run of its name.
void addPart(FolderEntries& found, const std::string& name, const fs::directory_entry& entry,
             int shard) {
  const auto [known, added] = found.runOfName.emplace(name, found.runs.size());
  if (added) found.runs.push_back({name, {}, {}, {}, {}});
  RunEntry& run = found.runs[known->second];
  run.parts.push_back(entry);
  run.shards.push_back(shard);
}

// Gives each run the diff and snapshot beside its reports; one that no
// run takes is named in history.filesUnread.
void keepFilesBeside(FolderEntries& found, History& history) {
  std::unordered_map<std::string, std::vector<std::size_t>> runsOfMark;
  for (std::size_t at = 0; at < found.runs.size(); ++at) {
    runsOfMark[runMark(found.runs[at].name)].push_back(at);
  }
  for (const fs::directory_entry& diff : found.diffs) {
    const auto run = found.runOfName.find(diff.path().stem().u8string());
    if (run == found.runOfName.end()) {
      history.filesUnread.push_back(
          {diff.path().u8string(), 0,
           "no report of its run beside it (a job cancelled?); its change is not carried"});
      continue;
    }
    RunEntry& entry = found.runs[run->second];
    if (!entry.changeFile.empty()) {
      history.filesUnread.push_back(
          {diff.path().u8string(), 0, "not read: the run's folder holds its diff, changes.diff"});
      continue;
    }
    entry.changeFile = diff.path().u8string();
  }
  for (const fs::directory_entry& snapshot : found.snapshots) {
    const std::string mark = snapshotMark(snapshot.path());
    const auto runs = runsOfMark.find(mark);
    if (mark.empty() || runs == runsOfMark.end()) {
      history.filesUnread.push_back(
          {snapshot.path().u8string(), 0, "a coverage snapshot that no run's name matches"});
      continue;
    }
    for (const std::size_t at : runs->second) {
      RunEntry& entry = found.runs[at];
      if (entry.coverageFile.empty()) {
        entry.coverageFile = snapshot.path().u8string();
      } else {
        history.filesUnread.push_back(
            {snapshot.path().u8string(), 0, "not read: the run has another snapshot"});
      }
    }
  }
}

// Sorts one entry of a folder of runs into what it holds.
void addEntry(const fs::directory_entry& entry, FolderEntries& found, History& history) {
  std::error_code status;
  const std::string name = entry.path().u8string();
  const bool link = entry.is_symlink(status);
  const bool folder = entry.is_directory(status);
  const bool kept = isDiffName(entry.path()) || !snapshotMark(entry.path()).empty();
  // A link could lead out of the history, or back into it as one more run
  // of all its runs: it is not followed, nor is a diff or snapshot's.
  if (link && (folder || isReport(entry))) {
    history.leftOut.push_back({name, 0, "a link, not followed"});
  } else if (link && kept) {
    history.filesUnread.push_back({name, 0, "a link, not followed"});
  } else if (folder || isReport(entry)) {
    int shard = 0;
    const std::string shardOf = shardRunName(entry, folder, shard);
    addPart(found,
            shardOf.empty() ? (folder ? entry.path().filename() : entry.path().stem()).u8string()
                            : shardOf,
            entry, shard);
  } else if (entry.is_regular_file(status) && kept) {
    (isDiffName(entry.path()) ? found.diffs : found.snapshots).push_back(entry);
  } else if (!entry.is_regular_file(status) && !link) {
    history.leftOut.push_back({name, 0, "neither a file nor a folder (a pipe or a device)"});
  }
}

// The runs of a folder's entries, in name order: reports and folders, a
// run's shards' and its whole report together; links and what is neither a
// file nor a folder are left out, in history.leftOut.
std::vector<RunEntry> runEntriesOf(const std::vector<fs::directory_entry>& entries,
                                   History& history) {
  FolderEntries found;
  for (const fs::directory_entry& entry : entries) addEntry(entry, found, history);
  for (RunEntry& run : found.runs) {
    for (std::size_t at = 0; at < run.parts.size(); ++at) {
      const bool own =
          run.shards[at] == 0 && run.parts[at].path().filename().u8string() == run.name;
      filesInRunFolder(run.parts[at], !own, run, history);
    }
  }
  keepFilesBeside(found, history);
  std::stable_sort(found.runs.begin(), found.runs.end(), [](const RunEntry& a, const RunEntry& b) {
    return namesInOrder(a.name, b.name);
  });
  return std::move(found.runs);
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
      const RunEntry& run = runEntries[first + at];
      std::vector<int> shards;
      for (const int shard : run.shards) {
        if (shard > 0) shards.push_back(shard);
      }
      std::sort(shards.begin(), shards.end());
      shards.erase(std::unique(shards.begin(), shards.end()), shards.end());
      history.timeline.push_back({run.name, -1, run.changeFile, run.coverageFile, shards});
      if (read[at] == 0) {
        const ReadError& why = errors[at];
        history.leftOut.push_back({why.file, why.line, why.reason});
        continue;
      }
      joinRun(history, parts[at]);
      history.timeline.back().run = static_cast<int>(history.runs.size()) - 1;
    }
  }
  const auto byName = [](const LeftOutRun& a, const LeftOutRun& b) {
    return namesInOrder(a.file, b.file);
  };
  std::stable_sort(history.leftOut.begin(), history.leftOut.end(), byName);
  std::stable_sort(history.filesUnread.begin(), history.filesUnread.end(), byName);
  if (history.runs.empty()) {
    const LeftOutRun& first = history.leftOut.front();
    error = {first.line, first.reason};
    error.file = first.file;
    return false;
  }
  return true;
}

bool insideHistory(const std::string& folder, const std::string& path) {
  std::error_code status;
  const fs::path top = fs::u8path(folder);
  if (!fs::is_directory(top, status)) return false;
  // Where a write would land: through the links the path passes, the last
  // one too, even one whose target is not there yet.
  fs::path target = fs::u8path(path);
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(target, status)); ++hops) {
    const fs::path next = fs::read_symlink(target, status);
    if (status) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  target = fs::weakly_canonical(fs::absolute(target, status), status);
  if (status || target.filename().empty()) return false;
  const auto lower = [](std::string text) {
    for (char& c : text) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
  };
  const std::string extension = lower(target.extension().u8string());
  const std::string name = lower(target.filename().u8string());
  // The folders are compared as the file system does, so that a
  // case-insensitive one finds H/RUN-2.XML in h.
  const auto same = [&](const fs::path& a) {
    std::error_code unused;
    return fs::equivalent(a, top, unused);
  };
  fs::path above = target.parent_path();
  if (same(above)) {
    return extension == ".xml" || extension == ".diff" ||
           (name.rfind("coverage-", 0) == 0 && (extension == ".json" || extension == ".info"));
  }
  for (fs::path folderAbove = above.parent_path(); !above.empty() && folderAbove != above;
       above = folderAbove, folderAbove = above.parent_path()) {
    if (same(folderAbove)) return true;
  }
  return false;
}

}  // namespace antorder
