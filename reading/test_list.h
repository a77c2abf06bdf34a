#pragma once

// The tests of the next run, as a test runner lists them, told apart by
// their content:
// - ctest --show-only=json-v1: a JSON document whose "tests" have names;
// - pytest --collect-only -q: a node id a line, then a blank line and the
//   count; each becomes the key pytest's --junitxml gives it;
// - a GoogleTest binary's --gtest_list_tests: "Suite." lines, each followed
//   by its tests indented, "Suite.Test" each (comments after "#" dropped);
// - otherwise a name a line.
// Blank lines are skipped and a name given twice counts once.

#include <string>
#include <vector>

#include "reading/suite_builder.h"

namespace antorder {

// False, with the line and the reason, where the file cannot be read or
// holds no test.
bool readTestList(const std::string& path, std::vector<std::string>& names, ReadError& error);

// The same from the list's text.
bool readTestListText(const std::string& text, std::vector<std::string>& names, ReadError& error);

}  // namespace antorder
