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
#include "reading/xml_document.h"

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
bool addTestcase(const pugi::xml_node& testcase, const XmlReport& report, JunitHistory& history,
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
    error = {line,
             "time must be a number of seconds, found \"" + std::string(time.as_string()) + "\""};
    return false;
  }
  const bool ran = testcase.child("skipped").empty() &&
                   !saysNotRun(testcase.attribute("status").as_string()) &&
                   !saysNotRun(testcase.attribute("result").as_string());
  const bool failed = hasFailureChild(testcase) ||
                      std::strcmp(testcase.attribute("status").as_string(), "fail") == 0;

  const std::string key = classname.empty() || classname == name ? name : classname + "." + name;
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

// Every <testcase> under the node, in document order; suites may nest.
bool addTestcases(const pugi::xml_node& node, const XmlReport& report, JunitHistory& history,
                  TestRun& run, std::unordered_map<int, std::size_t>& resultOfKey,
                  ReadError& error) {
  for (const pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    const bool read = std::strcmp(child.name(), "testcase") == 0
                          ? addTestcase(child, report, history, run, resultOfKey, error)
                          : addTestcases(child, report, history, run, resultOfKey, error);
    if (!read) return false;
  }
  return true;
}

// Reads a report into the run given, which may hold results of other reports.
bool readReportInto(std::istream& in, JunitHistory& history, TestRun& run,
                    std::unordered_map<int, std::size_t>& resultOfKey, ReadError& error) {
  XmlReport report;
  if (!loadXmlReport(in, {"testsuites", "testsuite"}, "a JUnit report", report, error)) {
    return false;
  }
  return addTestcases(report.document.document_element(), report, history, run, resultOfKey, error);
}

bool readReportFile(const fs::path& file, JunitHistory& history, TestRun& run,
                    std::unordered_map<int, std::size_t>& resultOfKey, ReadError& error) {
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = {0, errno != 0 ? std::strerror(errno) : "cannot be opened"};
  } else if (readReportInto(in, history, run, resultOfKey, error)) {
    return true;
  }
  error.file = file.u8string();
  return false;
}

bool isReport(const fs::directory_entry& entry) {
  std::error_code status;
  return entry.is_regular_file(status) && entry.path().extension() == ".xml";
}

// The entries of a folder in name order.
std::vector<fs::directory_entry> sortedEntries(const fs::path& folder, bool recursive) {
  std::vector<fs::directory_entry> entries;
  if (recursive) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) entries.push_back(entry);
  } else {
    for (const auto& entry : fs::directory_iterator(folder)) entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().u8string() < b.path().u8string(); });
  return entries;
}

// Reads one run, a report or a folder of them, into a history of its own.
bool readRun(const fs::directory_entry& entry, JunitHistory& part, ReadError& error) {
  std::error_code status;
  const bool folder = entry.is_directory(status);
  part.runs.push_back({(folder ? entry.path().filename() : entry.path().stem()).u8string(), {}});
  std::unordered_map<int, std::size_t> resultOfKey;
  for (const fs::directory_entry& report :
       folder ? sortedEntries(entry.path(), true) : std::vector<fs::directory_entry>{entry}) {
    if (!isReport(report)) continue;
    if (!readReportFile(report.path(), part, part.runs.back(), resultOfKey, error)) return false;
  }
  return true;
}

// Appends the one run of `part` to the history, its keys renumbered.
void joinRun(JunitHistory& history, JunitHistory& part) {
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
}

}  // namespace

bool readJunitReport(std::istream& in, const std::string& file, const std::string& runName,
                     JunitHistory& history, ReadError& error) {
  history.runs.push_back({runName, {}});
  std::unordered_map<int, std::size_t> resultOfKey;
  if (readReportInto(in, history, history.runs.back(), resultOfKey, error)) return true;
  error.file = file;
  return false;
}

bool readJunitPath(const std::string& path, JunitHistory& history, ReadError& error, int jobs) {
  const fs::path top = fs::u8path(path);
  std::error_code status;
  if (!fs::is_directory(top, status)) {
    history.runs.push_back({top.stem().u8string(), {}});
    std::unordered_map<int, std::size_t> resultOfKey;
    return readReportFile(top, history, history.runs.back(), resultOfKey, error);
  }
  std::vector<fs::directory_entry> runEntries;
  for (const fs::directory_entry& entry : sortedEntries(top, false)) {
    if (entry.is_directory(status) || isReport(entry)) runEntries.push_back(entry);
  }
  if (runEntries.empty()) {
    error = {0, "holds no .xml report, nor a folder of them"};
    return false;
  }
  // Runs are read a batch at a time, each into a history of its own, then
  // joined in order: the keys come out numbered as one reader would number
  // them, and the first error in run order is the one reported.
  constexpr std::size_t BATCH = 64;
  for (std::size_t first = 0; first < runEntries.size(); first += BATCH) {
    const std::size_t count = std::min(BATCH, runEntries.size() - first);
    std::vector<JunitHistory> parts(count);
    std::vector<ReadError> errors(count);
    std::vector<char> read(count, 0);
    forEachIndex(count, jobs, [&](std::size_t at, bool) {
      read[at] = readRun(runEntries[first + at], parts[at], errors[at]) ? 1 : 0;
      return true;
    });
    for (std::size_t at = 0; at < count; ++at) {
      if (read[at] == 0) {
        error = errors[at];
        return false;
      }
      joinRun(history, parts[at]);
    }
  }
  return true;
}

double medianOf(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

std::vector<double> medianSeconds(const JunitHistory& history, int window) {
  const auto runCount = static_cast<int>(history.runs.size());
  return medianSecondsOf(history, std::max(0, runCount - window), runCount);
}

std::vector<double> medianSecondsOf(const JunitHistory& history, int firstRun, int endRun) {
  std::vector<std::vector<double>> times(history.keys.size());
  for (int at = firstRun; at < endRun; ++at) {
    for (const TestResult& result : history.runs[static_cast<std::size_t>(at)].results) {
      if (result.ran) times[static_cast<std::size_t>(result.key)].push_back(result.seconds);
    }
  }
  std::vector<double> medians(history.keys.size(), -1.0);
  for (std::size_t key = 0; key < medians.size(); ++key) {
    if (!times[key].empty()) medians[key] = std::max(MIN_SECONDS, medianOf(times[key]));
  }
  return medians;
}

void buildHistorySuite(const JunitHistory& history, int window, SuiteBuilder& builder) {
  const auto runCount = static_cast<int>(history.runs.size());
  const int firstRun = std::max(0, runCount - window);
  const int failedRuns =
      buildWindowSuite(history, history.runs.back(), firstRun, runCount, builder);
  builder.suite.notes.push_back("runs in the window: " + std::to_string(runCount - firstRun) +
                                " (at most " + std::to_string(window) + "), " +
                                std::to_string(failedRuns) + " with a failure");
}

int buildWindowSuite(const JunitHistory& history, const TestRun& tests, int firstRun, int endRun,
                     SuiteBuilder& builder) {
  // The suite's tests by key, and each one's failures in the window.
  std::vector<int> testOfKey(history.keys.size(), -1);
  std::vector<int> keyOfTest;
  for (const TestResult& result : tests.results) {
    if (!result.ran) continue;
    testOfKey[static_cast<std::size_t>(result.key)] = static_cast<int>(keyOfTest.size());
    keyOfTest.push_back(result.key);
  }
  std::vector<std::vector<int>> failures(keyOfTest.size());
  int failedRuns = 0;
  for (int at = firstRun; at < endRun; ++at) {
    const TestRun& run = history.runs[static_cast<std::size_t>(at)];
    bool anyFailed = false;
    for (const TestResult& result : run.results) {
      anyFailed = anyFailed || result.failed;
      const int test = testOfKey[static_cast<std::size_t>(result.key)];
      if (test < 0 || !result.failed) continue;
      failures[static_cast<std::size_t>(test)].push_back(
          static_cast<int>(builder.rawFaultNames.size()));
      builder.rawFaultNames.push_back(run.name + ":" +
                                      history.keys[static_cast<std::size_t>(result.key)]);
    }
    failedRuns += anyFailed ? 1 : 0;
  }

  // A test that did not run in the window costs the median of the others.
  const std::vector<double> seconds = medianSecondsOf(history, firstRun, endRun);
  std::vector<double> known;
  for (const int key : keyOfTest) {
    if (seconds[static_cast<std::size_t>(key)] >= 0.0)
      known.push_back(seconds[static_cast<std::size_t>(key)]);
  }
  const double unknownCost = known.empty() ? 1.0 : medianOf(known);
  ReadError unused;
  for (std::size_t test = 0; test < keyOfTest.size(); ++test) {
    const auto key = static_cast<std::size_t>(keyOfTest[test]);
    const double cost = seconds[key] >= 0.0 ? seconds[key] : unknownCost;
    // Keys are unique, so no test is refused.
    addTest(builder, history.keys[key],
            static_cast<float>(std::min(cost, static_cast<double>(MAX_COST))), 1, failures[test], 0,
            unused);
  }
  builder.suite.itemNoun = "failures";
  builder.nothingRevealedIsFine = true;
  return failedRuns;
}
