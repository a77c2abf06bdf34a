#pragma once

// The program's arguments in UTF-8 on every platform: on Windows they are
// taken from the wide command line, so that any file name survives.

#include <string>
#include <vector>

namespace antorder {

std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace antorder
