// Per-test coverage from ctest: its listing read, each test's environment
// made, gcov's JSON counted, the project's sources chosen, and the lcov
// written read back with every name as ctest gives it.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "collect/collector.h"
#include "collect/ctest_listing.h"
#include "collect/gcov_counts.h"
#include "reading/coverage_map.h"

using namespace antorder;

namespace {

TEST(CtestListing, ReadsEachTestsCommandFolderAndEnvironment) {
  const std::string listing = R"({"kind": "ctestInfo", "tests": [
    {"name": "Euro/Price.Rounds/1", "command": ["/b/t", "--gtest_filter=Euro/Price.Rounds/1"],
     "properties": [{"name": "WORKING_DIRECTORY", "value": "/b/sub"},
                    {"name": "ENVIRONMENT", "value": ["A=1", "B=x=y"]},
                    {"name": "WILL_FAIL", "value": true}, {"name": "TIMEOUT", "value": 2.5}]},
    {"name": "not built", "properties": [{"name": "DISABLED", "value": "ON"},
                                         {"name": "ENVIRONMENT", "value": "C=3"}]}]})";
  std::vector<CtestTest> tests;
  std::string reason;
  ASSERT_TRUE(readCtestListing(listing, tests, reason)) << reason;
  ASSERT_EQ(tests.size(), 2u);
  EXPECT_EQ(tests[0].name, "Euro/Price.Rounds/1");
  EXPECT_EQ(tests[0].command,
            (std::vector<std::string>{"/b/t", "--gtest_filter=Euro/Price.Rounds/1"}));
  EXPECT_EQ(tests[0].workingDirectory, "/b/sub");
  EXPECT_EQ(tests[0].environment, (std::vector<std::string>{"A=1", "B=x=y"}));
  EXPECT_TRUE(tests[0].willFail);
  EXPECT_EQ(tests[0].timeoutSeconds, 2.5);
  EXPECT_TRUE(tests[1].command.empty());
  EXPECT_TRUE(tests[1].disabled);
  EXPECT_EQ(tests[1].environment, std::vector<std::string>{"C=3"});

  for (const char* bad : {"", "[]", R"({"tests": [{"command": ["x"]}]})", "ctest: not json"}) {
    SCOPED_TRACE(bad);
    tests.clear();
    EXPECT_FALSE(readCtestListing(bad, tests, reason));
  }
}

TEST(CtestListing, MakesEachTestsEnvironmentAsCtestDoes) {
  struct Case {
    std::vector<std::string> environment;
    std::vector<std::string> edits;
    std::vector<std::string> expected;  // empty with `refused`
    bool refused;
  };
  const std::vector<std::string> base = {"PATH=/bin", "HOME=/h", "KEEP=k"};
  const Case cases[] = {
      {{"HOME=/t", "NEW=a=b"}, {}, {"PATH=/bin", "HOME=/t", "KEEP=k", "NEW=a=b"}, false},
      {{"HOME=/t"}, {"HOME=reset:"}, {"PATH=/bin", "HOME=/h", "KEEP=k"}, false},
      {{"NEW=1"}, {"NEW=reset:"}, {"PATH=/bin", "HOME=/h", "KEEP=k"}, false},
      {{}, {"KEEP=unset:", "X=set:1"}, {"PATH=/bin", "HOME=/h", "X=1"}, false},
      {{},
       {"PATH=path_list_prepend:/opt/bin", "E=path_list_append:/e", "KEEP=string_append:2"},
       {"PATH=/opt/bin:/bin", "HOME=/h", "KEEP=k2", "E=/e"},
       false},
      {{},
       {"L=cmake_list_append:a", "L=cmake_list_append:b", "KEEP=string_prepend:0"},
       {"PATH=/bin", "HOME=/h", "KEEP=0k", "L=a;b"},
       false},
      {{}, {"KEEP=shuffle:x"}, {}, true},
      {{}, {"KEEP"}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edits.empty() ? c.environment.front() : c.edits.front());
    CtestTest test;
    test.name = "t";
    test.environment = c.environment;
    test.environmentEdits = c.edits;
    std::vector<std::string> made;
    std::string reason;
    EXPECT_EQ(testEnvironment(base, test, made, reason), !c.refused) << reason;
    if (!c.refused) {
      EXPECT_EQ(made, c.expected);
    }
  }
}

TEST(GcovCounts, CountsTheLinesRunOfEveryDataFile) {
  // Two data files: a relative source is the compiler's folder's, a line met
  // twice (an inline function of a header) counts the sum, lines not run
  // are left out.
  const std::string output =
      R"({"format_version": "1", "current_working_directory": "/b", "files": [)"
      R"({"file": "../src/cart.cpp", "lines": [{"line_number": 2, "count": 3},)"
      R"({"line_number": 3, "count": 0}, {"line_number": 3, "count": 0}]},)"
      R"({"file": "/src/cart.h", "lines": [{"line_number": 7, "count": 1}]}]})"
      "\n"
      R"({"format_version": "1", "current_working_directory": "/b", "files": [)"
      R"({"file": "/src/cart.h", "lines": [{"line_number": 7, "count": 4}]}]})"
      "\n";
  LineCounts counts;
  std::string reason;
  ASSERT_TRUE(addGcovJson(output, counts, reason)) << reason;
  const LineCounts expected = {{"/src/cart.cpp", {{2, 3}}}, {"/src/cart.h", {{7, 5}}}};
  EXPECT_EQ(counts, expected);
  EXPECT_FALSE(addGcovJson("/b/x.gcda:cannot open data file\n", counts, reason));
  // Counts that pass a counter's bound stay at it, never wrap to nothing.
  LineCounts full;
  const std::string huge =
      R"({"format_version": "1", "current_working_directory": "/b", "files": [)"
      R"({"file": "/src/a.cpp", "lines": [{"line_number": 1, "count": 18446744073709551615},)"
      R"({"line_number": 1, "count": 1}]}]})"
      "\n";
  ASSERT_TRUE(addGcovJson(huge, full, reason)) << reason;
  EXPECT_EQ(full["/src/a.cpp"][1], UINT64_MAX);
}

// A data file: header (magic, version, stamp, with gcc 12 a checksum), the
// object's summary (runs, largest counter of the program's run), one counter.
std::string dataFile(bool withChecksum, std::uint32_t length, std::uint32_t runs,
                     std::uint32_t largest, std::uint32_t counter) {
  std::vector<std::uint32_t> words = {0x67636461, 0x4232322a, 0x5d04ca2c};
  if (withChecksum) words.push_back(0xe2f70e7a);
  for (const std::uint32_t word : {0xa1000000u, length, runs, largest, 0x01000000u, counter}) {
    words.push_back(word);
  }
  std::string bytes(words.size() * 4, '\0');
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

TEST(GcovCounts, DataFilesOfTheSameCountersReadAlike) {
  // Only the program's largest counter, which gcov does not count lines
  // from, is left out; a file of another layout is kept whole.
  struct Case {
    const char* what;
    std::string first;
    std::string second;
    bool alike;
  };
  const Case cases[] = {
      {"gcc 12, largest counter", dataFile(true, 8, 1, 7, 5), dataFile(true, 8, 1, 900, 5), true},
      {"gcc 9, largest counter", dataFile(false, 2, 1, 7, 5), dataFile(false, 2, 1, 900, 5), true},
      {"runs", dataFile(true, 8, 1, 7, 5), dataFile(true, 8, 2, 7, 5), false},
      {"a counter", dataFile(true, 8, 1, 7, 5), dataFile(true, 8, 1, 7, 6), false},
      {"summary of another length", dataFile(true, 12, 1, 7, 5), dataFile(true, 12, 1, 900, 5),
       false},
      {"not a data file", "xxxx" + dataFile(true, 8, 1, 7, 5).substr(4),
       "xxxx" + dataFile(true, 8, 1, 900, 5).substr(4), false},
      {"cut short", dataFile(true, 8, 1, 7, 5).substr(0, 30),
       dataFile(true, 8, 1, 900, 5).substr(0, 30), false},
      {"empty", "", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string first = gcdaCountedBytes(c.first);
    EXPECT_EQ(first == gcdaCountedBytes(c.second), c.alike);
    EXPECT_EQ(first.size(), c.first.size());
  }
}

TEST(GcovCounts, AddsCountsKeptAsGcovsOwnAreAdded) {
  LineCounts into = {{"/src/a.cpp", {{1, 2}, {4, UINT64_MAX - 1}}}};
  addLineCounts({{"/src/a.cpp", {{1, 3}, {2, 1}, {4, 5}}}, {"/src/b.h", {{9, 1}}}}, into);
  const LineCounts expected = {{"/src/a.cpp", {{1, 5}, {2, 1}, {4, UINT64_MAX}}},
                               {"/src/b.h", {{9, 1}}}};
  EXPECT_EQ(into, expected);
}

TEST(GcovCounts, KeepsTheProjectsOwnSources) {
  struct Case {
    std::vector<std::string> include;
    std::vector<std::string> exclude;
    const char* path;
    bool kept;
  };
  const Case cases[] = {
      {{}, {}, "/p/src/cart.cpp", true},
      {{}, {}, "/p/build/gen.cpp", false},  // generated into the build folder
      {{}, {}, "/p/buildings.cpp", true},   // beside it, not under it
      {{}, {}, "/usr/include/gtest/gtest.h", false},
      {{}, {}, "/pp/cart.cpp", false},
      {{}, {"/p/src/vendor"}, "/p/src/vendor/zlib.c", false},
      {{}, {"*_test.cpp"}, "/p/src/cart_test.cpp", false},
      {{}, {"*_test.cpp"}, "/p/src/cart.cpp", true},
      {{"/p/build"}, {}, "/p/build/gen.cpp", true},
      {{"/p/build"}, {}, "/p/src/cart.cpp", false},
      {{"/p/src/*.[ch]"}, {}, "/p/src/deep/cart.c", true},  // * crosses /
      {{"/p/src/*.[ch]"}, {}, "/p/src/cart.cpp", false},
      {{"/p/src/cart.?pp"}, {}, "/p/src/cart.hpp", true},
      {{"/p/src/[!c]*"}, {}, "/p/src/cart.cpp", false},
      {{"/p/src/"}, {"/p/src/x.cpp"}, "/p/src/x.cpp", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const SourceFilter filter{c.include, c.exclude, "/p", "/p/build"};
    EXPECT_EQ(keepsSource(filter, c.path), c.kept);
  }
}

TEST(GcovCounts, ReadsACMakeCachesValues) {
  const std::string cache =
      "# comment\nCMAKE_HOME_DIRECTORY:INTERNAL=/src/shop\r\n"
      "CMAKE_CTEST_COMMAND:INTERNAL=/usr/bin/ctest\nCMAKE_HOME:STRING=no\n";
  EXPECT_EQ(cmakeCacheValue(cache, "CMAKE_HOME_DIRECTORY"), "/src/shop");
  EXPECT_EQ(cmakeCacheValue(cache, "CMAKE_CTEST_COMMAND"), "/usr/bin/ctest");
  EXPECT_EQ(cmakeCacheValue(cache, "CMAKE_HOME"), "no");
  EXPECT_EQ(cmakeCacheValue(cache, "CMAKE_BUILD_TYPE"), "");
}

TEST(CollectedCoverage, ReadsBackEveryNameAsCtestGivesIt) {
  const std::vector<TestCoverage> tests = {
      {"Euro/Price.Rounds/1", {{"/p/price.cpp", {{2, 1}, {4, 7}}}, {"/p/cart.cpp", {{9, 1}}}}},
      {"Typed.Zero<int>", {{"/p/cart.cpp", {{9, 2}}}}},
      {"crash [it]+(1)^$ a:b,c", {{"/p/a b/price.cpp", {{3, 1}}}}},
  };
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  printLcov(file, tests);
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  ASSERT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
  std::fclose(file);
  const std::string first =
      "TN:Euro/Price.Rounds/1\nSF:/p/cart.cpp\nDA:9,1\nLF:1\nLH:1\nend_of_record\n";
  EXPECT_EQ(text.substr(0, first.size()), first);

  std::istringstream in(text);
  CoverageMap map;
  ReadError error;
  ASSERT_TRUE(readCoverageMap(in, map, error)) << error.line << ": " << error.reason;
  EXPECT_EQ(map.testNames, (std::vector<std::string>{"Euro/Price.Rounds/1", "Typed.Zero<int>",
                                                     "crash [it]+(1)^$ a:b,c"}));
  EXPECT_EQ(map.linesOfTest, (std::vector<long>{3, 1, 1}));
  for (const CoveredFile& covered : map.files) {
    SCOPED_TRACE(covered.path);
    const LineTests runs = testsOfLine(covered, covered.lines.front());
    ASSERT_NE(runs.begin, runs.end);
    EXPECT_EQ(covered.path == "/p/cart.cpp" ? 2 : 1, runs.end - runs.begin);
  }
}

}  // namespace
