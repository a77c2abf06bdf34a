// How names from inputs are shown: escaped so that no byte drives a
// terminal, quoted and cut short in a refusal, counted and listed.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text/shown_text.h"

using namespace antorder;

namespace {

struct Shown {
  std::string text;
  std::string printable;  // kept UTF-8, escaped control bytes
  std::string quoted;     // printable ASCII only, cut at 60 bytes
};

TEST(ShownText, EscapesControlBytesAndQuotesWithinSixtyBytes) {
  const std::string sixty(60, 'a');
  const std::vector<Shown> cases = {
      {"", "", "\"\""},
      {"tests/a b.py::t[1]", "tests/a b.py::t[1]", "\"tests/a b.py::t[1]\""},
      // A terminal's title escape, as a hostile path carries it.
      {"\x1b]0;x\x07", "\\x1b]0;x\\x07", "\"\\x1b]0;x\\x07\""},
      {std::string("a\0b", 3), "a\\x00b", "\"a\\x00b\""},
      {"\t\r\n\x7f", "\\x09\\x0d\\x0a\\x7f", "\"\\x09\\x0d\\x0a\\x7f\""},
      // UTF-8 stays readable in the summary; a quote escapes every byte past ASCII.
      {"caf\xc3\xa9", "caf\xc3\xa9", "\"caf\\xc3\\xa9\""},
      {"\xff", "\xff", "\"\\xff\""},
      // A quote inside is shown as it is.
      {"a\"b", "a\"b", "\"a\"b\""},
      {sixty, sixty, "\"" + sixty + "\""},
      {sixty + "b", sixty + "b", "\"" + sixty + "...\""},
      // The cut counts bytes before they are escaped, and may split a character.
      {sixty.substr(1) + "\xc3\xa9", sixty.substr(1) + "\xc3\xa9",
       "\"" + sixty.substr(1) + "\\xc3...\""},
  };
  for (const Shown& one : cases) {
    SCOPED_TRACE(one.text);
    EXPECT_EQ(printable(one.text), one.printable);
    EXPECT_EQ(quotedText(one.text), one.quoted);
    // Shown once or twice, a name reads the same: messages escape what callers escaped.
    EXPECT_EQ(printable(printable(one.text)), one.printable);
  }
}

TEST(ShownText, NamesFilesAsMessagesAndThePictureDo) {
  const std::vector<std::vector<std::string>> cases = {
      // file, displayName, baseName
      {"-", "(standard input)", "(standard input)"},
      {"runs/run-1.xml", "runs/run-1.xml", "run-1.xml"},
      {"C:\\ci\\suite.csv", "C:\\ci\\suite.csv", "suite.csv"},
      {"plain.csv", "plain.csv", "plain.csv"},
      {"dir/\x1b[2J.csv", "dir/\\x1b[2J.csv", "\\x1b[2J.csv"},
      {"dir/", "dir/", ""},
  };
  for (const auto& one : cases) {
    SCOPED_TRACE(one[0]);
    EXPECT_EQ(displayName(one[0]), one[1]);
    EXPECT_EQ(baseName(one[0]), one[2]);
  }
}

TEST(ShownText, CountsNounsAndListsTheFirstFiveNames) {
  const std::vector<std::pair<std::pair<long long, std::string>, std::string>> nouns = {
      {{0, "tests"}, "0 tests"},
      {{1, "tests"}, "1 test"},
      {{2, "faults"}, "2 faults"},
      {{1, "mutants killed"}, "1 mutant killed"},
      {{1, "failing runs"}, "1 failing run"},
      {{1, "lines covered"}, "1 line covered"},
      // A one-letter word is no plural.
      {{1, "s"}, "1 s"},
  };
  for (const auto& [count, text] : nouns) {
    SCOPED_TRACE(text);
    EXPECT_EQ(counted(count.first, count.second), text);
  }
  const std::vector<std::string> names = {"a", "b", "c", "d", "e", "f", "g"};
  EXPECT_EQ(someNames({}), "");
  EXPECT_EQ(someNames({"a"}), "a");
  EXPECT_EQ(someNames({names.begin(), names.begin() + 5}), "a, b, c, d, e");
  EXPECT_EQ(someNames(names), "a, b, c, d, e and 2 more");
}

}  // namespace
