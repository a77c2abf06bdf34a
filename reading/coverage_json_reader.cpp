// coverage.py's JSON report with contexts ("coverage json --show-contexts",
// after a run with dynamic_context = test_function or pytest-cov's
// --cov-context=test): "files" maps each file to its "contexts", a map from a
// line number to the names of the contexts that ran it. A context is a test,
// its name without a trailing "|run", "|setup" or "|teardown" (so that pytest
// node ids come out whole); the empty context, code run outside any test, is
// none. Read as a stream of events, so that a report of hundreds of megabytes
// needs no more memory than the tests and the lines they run.

#include <cstddef>
#include <ios>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "reading/format_readers.h"

namespace antorder {

namespace {

const char* const NO_CONTEXTS =
    "the report has no test contexts: run the tests under coverage with dynamic_context = "
    "test_function (or pytest --cov-context=test), then write the report with "
    "\"coverage json --show-contexts\"";

// Characters of a stream, counting the lines passed, for the line of an error.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  CountingIterator() = default;
  CountingIterator(std::istream& in, long* lines) : at_(in), lines_(lines) {}
  char operator*() const { return *at_; }
  CountingIterator& operator++() {
    if (*at_ == '\n') ++*lines_;
    ++at_;
    return *this;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
  bool operator!=(const CountingIterator& other) const { return !(*this == other); }

 private:
  std::istreambuf_iterator<char> at_;
  long* lines_ = nullptr;
};

// Where a report's events stand: for each container open, the key it is
// under ("" for the root and inside arrays).
struct CoverageEvents : nlohmann::json_sax<nlohmann::json> {
  CoverageSink& sink;
  const long& linesPassed;
  ReadError& error;
  std::vector<std::string> path;
  std::string pendingKey;
  bool sawFiles = false;
  std::unordered_map<std::string, int> testOfName;
  std::vector<std::string> testNames;
  std::vector<std::vector<int>> covered;
  int lineItem = -1;  // the item of the line whose contexts are read, once a test ran it

  CoverageEvents(CoverageSink& into, const long& lines, ReadError& failure)
      : sink(into), linesPassed(lines), error(failure) {}

  bool fail(const std::string& reason) {
    error = {linesPassed + 1, reason};
    return false;
  }

  // Within files/FILE/contexts/LINE: the array of the line's contexts.
  bool inLineContexts() const {
    return path.size() == 5 && path[1] == "files" && path[3] == "contexts";
  }

  bool open() {
    path.push_back(pendingKey);
    pendingKey.clear();
    if (path.size() == 2 && path[1] == "files") sawFiles = true;
    lineItem = -1;
    return true;
  }
  bool start_object(std::size_t /*elements*/) override { return open(); }
  bool start_array(std::size_t /*elements*/) override { return open(); }
  bool close() {
    path.pop_back();
    return true;
  }
  bool end_object() override { return close(); }
  bool end_array() override { return close(); }
  bool key(string_t& name) override {
    pendingKey = name;
    return true;
  }

  bool string(string_t& text) override {
    pendingKey.clear();
    if (inLineContexts()) addContext(text);
    return true;
  }

  void addContext(std::string name) {
    for (const std::string suffix : {"|run", "|setup", "|teardown"}) {
      if (name.size() >= suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        name.resize(name.size() - suffix.size());
        break;
      }
    }
    if (name.empty()) return;
    if (lineItem < 0) {
      lineItem = sink.addItem(path[2], path[4]);
    }
    const auto [entry, added] = testOfName.emplace(name, static_cast<int>(testNames.size()));
    if (added) {
      testNames.push_back(name);
      covered.emplace_back();
    }
    covered[static_cast<std::size_t>(entry->second)].push_back(lineItem);
  }

  bool scalar() {
    pendingKey.clear();
    if (inLineContexts()) return fail("a context must be a test's name, in quotes");
    return true;
  }
  bool null() override { return scalar(); }
  bool boolean(bool /*value*/) override { return scalar(); }
  bool number_integer(number_integer_t /*value*/) override { return scalar(); }
  bool number_unsigned(number_unsigned_t /*value*/) override { return scalar(); }
  bool number_float(number_float_t /*value*/, const string_t& /*text*/) override {
    return scalar();
  }
  bool binary(binary_t& /*value*/) override { return scalar(); }

  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const nlohmann::detail::exception& failure) override {
    // The message reads "[json.exception.parse_error.101] parse error at line 1,
    // column 2: syntax error while parsing ..."; its last part is the reason.
    const std::string what = failure.what();
    const std::size_t colon = what.find(": ");
    return fail("not well-formed JSON: " +
                (colon == std::string::npos ? what : what.substr(colon + 2)));
  }
};

}  // namespace

bool readCoverageJson(std::istream& in, CoverageSink& sink, ReadError& error) {
  long lines = 0;
  CoverageEvents events(sink, lines, error);
  try {
    if (!nlohmann::json::sax_parse(CountingIterator(in, &lines), CountingIterator(), &events)) {
      return false;
    }
  } catch (const std::ios_base::failure&) {
    error = {lines, "the file could not be read to its end"};
    return false;
  }
  if (!events.sawFiles) {
    error = {0, "not a coverage.py JSON report: it has no \"files\""};
    return false;
  }
  if (events.testNames.empty()) {
    error = {0, NO_CONTEXTS};
    return false;
  }
  for (std::size_t at = 0; at < events.testNames.size(); ++at) {
    if (!sink.addCoveredTest(events.testNames[at], events.covered[at], 0, error)) return false;
  }
  return true;
}

}  // namespace antorder
