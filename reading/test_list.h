#pragma once

// The tests of the next run, as a test runner lists them, told apart by
// their content:
// - ctest --show-only=json-v1: a JSON document whose "tests" have names;
// - pytest --collect-only -q: a node id a line, then a blank line and the
//   count; each becomes the key pytest's --junitxml gives it;
// - a GoogleTest binary's --gtest_list_tests --gtest_output=json:FILE: the
//   JSON's "testsuites", each test's source file kept;
// - a GoogleTest binary's --gtest_list_tests: "Suite." lines, each followed
//   by its tests indented, named as gtest_discover_tests names them by
//   default: a typed test by its TypeParam (Suite.Test<int>), a
//   value-parameterised one by its GetParam() (Prefix/Suite.Test/1);
// - otherwise a name a line.
// pytest's collection without -q or with -qq, and ctest's text listing, are
// refused with the way to list the tests as read here. Blank lines are
// skipped, a name given twice counts once, and a name with a control
// character is refused with its line.

#include <istream>
#include <string>
#include <vector>

#include "suite/suite_builder.h"

namespace antorder {

// A listed test and the source file that holds it, where the listing says.
struct TestSource {
  std::string test;
  std::string file;
};

// The file named in UTF-8, or standard input for "-". False, with the line
// and the reason, where the file cannot be read or holds no test.
bool readTestList(const std::string& path, std::vector<std::string>& names, ReadError& error);

// The same, with the tests' source files where the listing gives them.
bool readTestList(const std::string& path, std::vector<std::string>& names,
                  std::vector<TestSource>& sources, ReadError& error);
bool readTestList(std::istream& in, std::vector<std::string>& names,
                  std::vector<TestSource>& sources, ReadError& error);

// The same from a stream.
bool readTestList(std::istream& in, std::vector<std::string>& names, ReadError& error);

}  // namespace antorder
