#pragma once

// ctest's tests as `ctest --show-only=json-v1` lists them: what each runs,
// where, and with what environment, so that one can be run on its own
// without ctest (whose runs rewrite the build's Testing/Temporary files).

#include <string>
#include <vector>

namespace antorder {

struct CtestTest {
  std::string name;
  std::vector<std::string> command;           // empty where ctest has none (not built)
  std::string workingDirectory;               // empty: the build folder
  std::vector<std::string> environment;       // ENVIRONMENT: NAME=value
  std::vector<std::string> environmentEdits;  // ENVIRONMENT_MODIFICATION: NAME=op:value
  bool willFail = false;
  bool disabled = false;
  double timeoutSeconds = 0.0;  // 0: none
};

// False, with the reason, where the text is not ctest's json-v1 listing.
bool readCtestListing(const std::string& text, std::vector<CtestTest>& tests, std::string& reason);

// The environment a test runs in: `base` (NAME=value entries) with the
// test's ENVIRONMENT set over it, then its ENVIRONMENT_MODIFICATION applied
// in order. False, with the reason, on an edit ctest would refuse.
bool testEnvironment(const std::vector<std::string>& base, const CtestTest& test,
                     std::vector<std::string>& environment, std::string& reason);

}  // namespace antorder
